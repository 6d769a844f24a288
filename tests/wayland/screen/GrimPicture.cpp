#include "GrimPicture.h"

#include <sstream>

#include "TestSupport.h"

TOutputPicture FromPpm(const std::string& ppm) {
    TOutputPicture picture;
    // P6, width, height, 255, one white space, then RGB triples.
    std::istringstream in(ppm);
    std::string magic;
    int width = 0, height = 0, depth = 0;
    in >> magic >> width >> height >> depth;
    in.get();
    const size_t start = size_t(in.tellg());
    if (magic != "P6" || depth != 255 || width <= 0 || height <= 0 ||
        ppm.size() - start != size_t(width) * height * 3)
        return picture;
    picture.Width = width;
    picture.Height = height;
    picture.Pixels.resize(size_t(width) * height);
    const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data() + start);
    for (auto& p : picture.Pixels) {
        p = 0xff000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        rgb += 3;
    }
    return picture;
}

TOutputPicture GrimOutput(const std::string& name) {
    std::string ppm;
    TOutputPicture picture;
    if (RunCommand({"grim", "-t", "ppm", "-o", name, "-"}, &ppm) == 0) picture = FromPpm(ppm);
    picture.Name = name;
    return picture;
}
