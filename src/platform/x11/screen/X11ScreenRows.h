// The rows of a screen rectangle for the picture writers, read from the
// server a strip at a time, without Qt: the capture program writes a file
// from them with no picture in memory. The rows are what Grab gives for the
// same rectangle: colormap indexes with the colormap (palette screens), the
// server's 32-bit words, 16-bit pixels widened to R, G, B bytes, other
// layouts scaled from the visual's masks; black off the screen. A strip the
// server refuses raises EImageError with the words of TGrabFailure::Refused.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/Rows.h"
#include "platform/types/GrabFailure.h" // before Xlib, whose None is a macro
#include "platform/types/Rect.h"
#include "platform/x11/screen/X11Screen.h"
#include "platform/x11/screen/XErrorTrap.h"

class TXScreenRows : public TRowSource {
public:
    // StripRows rows are read per request. When that is fewer than the
    // rectangle has, the server is grabbed from the first strip until the
    // rows are gone, so that every strip shows the same moment of the screen.
    TXScreenRows(TXScreen& screen, TShmPool& pool, const TRect& r, int stripRows);
    ~TXScreenRows() override;
    TXScreenRows(const TXScreenRows&) = delete;
    TXScreenRows& operator=(const TXScreenRows&) = delete;
    const uint8_t* Row(int y) override;

private:
    void Fetch(int y);
    void FreePlain();
    void BlackInto(uint8_t* row) const;

    TXScreen& Screen;
    TShmPool& Pool;
    TRect R, Part;          // the rectangle, and what of it lies on the screen
    int First = 0, End = 0; // rows of the picture that lie on the screen
    int StripRows;
    TXPixels Pixels = TXPixels::Other;
    bool Direct = false; // rows handed on from the strip as the server wrote them
    std::unique_ptr<TXErrorTrap> Trap;
    XImage* ShmImage = nullptr;
    TShmPool::TSegment* Segment = nullptr;
    XImage* Plain = nullptr;        // the strip, when read without a segment
    const XImage* Strip = nullptr;  // the strip held
    int StripTop = 0, StripEnd = 0; // picture rows held
    int LastY = -1;
    bool Grabbed = false;
    std::vector<uint8_t> Scratch;
};
