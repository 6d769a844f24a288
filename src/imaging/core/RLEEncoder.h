// The GIF run-length coder: a code stream that every GIF decoder reads, built
// from runs of one index without a dictionary. GIFException "Color not in
// color table" for an index outside the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/FileBytes.h"

// The run-length code stream for Pixels of a table of ColorCount colours
// with minimum code size MinCodeSize, framed in sub-blocks and terminated.
void TRLEEncoder(const uint8_t* pixels, size_t count, int colorCount, int minCodeSize,
                 std::vector<uint8_t>& out);
// The same stream handed to Sink in pieces of about 256 KB as it is made.
void TRLEEncoder(const uint8_t* pixels, size_t count, int colorCount, int minCodeSize,
                 const TByteSink& sink);
