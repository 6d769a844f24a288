// The mask settings of a capture item, as Config holds them.
#pragma once

#include "shapes/ShapeMask.h"

// The mask settings of capture item Item from Config (no figure for the
// items without a mask).
TShapeItem ShapeItemOf(int item);
