// Reading and writing picture files by their name, as the program's open and
// save actions choose the format.
#pragma once

#include <QImage>
#include <string>

#include "imaging/ImageError.h"

enum class TImageFileType { Unknown, Bmp, Gif, Jpeg };

// By the last four characters of the name, in any letter case: ".BMP",
// ".GIF", ".JPG".
TImageFileType ImageFileTypeOf(const std::string& fileName);

// Opens a ".BMP" or ".JPG" file; EImageError "Unknown file type selected."
// for any other name, or the reader's error.
QImage LoadImageFile(const std::string& fileName);

// Writes Picture by the name's type: BMP at its own depth, GIF run-length
// coded (the picture is left at 24 bits per pixel when it was reduced), JPEG
// at quality 100. EImageError for another name or a failed write.
void SaveImageFile(QImage& picture, const std::string& fileName);
