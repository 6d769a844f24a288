#include "platform/wayland/screen/FramePixels.h"

#include <cstring>
#include <vector>

bool Readable(uint32_t format) {
    switch (TShmFormat(format)) {
    case TShmFormat::Argb8888:
    case TShmFormat::Xrgb8888:
    case TShmFormat::Abgr8888:
    case TShmFormat::Xbgr8888:
        return true;
    }
    return false;
}

namespace {

bool RedFirst(uint32_t format) {
    return TShmFormat(format) == TShmFormat::Abgr8888 || TShmFormat(format) == TShmFormat::Xbgr8888;
}

// One upright row of the frame, its rows in the order they lie in memory.
void ReadRow(const TFrame& f, int y, uint32_t* out) {
    const uint8_t* row = f.Bytes + size_t(f.YInvert ? f.Height - 1 - y : y) * f.Stride;
    if (!RedFirst(f.Format)) {
        std::memcpy(out, row, size_t(f.Width) * 4);
        for (int x = 0; x < f.Width; ++x) out[x] |= 0xff000000u;
        return;
    }
    for (int x = 0; x < f.Width; ++x, row += 4)
        out[x] = 0xff000000u | uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2];
}

} // namespace

void FrameToPicture(const TFrame& f, TOutputPicture& picture) {
    const int t = int(f.Transform);
    const bool turned = t % 2 == 1; // a quarter turn swaps width and height
    picture.Width = turned ? f.Height : f.Width;
    picture.Height = turned ? f.Width : f.Height;
    picture.Pixels.assign(size_t(f.Width) * f.Height, 0);
    if (f.Transform == TOutputTransform::Normal) {
        for (int y = 0; y < f.Height; ++y) ReadRow(f, y, &picture.Pixels[size_t(y) * f.Width]);
        return;
    }
    // The frame is the output's content as the output scans it out; the
    // picture turns it back by the transform's quarter turns (clockwise), then
    // mirrors it for the flipped ones. Checked against grim on sway.
    std::vector<uint32_t> row(f.Width);
    const int w = picture.Width;
    for (int y = 0; y < f.Height; ++y) {
        ReadRow(f, y, row.data());
        for (int x = 0; x < f.Width; ++x) {
            int px = x, py = y;
            switch (t % 4) {
            case 1:
                px = f.Height - 1 - y, py = x;
                break;
            case 2:
                px = f.Width - 1 - x, py = f.Height - 1 - y;
                break;
            case 3:
                px = y, py = f.Width - 1 - x;
                break;
            }
            if (t >= 4) px = w - 1 - px;
            picture.Pixels[size_t(py) * w + px] = row[x];
        }
    }
}
