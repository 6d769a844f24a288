#include "mail/TempFileStream.h"

#include <cstdlib>
#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <iostream>
#include <sys/mman.h> // memfd_create
#include <sys/stat.h>
#include <unistd.h>

#include "mail/MailErrors.h"
#include "mail/MailPump.h"

namespace {

constexpr off_t FreeStep = 2 << 20;      // bytes given back between two pumps
constexpr size_t BufferSize = 256 << 10; // bytes a read of the stream takes at once

// Where memfd is missing: a file in $TMPDIR, unlinked at once, so that it
// too has no name to leave behind.
int UnnamedTempFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/msXXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

} // namespace

TTempFileStream::TTempFileStream() {
    Fd = ::memfd_create("msspool", MFD_CLOEXEC);
    if (Fd < 0) Fd = UnnamedTempFile();
    if (Fd < 0) throw EMailError("Cannot create a temporary file");
    FPath = "/proc/self/fd/" + std::to_string(Fd);
    // Large reads and writes: the encoder writes a megabyte at a time, the
    // data phase reads through this buffer.
    Buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(
        ::dup(Fd), std::ios::in | std::ios::out | std::ios::binary, BufferSize);
    File = std::make_unique<std::iostream>(Buffer.get());
}

TTempFileStream::~TTempFileStream() {
    File.reset();
    Buffer.reset();
    // Giving a large file's pages back takes long: shrink it in steps with
    // the message loop pumped between them.
    struct stat st {};
    if (::fstat(Fd, &st) == 0)
        for (off_t size = st.st_size - FreeStep; size > 0; size -= FreeStep) {
            if (::ftruncate(Fd, size) != 0) break;
            MailPumpNow();
        }
    ::close(Fd);
}
