// What a Wayland desktop gives for one shot: every output's own picture at
// its native resolution, with the output's place in the layout. Qt-free, so
// the capture program and the resident program share it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/types/Rect.h"

struct TOutputPicture {
    std::string Name; // the output's name: "HEADLESS-2", "DP-1"
    TRect Logical;    // its rectangle in the layout, in logical pixels
    // The native picture: Width x Height pixels, row after row, each
    // 0xffRRGGBB (the bytes B, G, R, X: TRowFormat::Bgrx32, QImage RGB32).
    int Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;

    // Native pixels per logical pixel (2 on a doubled output).
    double Scale() const { return Logical.Empty() ? 1.0 : double(Width) / Logical.Width(); }
};

// Where an output lies in the layout, as the compositor tells it.
struct TOutputPlace {
    std::string Name;
    TRect Logical;
    int Scale = 1; // the output's whole-number scale (wl_output.scale)
};

// One picture an output, in the order the desktop lists the outputs.
using TShot = std::vector<TOutputPicture>;

// A shot that failed, with a sentence for the user that says why.
class EShotError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
