// The JPEG writer in-process: compress a 4K screen picture at quality 100 and
// write the file, as the save action does.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

#include "BenchPictures.h"
#include "imaging/qt/jpeg.h"

namespace {

void JpegWriter(benchmark::State& state) {
    const QImage img = state.range(0) ? PhotoPicture() : ScreenshotPicture();
    const std::string file = "/tmp/snaprio-bench-" + std::to_string(getpid()) + ".jpg";
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.Assign(img);
        jpeg.CompressionQuality = 100;
        jpeg.Compress();
        jpeg.SaveToFile(file);
    }
    std::remove(file.c_str());
    state.SetItemsProcessed(state.iterations() * img.width() * img.height());
}

} // namespace

BENCHMARK(JpegWriter)->Arg(0)->Arg(1)->ArgName("photo")->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
