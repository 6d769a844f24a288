// Reading and writing picture files by their name, as the program's open and
// save actions choose the format.
#pragma once

#include <QImage>
#include <string>

#include "imaging/ImageError.h"
#include "imaging/Rows.h"

enum class TImageFileType { Unknown, Bmp, Gif, Jpeg };

// By the last four characters of the name, in any letter case: ".BMP",
// ".GIF", ".JPG".
TImageFileType ImageFileTypeOf(const std::string& fileName);

// Opens a ".BMP" or ".JPG" file; EImageError "Unknown file type selected."
// for any other name, or the reader's error.
QImage LoadImageFile(const std::string& fileName);

// Writes Picture by the name's type: BMP at its own depth, GIF run-length
// coded, JPEG at quality 100, straight from the picture's rows through the
// safe write path (TFileWriter). An 8-bit screen picture that GIF reduces is
// left at 24 bits per pixel. EImageError for another name or a failed write.
void SaveImageFile(QImage& picture, const std::string& fileName);
// The same in the format Type, whatever the name ends with.
void SaveImageFile(QImage& picture, const std::string& fileName, TImageFileType type);

// The same writers, from rows.
void WriteImageFile(TRowSource& rows, const std::string& fileName);
void WriteImageFile(TRowSource& rows, const std::string& fileName, TImageFileType type);

// Reads IN (".BMP" or ".JPG") and writes OUT by its type, passing rows from
// the mapped bitmap file or the JPEG decoder straight to the writer; only a
// JPEG written as BMP (whose rows go bottom-up) is decoded whole. Returns the
// reader's warning for a damaged JPEG that still decoded, else "".
std::string ConvertImageFile(const std::string& in, const std::string& out);
