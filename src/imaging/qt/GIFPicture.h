// The GIF writer's side that takes a QImage.
#pragma once

class QImage;

// Converts Bitmap to 24 bits per pixel where the writer reduces a format it
// does not read directly, as the callers' picture stays afterwards. True when
// the rows are read as they are (32-bit and 24-bit B, G, R pictures).
bool PrepareGIFPicture(QImage& bitmap);
