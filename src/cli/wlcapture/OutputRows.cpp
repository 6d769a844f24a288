#include "cli/wlcapture/OutputRows.h"

TOutputRows::TOutputRows(TOutputPicture picture) : Picture(std::move(picture)) {
    Width = Picture.Width;
    Height = Picture.Height;
    Format = TRowFormat::Bgrx32; // 0xffRRGGBB words: the bytes B, G, R, X
}

const uint8_t* TOutputRows::Row(int y) {
    return reinterpret_cast<const uint8_t*>(Picture.Pixels.data() + size_t(y) * Picture.Width);
}
