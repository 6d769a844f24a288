// PNG files from rows, without Qt: the rows filtered into one buffer and
// compressed whole with libdeflate, which makes smaller streams than zlib in
// a fraction of its time; the chunks around them are our own.
#pragma once

#include "imaging/core/FileBytes.h"
#include "imaging/core/ImageError.h"
#include "imaging/core/Rows.h"

// The filter put before every row (the PNG filter types, and per-row choice
// by the smallest sum of absolute values, as libpng's default), or one chosen
// by the picture (Auto).
enum class TPngFilter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4, Adaptive = 5, Auto };

// What the benchmark varies; the defaults are what the program writes.
struct TPngTuning {
    int Level = 6; // libdeflate's 1..12
    // True-colour rows only: palette rows are never filtered. Auto takes None
    // for a screen's flat areas and text, whose repeats deflate finds best
    // unfiltered, and Up for photographs, whose neighbours differ a little;
    // it reads the rows once, in order.
    TPngFilter Filter = TPngFilter::Auto;
};

// Index8 rows as an indexed file (1, 2, 4 or 8 bits a pixel as the colour
// table's size needs, tRNS only where the table has alpha); Bgra32 rows as
// RGBA, unless every pixel is opaque: then as RGB, as all other rows are.
// The whole file goes to Sink at the end. EPNGError for a picture PNG cannot
// hold.
void WritePng(TRowSource& rows, const TByteSink& sink, const TPngTuning& tuning = {});
