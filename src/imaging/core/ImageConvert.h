// Picture files by their names, from rows, without Qt: what the command-line
// conversion needs.
#pragma once

#include <string>

#include "imaging/core/ImageError.h"
#include "imaging/core/Rows.h"

enum class TImageFileType { Unknown, Bmp, Gif, Jpeg, Png };

// By the name's extension, in any letter case: ".BMP", ".GIF", ".JPG" (also
// ".JPEG", the same files under their longer name), ".PNG".
TImageFileType ImageFileTypeOf(const std::string& fileName);
// Whether the program reads files of Type (BMP, JPEG and PNG; not GIF).
bool IsReadableImageFile(TImageFileType type);

// Writes the rows by the name's type: BMP (Index8 rows at 8 bits per pixel,
// others at 24), GIF run-length coded, JPEG at quality 100, PNG (WritePng), through the safe
// write path (TFileWriter). EImageError for another name or a failed write.
void WriteImageFile(TRowSource& rows, const std::string& fileName);
// The same in the format Type, whatever the name ends with.
void WriteImageFile(TRowSource& rows, const std::string& fileName, TImageFileType type);

// Reads IN (".BMP", ".JPG" or ".PNG") and writes OUT by its type, passing rows
// from the mapped bitmap file or the JPEG decoder straight to the writer; only a
// JPEG written as BMP (whose rows go bottom-up) is decoded whole, as a PNG
// file always is. Returns the
// reader's warning for a damaged JPEG that still decoded, else "".
std::string ConvertImageFile(const std::string& in, const std::string& out);
