#include "mail/TempFileStream.h"

#include <cstdlib>
#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <iostream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mail/MailErrors.h"
#include "mail/MailPump.h"

namespace {

constexpr off_t FreeStep = 2 << 20; // bytes given back between two pumps

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
    Buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(
        ::dup(Fd), std::ios::in | std::ios::out | std::ios::binary);
    File = std::make_unique<std::iostream>(Buffer.get());
}

TTempFileStream::~TTempFileStream() {
    Unmap();
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

std::string_view TTempFileStream::Map() {
    Unmap();
    File->flush();
    struct stat st {};
    if (::fstat(Fd, &st) != 0 || st.st_size <= 0) return {};
    void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED | MAP_POPULATE,
                     Fd, 0);
    if (p == MAP_FAILED) return {};
    Mapped = p;
    MappedSize = static_cast<size_t>(st.st_size);
    return {static_cast<const char*>(p), MappedSize};
}

void TTempFileStream::Unmap() {
    if (Mapped) ::munmap(Mapped, MappedSize);
    Mapped = nullptr;
}
