// A screen's B, G, R, X rows packed to three bytes a pixel for the picture
// files: B, G, R for a bitmap, R, G, B for a PNG. They are the bulk of a
// screen file's writing, so both take one byte shuffle per four pixels where
// the processor has it.
#pragma once

#include <cstdint>

void PackBgrxToBgr(const uint8_t* s, uint8_t* d, int w);
void PackBgrxToRgb(const uint8_t* s, uint8_t* d, int w);
