// The PNG library chosen by measurement: a 4K desktop (windows, text, icons)
// and a 4K photo-like picture written by each candidate at a few compression
// levels and filters. For each: the best time of three writes in memory and
// the file's size. Also leaves desktop.ppm and photo.ppm in DIR for the peer
// tools (bench/png.py).
// usage: bench_png DIR   (prints "picture candidate ms bytes")
#include <QGuiApplication>
#include <cstdio>
#include <functional>
#include <png.h>
#include <spng.h>
#include <string>
#include <time.h>
#include <vector>

#include "BenchPictures.h"
#include "imaging/qt/ImageRows.h"
#include "imaging/core/PngWriter.h"

namespace {
double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

using TBytes = std::vector<uint8_t>;

// libspng, zlib underneath, from RGB rows.
TBytes Spng(const QImage& rgb, int level, int filters) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level);
    spng_set_option(ctx, SPNG_FILTER_CHOICE, filters);
    spng_ihdr ihdr{static_cast<uint32_t>(rgb.width()),
                   static_cast<uint32_t>(rgb.height()),
                   8,
                   SPNG_COLOR_TYPE_TRUECOLOR,
                   0,
                   0,
                   0};
    spng_set_ihdr(ctx, &ihdr);
    spng_encode_image(ctx, rgb.constBits(), static_cast<size_t>(rgb.sizeInBytes()), SPNG_FMT_PNG,
                      SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    int err = 0;
    auto* buf = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &size, &err));
    TBytes out(buf, buf + size);
    free(buf);
    spng_ctx_free(ctx);
    return out;
}

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// libpng with zlib, from RGB rows.
TBytes Libpng(const QImage& rgb, int level, int filters) {
    TBytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, nullptr);
    png_set_compression_level(png, level);
    png_set_filter(png, 0, filters);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rgb.width()),
                 static_cast<png_uint_32>(rgb.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < rgb.height(); ++y) png_write_row(png, rgb.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TBytes Ours(const QImage& picture, int level, TPngFilter filter) {
    TBytes out;
    TImageRows rows(picture);
    WritePng(rows, [&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); },
             {level, filter});
    return out;
}

void Measure(const char* picture, const std::string& name, const std::function<TBytes()>& write) {
    double best = 1e9;
    size_t size = 0;
    for (int i = 0; i < 3; ++i) {
        const double t0 = Now();
        size = write().size();
        best = std::min(best, Now() - t0);
    }
    std::printf("%s %s %.1f %zu\n", picture, name.c_str(), best * 1000, size);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_png DIR [all]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string dir = argv[1];
    const bool all = argc > 2;
    const std::pair<const char*, QImage> pictures[] = {{"desktop", DesktopPicture()},
                                                       {"photo", PhotoPicture()}};
    const std::pair<const char*, TPngFilter> filters[] = {{"none", TPngFilter::None},
                                                          {"sub", TPngFilter::Sub},
                                                          {"up", TPngFilter::Up},
                                                          {"paeth", TPngFilter::Paeth},
                                                          {"adaptive", TPngFilter::Adaptive}};
    for (const auto& [name, picture] : pictures) {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        rgb.save(QString::fromStdString(dir + "/" + name + ".ppm"));
        Measure(name, "snaprio",
                [&] { return Ours(picture, TPngTuning{}.Level, TPngTuning{}.Filter); });
        if (!all) continue;
        const std::vector<int> levels = std::string(argv[2]) == "levels"
                                            ? std::vector<int>{2, 4, 5, 6}
                                            : std::vector<int>{1, 3, 4, 6, 9};
        for (int level : levels)
            for (const auto& [fname, filter] : filters)
                Measure(name, "libdeflate-" + std::to_string(level) + "-" + fname,
                        [&] { return Ours(picture, level, filter); });
        if (levels.size() == 4) continue;
        for (int level : {1, 3, 6}) {
            Measure(name, "libspng-" + std::to_string(level) + "-up",
                    [&] { return Spng(rgb, level, SPNG_FILTER_CHOICE_UP); });
            Measure(name, "libspng-" + std::to_string(level) + "-paeth",
                    [&] { return Spng(rgb, level, SPNG_FILTER_CHOICE_PAETH); });
            Measure(name, "libspng-" + std::to_string(level) + "-adaptive",
                    [&] { return Spng(rgb, level, SPNG_FILTER_CHOICE_ALL); });
            Measure(name, "libpng-" + std::to_string(level) + "-paeth",
                    [&] { return Libpng(rgb, level, PNG_FILTER_PAETH); });
            Measure(name, "libpng-" + std::to_string(level) + "-adaptive",
                    [&] { return Libpng(rgb, level, PNG_ALL_FILTERS); });
        }
    }
    return 0;
}
