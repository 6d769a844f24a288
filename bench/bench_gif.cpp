// GIF writing: our run-length writer against giflib's LZW writer on the same
// colour indexes, in one run.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include "BenchPictures.h"
#include "imaging/core/GIFImage.h"

namespace {

const QImage& Picture(int which) {
    static const QImage shot = ScreenshotPicture(), photo = PhotoPicture();
    return which == 0 ? shot : photo;
}

// The code stream alone, from the same indexes giflib gets.
void OurEncoder(benchmark::State& state) {
    QImage img = Picture(static_cast<int>(state.range(0)));
    TGIFImage gif;
    gif.Assign(img);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = gif.SaveToBytes().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * Picture(0).width() * Picture(0).height());
}

// Reduction, in-place conversion and coding: what a save costs.
void OurWriter(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        QImage img = Picture(static_cast<int>(state.range(0)));
        TGIFImage gif;
        gif.Assign(img);
        bytes = gif.SaveToBytes().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * Picture(0).width() * Picture(0).height());
}

int ToMemory(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<std::vector<uint8_t>*>(gif->UserData)
        ->insert(static_cast<std::vector<uint8_t>*>(gif->UserData)->end(), data, data + n);
    return n;
}

void GiflibWriter(benchmark::State& state) {
    // The same reduction first (not timed), then giflib's LZW on the indexes.
    QImage img = Picture(static_cast<int>(state.range(0)));
    TGIFImage ours;
    ours.Assign(img);
    const TGIFSubImage& frame = ours.Images[0];
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i)
        map->Colors[i] = {frame.ColorMap.Colors[i].Red, frame.ColorMap.Colors[i].Green,
                          frame.ColorMap.Colors[i].Blue};
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        int err = 0;
        GifFileType* gif = EGifOpen(&out, ToMemory, &err);
        EGifPutScreenDesc(gif, frame.Width, frame.Height, 8, 0, nullptr);
        EGifPutImageDesc(gif, 0, 0, frame.Width, frame.Height, false, map);
        for (int y = 0; y < frame.Height; ++y)
            EGifPutLine(
                gif, const_cast<GifPixelType*>(&frame.Data[static_cast<size_t>(y) * frame.Width]),
                frame.Width);
        EGifCloseFile(gif, &err);
        bytes = out.size();
    }
    GifFreeMapObject(map);
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * Picture(0).width() * Picture(0).height());
}

} // namespace

BENCHMARK(OurEncoder)->Arg(0)->Arg(1)->ArgName("photo")->Unit(benchmark::kMillisecond);
BENCHMARK(OurWriter)->Arg(0)->Arg(1)->ArgName("photo")->Unit(benchmark::kMillisecond);
BENCHMARK(GiflibWriter)->Arg(0)->Arg(1)->ArgName("photo")->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
