// Reading and writing picture files by their name, as the program's open and
// save actions choose the format.
#pragma once

#include <QImage>
#include <string>

#include "imaging/core/ImageConvert.h"

// Opens a ".BMP", ".JPG" or ".PNG" file; EImageError "Unknown file type selected."
// for any other name, or the reader's error.
QImage LoadImageFile(const std::string& fileName);

// Writes Picture by the name's type: BMP at its own depth, GIF run-length
// coded, JPEG at quality 100, PNG, straight from the picture's rows through the
// safe write path (TFileWriter). An 8-bit screen picture that GIF reduces is
// left at 24 bits per pixel. EImageError for another name or a failed write.
void SaveImageFile(QImage& picture, const std::string& fileName);
// The same in the format Type, whatever the name ends with.
void SaveImageFile(QImage& picture, const std::string& fileName, TImageFileType type);
