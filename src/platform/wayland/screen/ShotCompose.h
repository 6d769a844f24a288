// Pictures of logical areas made from a shot's native output pictures: an
// area on one output is cut from that output's picture at its scale, pixel
// for pixel; an area across outputs of different scales is composed at the
// largest of their scales. What no output covers is black.
#pragma once

#include "platform/wayland/screen/OutputPicture.h"

// The smallest rectangle that holds every output.
TRect LayoutBounds(const TShot& shot);

// The picture of Area (logical): its Logical is Area, its size Area times the
// scale chosen as above; an empty picture for an empty area.
TOutputPicture ComposeArea(const TShot& shot, const TRect& area);
