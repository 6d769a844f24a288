// Where each capture item keeps its shape settings in a ConfigRec: the
// fields its settings keys fill, which the configuration dialog edits; null
// where the item has no such setting.
#pragma once

#include "settings/Configs.h"

struct TShapeFields {
    TColor ConfigRec::*ShapeColor = nullptr;
    TColor ConfigRec::*BorderColor = nullptr;
    bool ConfigRec::*UseBorder = nullptr;
    int32_t ConfigRec::*Vectors = nullptr;    // Star and polygons
    int32_t ConfigRec::*VectorSize = nullptr; // Star and polygons
    int32_t ConfigRec::*Angle = nullptr;      // polygons
};

// The fields of capture item Item; all null for items without settings
// (Screen, Window, Client Window, Rectangle, Square) and outside 0 to 19.
const TShapeFields& ShapeFieldsOf(int item);

// Copies every per-shape setting of From into To.
void CopyShapeSettings(const ConfigRec& from, ConfigRec& to);
