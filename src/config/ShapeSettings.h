// The mask settings of a capture item, as Config holds them.
#pragma once

#include "shapes/ShapeMask.h"

// The settings of capture item ciFirstShape to ciLast from Config.
TShapeItem ShapeItemOf(int item);
