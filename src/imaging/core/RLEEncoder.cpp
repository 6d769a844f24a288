#include "imaging/core/RLEEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "imaging/core/ImageError.h"

namespace {

constexpr int PaletteSize = 256;

// Run-length GIF code stream: runs of one index are sent as codes the decoder
// builds for itself (p, pp, ppp, ...), so no dictionary is kept or searched.
class TRunLengthCoder {
public:
    TRunLengthCoder(int minCodeSize, const TByteSink& sink)
        : ClearCode(1 << minCodeSize), EndCode(ClearCode + 1), RunBase(ClearCode + 2),
          InitBits(minCodeSize + 1), BumpInit(ClearCode - 1),
          ClearInit(minCodeSize <= 3 ? 9 : ClearCode - 2), MaxCodes(4095 - RunBase), Sink(sink) {
        const uint8_t size = static_cast<uint8_t>(minCodeSize);
        Sink(&size, 1);
        Width = InitBits;
        Clear();
    }

    void Encode(const uint8_t* pixels, size_t count, int colorCount) {
        const bool check = colorCount < PaletteSize;
        const uint8_t* end = pixels + count;
        const uint8_t* p = pixels;
        while (p < end) {
            const uint8_t pixel = *p;
            if (check && pixel >= colorCount) throw GIFException("Color not in color table");
            const uint8_t* q = p + 1;
            while (q < end && *q == pixel) ++q;
            RunPixel = pixel;
            Flush(static_cast<int64_t>(q - p));
            p = q;
        }
        Emit(EndCode);
        EndStream();
    }

private:
    // Codes are packed into Raw first and framed into sub-blocks when Raw is
    // full: the per-code path is a shift and, every 32 bits, one store.
    void Emit(int code) {
        Acc |= static_cast<uint64_t>(code) << AccBits;
        AccBits += Width;
        if (AccBits >= 32) {
            if (RawLen + 8 > Raw.size()) SendBlocks(false);
            const uint32_t word = static_cast<uint32_t>(Acc);
            std::memcpy(&Raw[RawLen], &word, 4); // little-endian: least significant bits first
            RawLen += 4;
            Acc >>= 32;
            AccBits -= 32;
        }
    }
    void EndStream() {
        if (RawLen + 16 > Raw.size()) SendBlocks(false);
        while (AccBits > 0) {
            Raw[RawLen++] = static_cast<uint8_t>(Acc & 0xFF);
            Acc >>= 8;
            AccBits -= 8;
        }
        AccBits = 0;
        SendBlocks(true);
    }
    // Frames Raw into sub-blocks of 255 bytes for the sink; a short last one
    // and the terminator only at the end, so the blocks fall where they would
    // if the stream were framed whole.
    void SendBlocks(bool last) {
        const size_t bytes = last ? RawLen : RawLen / 255 * 255;
        uint8_t* o = Framed.data();
        for (size_t at = 0; at < bytes; at += 255) {
            const size_t n = std::min<size_t>(255, bytes - at);
            *o++ = static_cast<uint8_t>(n);
            std::memcpy(o, &Raw[at], n);
            o += n;
        }
        if (last) *o++ = 0;
        Sink(Framed.data(), static_cast<size_t>(o - Framed.data()));
        std::memmove(Raw.data(), Raw.data() + bytes, RawLen - bytes);
        RawLen -= bytes;
    }
    void Clear() {
        BumpAt = BumpInit;
        ClearAt = ClearInit;
        Written = 0;
        RunTableMax = 0;
        JustCleared = true;
        Emit(ClearCode);
        Width = InitBits;
    }
    void EmitPlain(int code) {
        JustCleared = false;
        Emit(code);
        ++Written;
        if (Written >= BumpAt) {
            BumpAt += 1 << Width;
            ++Width;
        }
        if (Written >= ClearAt) Clear();
    }
    // Codes needed to send Count pixels with run codes growing one by one.
    static int64_t Triangle(int64_t count, int64_t limit) {
        const int64_t t = limit * (limit + 1) / 2;
        const int64_t rest = count % t;
        return limit * (count / t) + (rest ? TriangleRoot(rest) : 0);
    }
    // The smallest n with n (n + 1) / 2 >= Rest; short runs from a table.
    static int64_t TriangleRoot(int64_t rest) {
        static const auto table = [] {
            std::array<uint8_t, 4096> t{};
            for (int r = 1, n = 1; r < 4096; ++r) {
                while (n * (n + 1) / 2 < r) ++n;
                t[r] = static_cast<uint8_t>(n);
            }
            return t;
        }();
        if (rest < 4096) return table[rest];
        int64_t n = static_cast<int64_t>(std::sqrt(2.0 * static_cast<double>(rest)));
        while (n > 0 && (n - 1) * n / 2 >= rest) --n;
        while (n * (n + 1) / 2 < rest) ++n;
        return n;
    }
    void FlushFromClear(int64_t count) {
        ClearAt = MaxCodes;
        RunTablePixel = RunPixel;
        int n = 1;
        while (count > 0) {
            if (n == 1) {
                RunTableMax = 1;
                EmitPlain(RunPixel);
                count -= 1;
            } else if (count >= n) {
                RunTableMax = n;
                EmitPlain(RunBase + n - 2);
                count -= n;
            } else {
                RunTableMax += 1;
                EmitPlain(count == 1 ? RunPixel : RunBase + static_cast<int>(count) - 2);
                break;
            }
            n = Written == 0 ? 1 : n + 1;
        }
        ClearAt = ClearInit;
        if (Written >= ClearAt) Clear();
    }
    void FlushClearOrRepeat(int64_t count) {
        if (Triangle(count, MaxCodes) + 1 < count) {
            Clear();
            FlushFromClear(count);
        } else {
            for (int64_t i = 0; i < count; ++i) EmitPlain(RunPixel);
        }
    }
    void FlushWithTable(int64_t count) {
        int64_t reps = count / RunTableMax;
        int64_t rest = count % RunTableMax;
        int64_t restCost = rest > 0 ? 1 : 0;
        if (Written + reps + restCost > MaxCodes) {
            reps = MaxCodes - Written;
            rest = count - reps * RunTableMax;
            restCost = 1 + Triangle(rest, MaxCodes);
        }
        if (1 + Triangle(count, MaxCodes) < reps + restCost) {
            Clear();
            FlushFromClear(count);
            return;
        }
        ClearAt = MaxCodes;
        for (int64_t i = 0; i < reps; ++i) EmitPlain(RunBase + RunTableMax - 2);
        if (rest > 0) {
            if (JustCleared)
                FlushFromClear(rest);
            else if (rest == 1)
                EmitPlain(RunPixel);
            else
                EmitPlain(RunBase + static_cast<int>(rest) - 2);
        }
        ClearAt = ClearInit;
        if (Written >= ClearAt) Clear();
    }
    void Flush(int64_t count) {
        if (count == 1)
            EmitPlain(RunPixel);
        else if (JustCleared)
            FlushFromClear(count);
        else if (RunTableMax > 1 && RunTablePixel == RunPixel)
            FlushWithTable(count);
        else
            FlushClearOrRepeat(count);
    }

    const int ClearCode, EndCode, RunBase, InitBits, BumpInit, ClearInit, MaxCodes;
    static constexpr size_t RawSize = 255 * 1024 + 64;
    const TByteSink& Sink;
    std::vector<uint8_t> Raw = std::vector<uint8_t>(RawSize);
    std::vector<uint8_t> Framed = std::vector<uint8_t>(RawSize / 255 * 256 + 512);
    size_t RawLen = 0;
    uint64_t Acc = 0;
    int AccBits = 0;
    int Width = 0, Written = 0, BumpAt = 0, ClearAt = 0;
    int RunTableMax = 0, RunTablePixel = -1, RunPixel = -1;
    bool JustCleared = false;
};

} // namespace

void TRLEEncoder(const uint8_t* pixels, size_t count, int colorCount, int minCodeSize,
                 const TByteSink& sink) {
    TRunLengthCoder coder(minCodeSize, sink);
    coder.Encode(pixels, count, colorCount);
}

void TRLEEncoder(const uint8_t* pixels, size_t count, int colorCount, int minCodeSize,
                 std::vector<uint8_t>& out) {
    TRLEEncoder(pixels, count, colorCount, minCodeSize,
                [&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
}
