#include "imaging/core/PixelPack.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Four pixels as three words at a time.
void BgrPlain(const uint8_t* s, uint8_t* d, int w) {
    int x = 0;
    for (; x + 4 <= w; x += 4, s += 16, d += 12) {
        uint32_t p[4];
        std::memcpy(p, s, 16);
        const uint32_t o[3] = {(p[0] & 0xFFFFFF) | p[1] << 24, (p[1] >> 8 & 0xFFFF) | p[2] << 16,
                               (p[2] >> 16 & 0xFF) | p[3] << 8};
        std::memcpy(d, o, 12);
    }
    for (; x < w; ++x, s += 4, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2];
}

void RgbPlain(const uint8_t* s, uint8_t* d, int w) {
    for (int x = 0; x < w; ++x, s += 4, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
}

using TPack = void (*)(const uint8_t*, uint8_t*, int);

#if defined(__x86_64__)
// Each store writes 4 bytes past the 12 it makes, which the next step
// overwrites, so the last pixels go the plain way.
template <bool Rgb, TPack Plain>
__attribute__((target("ssse3"))) void Shuffle(const uint8_t* s, uint8_t* d, int w) {
    const __m128i pick =
        Rgb ? _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1)
            : _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= w; x += 4, s += 16, d += 12)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(d),
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), pick));
    Plain(s, d, w - x);
}
#endif

template <bool Rgb, TPack Plain> void Pack(const uint8_t* s, uint8_t* d, int w) {
#if defined(__x86_64__)
    static const bool shuffle = __builtin_cpu_supports("ssse3");
    if (shuffle) return Shuffle<Rgb, Plain>(s, d, w);
#endif
    Plain(s, d, w);
}

} // namespace

void PackBgrxToBgr(const uint8_t* s, uint8_t* d, int w) {
    Pack<false, BgrPlain>(s, d, w);
}

void PackBgrxToRgb(const uint8_t* s, uint8_t* d, int w) {
    Pack<true, RgbPlain>(s, d, w);
}
