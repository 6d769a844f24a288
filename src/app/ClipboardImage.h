// The picture on the X11 CLIPBOARD selection as image/bmp and image/png.
#pragma once

#include <QImage>

// The program keeps owning the selection until another client takes it; at
// its end Qt hands the data to a clipboard manager where one runs. False
// when the clipboard could not be taken.
bool CopyToClip(const QImage& picture);
