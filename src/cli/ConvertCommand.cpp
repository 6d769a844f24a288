#include "cli/ConvertCommand.h"

#include <cstdio>
#include <string>

#include "imaging/ImageConvert.h"

int ConvertCommand(const char* in, const char* out) {
    for (const char* name : {in, out}) {
        const TImageFileType type = ImageFileTypeOf(name);
        const bool readable = type == TImageFileType::Bmp || type == TImageFileType::Jpeg;
        if (type == TImageFileType::Unknown || (name == in && !readable)) {
            std::fprintf(stderr, "snaprio: %s: Unknown file type selected.\n", name);
            return 2;
        }
    }
    try {
        const std::string warning = ConvertImageFile(in, out);
        if (!warning.empty())
            std::fprintf(stderr, "snaprio: %s: %s (converted as far as it decodes)\n", in,
                         warning.c_str());
    } catch (const EImageError& e) {
        std::fprintf(stderr, "snaprio: %s\n", e.what());
        return 1;
    }
    return 0;
}
