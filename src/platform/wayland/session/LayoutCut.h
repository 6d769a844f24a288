// One picture of the whole layout (what the Screenshot portal gives) cut
// into the outputs' pictures.
#pragma once

#include <vector>

#include "platform/wayland/screen/OutputPicture.h"

// The smallest rectangle that holds every place.
TRect LayoutBoundsOf(const std::vector<TOutputPlace>& layout);

// Each output's part of Whole (its Logical is the layout's bounds): the
// output's logical rectangle times the picture/layout ratio, brought to the
// output's native size (logical size times its Scale) where the ratio
// differs from that scale, so it matches what the output itself shows.
TShot CutLayout(const TOutputPicture& whole, const std::vector<TOutputPlace>& layout);
