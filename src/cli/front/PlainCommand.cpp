#include "cli/front/PlainCommand.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/front/Usage.h"
#include "imaging/core/ImageConvert.h"
#include "imaging/core/PartFiles.h"
#include "product/ProductName.h"

int ConvertCommand(const char* in, const char* out) {
    for (const char* name : {in, out}) {
        const TImageFileType type = ImageFileTypeOf(name);
        const bool readable = IsReadableImageFile(type);
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

int PlainCommand(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string_view arg = argc > 1 ? argv[1] : "";
    if (arg == "--help" || arg == "-h") {
        std::fputs(Usage.c_str(), stdout);
        return 0;
    }
    if (arg == "--version") {
        std::printf("%s %s\n", ProgramTitle, SNAPRIO_VERSION);
        return 0;
    }
    if (arg != "--convert") return -1;
    RemovePartFilesOnSignals();
    if (argc != 4) {
        std::fprintf(stderr, "snaprio: --convert takes IN and OUT\n%s", Usage.c_str());
        return 2;
    }
    return ConvertCommand(argv[2], argv[3]);
}
