// The socket's data phase: a stream or a growing source sent in chunks, with
// the progress of what the peer has taken, not of what the kernel here took in.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <poll.h>
#include <utility>
#include <vector>

#include "mail/MailPump.h"
#include "mail/agsocket.h"

namespace {

constexpr size_t ChunkSize = 2047; // stream chunk of OnProgress
constexpr size_t SendBatch = 32 * ChunkSize;

// A stream of known size, read from its start.
class TStreamSource : public TSendSource {
public:
    explicit TStreamSource(std::istream& stream) : Stream(stream) {
        Stream.clear();
        Stream.seekg(0, std::ios::end);
        FSize = static_cast<int64_t>(Stream.tellg());
        Stream.seekg(0);
    }
    size_t Read(char* data, size_t size, int64_t, const std::function<bool()>&) override {
        Stream.read(data, static_cast<std::streamsize>(size));
        return static_cast<size_t>(Stream.gcount());
    }
    int64_t Size() const override { return FSize; }

private:
    std::istream& Stream;
    int64_t FSize = 0;
};

} // namespace

void TagSocket::SendStream(std::istream& stream, const TSendFilter& filter) {
    if (!Connected()) RaiseSocketError(sckNotConnected);
    TStreamSource source(stream);
    SendSource(source, filter);
}

void TagSocket::SendSource(TSendSource& source, const TSendFilter& filter) {
    if (!Connected()) RaiseSocketError(sckNotConnected);
    FPeerSpoke = false;
    // Read a batch at a time, handed out in chunks of ChunkSize.
    std::vector<char> batch(SendBatch);
    size_t have = 0, taken = 0; // bytes in Batch, and how many of them are handed out
    int64_t at = 0;             // the source's position after the bytes in Batch
    bool ended = false;         // the source gave fewer than asked: it has no more
    const std::function<bool()> stop = [this] { return Canceled; };
    auto next = [&] {
        if (have - taken < ChunkSize && !ended) {
            std::memmove(batch.data(), batch.data() + taken, have - taken);
            have -= taken;
            taken = 0;
            const size_t want = batch.size() - have;
            const size_t got = source.Read(batch.data() + have, want, at, stop);
            if (Canceled) RaiseCanceled();
            Counter.Start(); // waiting for the source is no stall of the peer's
            ended = got < want;
            have += got;
            at += static_cast<int64_t>(got);
        }
        const size_t n = std::min(ChunkSize, have - taken);
        const std::string_view chunk(batch.data() + taken, n);
        taken += n;
        return chunk;
    };

    std::string out;
    TDataProgress progress;
    progress.Size = source.Size();
    bool last = false, heldBack = false;
    Counter.Start();
    while (!last) {
        const std::string_view chunk = next();
        last = chunk.size() < ChunkSize;
        if (filter)
            filter(chunk, out);
        else
            out.append(chunk);
        progress.Chunks.emplace_back(progress.Handed + static_cast<int64_t>(out.size()),
                                     at - static_cast<int64_t>(have - taken));
        MailPump();
        if (Canceled) RaiseCanceled();
        if (out.size() < SendBatch && !last) continue;
        // The peer answering now means it refused the data: stop and let the
        // caller read what it said.
        if (PeerHasSpoken() || !SendAll(out.data(), out.size(), &progress)) {
            FPeerSpoke = true;
            Counter.Stop();
            return;
        }
        out.clear();
        if (progress.Size < 0) progress.Size = last ? at : source.Size();
        if (progress.Size < 0) {
            heldBack = true;
            continue;
        }
        // Progress held back until the size was known shows at once: the
        // rest may go out faster than the next pump comes.
        if (ReportTaken(progress) && std::exchange(heldBack, false)) MailPumpNow();
        if (Canceled) RaiseCanceled();
    }
    // The end of the data waits until the peer has taken the rest: the bar
    // follows the server to the end, and a Cancel until then finds the end
    // of the data still unsent.
    if (!DrainData(progress)) {
        FPeerSpoke = true;
        Counter.Stop();
        return;
    }
    Counter.Stop();
    if (OnProgress) OnProgress(0, 0);
}

bool TagSocket::ReportTaken(TDataProgress& p) {
    // Over TLS the queue counts records with their overhead: what was taken
    // is then said a little late, never early.
    p.Taken = std::max(p.Taken, p.Handed - Transport.Unacknowledged());
    if (p.Size < 0) return false;
    bool reported = false;
    while (!p.Chunks.empty() && p.Chunks.front().first <= p.Taken) {
        const int64_t pos = p.Chunks.front().second;
        p.Chunks.pop_front();
        reported = true;
        if (!OnProgress) continue;
        const double exact =
            p.Size > 0 ? static_cast<double>(pos) * 100.0 / static_cast<double>(p.Size) : 0;
        OnProgress(static_cast<int>(std::nearbyint(exact)), static_cast<int>(pos));
    }
    return reported;
}

bool TagSocket::DrainData(TDataProgress& p) {
    Counter.Start();
    for (;;) {
        const int64_t taken = p.Taken;
        ReportTaken(p);
        if (p.Taken > taken) Counter.Start(); // the time-out limits a stall
        if (p.Chunks.empty()) return true;
        const short ev = PollTurn(POLLIN);
        if (Canceled) RaiseCanceled();
        if (ev & (POLLIN | POLLHUP | POLLERR)) {
            if (PeerHasSpoken()) return false;
            // A reset: no answer, and the data cannot all have arrived.
            if (ev & (POLLHUP | POLLERR)) RaiseSocketError(wsaConnectionReset);
        }
        if (Counter.TimedOut) RaiseTimeOut();
    }
}
