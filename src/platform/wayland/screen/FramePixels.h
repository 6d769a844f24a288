// A frame the compositor copied into shared memory, turned into an output's
// picture: the pixel formats a client can read without conversion tables,
// rows that may come bottom up, and an output turned or flipped.
#pragma once

#include <cstdint>

#include "platform/wayland/screen/OutputPicture.h"

// The wl_shm formats read here (the values of the wl_shm.format enum): 32
// bits a pixel, 8 a channel, little endian.
enum class TShmFormat : uint32_t {
    Argb8888 = 0,          // bytes B, G, R, A
    Xrgb8888 = 1,          // bytes B, G, R, X
    Abgr8888 = 0x34324241, // bytes R, G, B, A ("AB24")
    Xbgr8888 = 0x34324258, // bytes R, G, B, X ("XB24")
};

bool Readable(uint32_t format);

// How the output shows its frames (wl_output.transform): the frame is in the
// output's own orientation, the picture in the layout's.
enum class TOutputTransform {
    Normal = 0,
    Turn90,
    Turn180,
    Turn270,
    Flipped,
    Flipped90,
    Flipped180,
    Flipped270,
};

struct TFrame {
    uint32_t Format = uint32_t(TShmFormat::Xrgb8888); // Readable
    int Width = 0, Height = 0, Stride = 0;            // of the buffer, in its orientation
    bool YInvert = false;                             // rows from the bottom up
    TOutputTransform Transform = TOutputTransform::Normal;
    const uint8_t* Bytes = nullptr; // Stride * Height
};

// Fills Picture's Width, Height and Pixels (0xffRRGGBB, alpha ignored) from
// the frame, upright in the layout.
void FrameToPicture(const TFrame& frame, TOutputPicture& picture);
