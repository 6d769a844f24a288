// A picture in memory as rows for the writers.
#pragma once

#include <QImage>

#include "imaging/core/Rows.h"

// The rows of a picture in memory, as they are where the format allows
// (RGB32, ARGB32, BGR888, RGB888, Indexed8); other formats are converted to
// Rgb24 (1-bit ones to Index8) a row at a time, RGB16 by the same rule as the
// screen's rows in the capture program.
class TImageRows : public TRowSource {
public:
    explicit TImageRows(const QImage& picture);
    const uint8_t* Row(int y) override;

private:
    QImage Picture;
    bool Convert = false;
    bool Expand565 = false;
    std::vector<uint8_t> Scratch;
};
