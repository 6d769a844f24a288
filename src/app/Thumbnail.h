// The delivery screen's thumbnail: the picture scaled down (never up) into
// the top-left corner of a 133 x 125 strip of the button-face colour.
#pragma once

#include <QColor>
#include <QImage>

QImage DrawThumb(const QImage& picture, QSize size, QColor face);
