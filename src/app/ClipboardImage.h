// The picture on the X11 CLIPBOARD selection as image/bmp and image/png.
#pragma once

#include <QImage>

// The program keeps owning the selection until another client takes it; at
// its end a clipboard manager or the keeper takes it over (TClipboard::HandOver).
// False when the clipboard could not be taken.
bool CopyToClip(const QImage& picture);
