// Rendering a message with a large attachment into a spool file, against the
// coreutils and sharutils encoders on the same bytes, in one run; and the
// longest pass between two pumps of the message loop meanwhile.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "mail/MailPump.h"
#include "mail/mscoding.h"
#include "mail/msencode.h"
#include "mail/msmsg.h"
#include "mail/mssmtp.h"

namespace {

using TClock = std::chrono::steady_clock;

double BestMs(int runs, const std::function<void()>& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t = TClock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(TClock::now() - t).count());
    }
    return best;
}

void RunTo(std::vector<const char*> argv, const char* out) {
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        execvp(argv[0], const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int st;
    waitpid(pid, &st, 0);
}

std::string RandomBytes(size_t size, uint64_t seed) {
    std::string data(size, '\0');
    std::mt19937_64 rng(seed);
    for (size_t i = 0; i + 8 <= data.size(); i += 8) {
        const uint64_t v = rng();
        std::memcpy(&data[i], &v, 8);
    }
    return data;
}

double Longest = 0; // the longest pass without a pump inside a render
TClock::time_point LastPump;

double Render(TmsMessage& m, const char* spool) {
    return BestMs(5, [&] {
        std::ofstream out(spool, std::ios::binary | std::ios::trunc);
        LastPump = TClock::now();
        RenderMessage(m, out);
        Longest = std::max(
            Longest, std::chrono::duration<double, std::milli>(TClock::now() - LastPump).count());
    });
}

// The capture mail of the benchmarks: one line of text, Data attached.
void CaptureMessage(TmsMessage& m, std::string data) {
    m.Sender.Address = "ann@example.org";
    m.Recipients.AddAddress("bob@example.net", "Bob");
    m.Body = {"The capture."};
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName("capture.bin");
    item->Data = std::move(data);
    m.Attachments.Add(std::move(item));
}

} // namespace

// Sends a message with a 20 MB attachment file to 127.0.0.1:Port, read as
// the program reads it, and reports the time and the longest pass between
// two pumps of the message loop, with where it fell.
int SendMode(int port) {
    const char* file = "/tmp/snaprio-bench-send.bin";
    {
        const std::string data = RandomBytes(20u << 20, 3);
        std::ofstream(file, std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    TmsMessage m;
    TmsSMTP smtp;
    smtp.SetWinsockLoaded(true);
    smtp.Server = "127.0.0.1:" + std::to_string(port);
    smtp.MailMessage = &m;
    const char* step = "start";
    const char* longestStep = "";
    int overFive = 0;
    // The same in this thread's processor time: the work between two pumps,
    // without the time other processes took the processor meanwhile.
    auto cpuNow = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    double lastCpu = cpuNow(), longestCpu = 0;
    const char* longestCpuStep = "";
    SetMailPump([&] {
        const auto now = TClock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - LastPump).count();
        if (gap > Longest) Longest = gap, longestStep = step;
        if (gap >= 5) ++overFive;
        const double cpu = cpuNow();
        if (cpu - lastCpu > longestCpu) longestCpu = cpu - lastCpu, longestCpuStep = step;
        lastCpu = cpu;
        LastPump = now;
    });
    smtp.OnPrepare = [&] { step = "render"; };
    smtp.OnSending = [&] { step = "data phase"; };
    smtp.OnMailSent = [&] { step = "spool freed, QUIT"; };
    const double ms = BestMs(3, [&] {
        LastPump = TClock::now();
        lastCpu = cpuNow();
        step = "clear";
        m.Clear();
        CaptureMessage(m, "");
        m.Attachments.Clear();
        step = "file read";
        m.Attachments.AddFile(file);
        step = "connect";
        smtp.Connect();
        smtp.Send();
        smtp.Disconnect();
    });
    std::printf("in-process send of a 20 MB attachment file: %.1f ms, longest pass between two "
                "pumps %.2f ms (in: %s), %d passes of 5 ms or more in 3 sends; longest in "
                "processor time %.2f ms (in: %s)\n",
                ms, Longest, longestStep, overFive, longestCpu, longestCpuStep);
    std::remove(file);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--send") return SendMode(std::atoi(argv[2]));
    const char* in = "/tmp/snaprio-bench-attachment.bin";
    const char* spool = "/tmp/snaprio-bench-spool.eml";
    const char* peer = "/tmp/snaprio-bench-peer.out";
    const std::string data = RandomBytes(50u << 20, 1);
    std::ofstream(in, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));

    TmsMessage m;
    CaptureMessage(m, data);

    SetMailPump([] {
        const auto now = TClock::now();
        Longest =
            std::max(Longest, std::chrono::duration<double, std::milli>(now - LastPump).count());
        LastPump = now;
    });
    const double ours64 = Render(m, spool);
    const double coreutils = BestMs(5, [&] { RunTo({"base64", "-w", "76", in}, peer); });
    m.Encoding = meUU;
    const double oursUU = Render(m, spool);
    const double sharutils = BestMs(5, [&] { RunTo({"uuencode", in, "capture.bin"}, peer); });
    SetMailPump({});

    std::string text;
    while (text.size() < (10u << 20))
        text += "A line of mail text with = signs, caf\xE9 and a tab\t in it.\r\n";
    const double qp = BestMs(3, [&] {
        std::vector<std::string> lines;
        TQuotedPrintable(text, lines).Encode();
    });

    std::printf(
        "50 MB attachment, MIME base64:  snaprio %7.1f ms   base64 -w 76 %7.1f ms   ratio %.2f\n",
        ours64, coreutils, ours64 / coreutils);
    std::printf(
        "50 MB attachment, uuencode:     snaprio %7.1f ms   uuencode     %7.1f ms   ratio %.2f\n",
        oursUU, sharutils, oursUU / sharutils);
    std::printf("longest pass between two pumps: %.2f ms\n", Longest);
    std::printf("quoted-printable of 10 MB of text: %.0f MB/s\n", 10.0 / (qp / 1000.0));
    std::remove(in);
    std::remove(spool);
    std::remove(peer);
    return 0;
}
