// A resident grab of the whole screen (kept shared segment, picture freed
// between grabs) against a memcpy of the same number of bytes.
#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

#include "platform/Display.h"
#include "platform/loader/PlatformLoader.h"

namespace {

void Grab(benchmark::State& state) {
    TDisplay& d = TheDisplay();
    const TRect screen{0, 0, d.ScreenWidth(), d.ScreenHeight()};
    for (auto _ : state) {
        QImage picture = d.Grab(screen);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{screen.Width()} * screen.Height() * 4);
}

void Memcpy(benchmark::State& state) {
    TDisplay& d = TheDisplay();
    const size_t bytes = size_t(d.ScreenWidth()) * d.ScreenHeight() * 4;
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

} // namespace

BENCHMARK(Grab)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!LoadPlatform()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
