#include "mail/SpoolRender.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ostream>
#include <streambuf>
#include <sys/resource.h>
#include <unistd.h>

#include "mail/MailErrors.h"
#include "mail/MailPump.h"
#include "mail/TempFileStream.h"
#include "mail/msencode.h"
#include "mail/msmsg.h"

// The render's output: straight into the spool at the end of what is written,
// each write made known to the reader once it is complete.
class TSpoolRender::TWriter : public std::streambuf {
public:
    explicit TWriter(TSpoolRender& owner) : Owner(owner) {}

protected:
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        std::streamsize done = 0;
        while (done < size && !Owner.StopAsked()) {
            const ssize_t n = ::pwrite(Owner.Fd, data + done, static_cast<size_t>(size - done),
                                       static_cast<off_t>(At + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        At += done;
        if (done > 0) Owner.Publish(At);
        return done;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }
    // The encoder starts by going to the start of the still empty spool.
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        if (off == 0 && (dir == std::ios_base::cur || (dir == std::ios_base::beg && At == 0)))
            return pos_type(At);
        return pos_type(off_type(-1));
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    TSpoolRender& Owner;
    int64_t At = 0;
};

TSpoolRender::TSpoolRender(const TmsMessage& message, TTempFileStream& spool)
    : Fd(spool.Descriptor()), SpoolPath(spool.Path()) {
    Worker = std::thread([this, &message] { Run(message); });
}

TSpoolRender::~TSpoolRender() {
    Stopping = true;
    Worker.join();
}

void TSpoolRender::Run(const TmsMessage& message) {
    MailPumpOffOnThisThread();
    // Far ahead of the data phase anyway: it yields to the server and the
    // sender where the processors are shared.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    std::exception_ptr failure;
    try {
        TWriter writer(*this);
        std::ostream out(&writer);
        RenderMessage(message, out);
        out.flush();
        if (!out) throw EMailError("Cannot write the temporary file " + SpoolPath);
    } catch (...) {
        failure = std::current_exception();
    }
    Failure = failure;
    Ended = true;
    Wake();
}

void TSpoolRender::Wake() {
    { const std::lock_guard<std::mutex> guard(Lock); } // a reader between its test and its sleep
    Grown.notify_all();
}

void TSpoolRender::Publish(int64_t written) {
    Written = written;
    Wake();
}

size_t TSpoolRender::Read(char* data, size_t size, int64_t pos, const std::function<bool()>& stop) {
    const auto enough = [&] { return Ended || Written - pos >= static_cast<int64_t>(size); };
    while (!enough()) {
        // Waiting for the render is waiting like any other: the window
        // stays live, and Cancel from it ends the wait.
        if (const int due = MailPumpDueMs(); due > 0) {
            std::unique_lock<std::mutex> lock(Lock);
            Grown.wait_for(lock, std::chrono::milliseconds(due), enough);
            continue;
        }
        MailPumpNow();
        if (stop && stop()) break;
    }
    CheckFailure();
    const int64_t have = Written - pos;
    const auto want = static_cast<size_t>(std::clamp<int64_t>(have, 0, static_cast<int64_t>(size)));
    size_t done = 0;
    while (done < want) {
        const ssize_t n = ::pread(Fd, data + done, want - done, static_cast<off_t>(pos + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw EMailError("Cannot read the temporary file " + SpoolPath);
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t TSpoolRender::Size() const {
    return Ended && !Failure ? Written.load() : -1;
}

bool TSpoolRender::Failed() const {
    return Ended && Failure;
}

void TSpoolRender::CheckFailure() {
    if (Ended && Failure) std::rethrow_exception(Failure);
}
