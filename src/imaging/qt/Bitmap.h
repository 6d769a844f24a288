// Marks on the picture that the writers need to know: whether it is a
// device-independent bitmap read from a file (kept with its own colour table
// by the GIF writer) or a device-dependent screen grab (always reduced).
#pragma once

#include <QImage>

void SetDeviceIndependent(QImage& image, bool on = true);
bool IsDeviceIndependent(const QImage& image);
