#include "imaging/core/FileBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/core/ImageError.h"
#include "imaging/core/MapGuard.h"
#include "imaging/core/PartFiles.h"

namespace {
[[noreturn]] void Fail(const char* what, const std::string& name, int err) {
    throw EImageError(std::string(what) + " " + name + ": " + std::strerror(err));
}

// A regular file opened for reading, its size in St. Opening never waits (a
// FIFO without a writer would hold the caller forever), and devices, FIFOs
// and folders are refused: their bytes have no end.
int OpenRegular(const std::string& fileName, struct stat& st) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot read", fileName, errno);
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Cannot read", fileName, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode)) Fail("Cannot read", fileName, EISDIR);
        throw EImageError("Cannot read " + fileName + ": Not a regular file");
    }
    return fd;
}
} // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& fileName) {
    struct stat st {};
    const int fd = OpenRegular(fileName, st);
    std::vector<uint8_t> bytes;
    size_t done = 0;
    int err = 0;
    try {
        // The size at opening bounds the read: a file that grows meanwhile
        // is taken as it was.
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        err = ENOMEM;
    } catch (const std::length_error&) {
        err = ENOMEM;
    }
    while (err == 0 && done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (err != 0) Fail("Cannot read", fileName, err);
    bytes.resize(done); // a file that shrank meanwhile: what it still had
    return bytes;
}

void WriteFileBytes(const std::string& fileName, const uint8_t* bytes, size_t size) {
    TFileWriter file(fileName);
    file.Write(bytes, size);
    file.Commit();
}

namespace {
constexpr size_t WriteBuffer = size_t{1} << 18; // small pieces gathered into 256 KB writes

// A name for the finished file next to the target, unused at the time of asking.
std::string TempNameFor(const std::string& folder, const std::string& base, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    return folder + "/." + base + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(attempt) + ".part";
}
} // namespace

TFileWriter::TFileWriter(const std::string& fileName) : Name(fileName) {
    const size_t slash = fileName.rfind('/');
    Folder = slash == std::string::npos ? "." : slash == 0 ? "/" : fileName.substr(0, slash);
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (base.empty()) Fail("Cannot create", fileName, EISDIR);
    Fd = ::open(Folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (Fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No nameless files here: a named one, removed again on failure.
        for (unsigned attempt = 0; Fd < 0 && attempt < 100; ++attempt) {
            TempName = TempNameFor(Folder, base, attempt);
            Fd = ::open(TempName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (Fd < 0 && errno != EEXIST) break;
        }
        if (Fd < 0) TempName.clear();
        if (Fd >= 0) KeepPartFile(TempName);
    }
    if (Fd < 0) Fail("Cannot create", fileName, errno);
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(Fd, st.st_mode & 07777);
}

TFileWriter::~TFileWriter() {
    if (Fd < 0) return;
    ::close(Fd);
    if (TempName.empty()) return;
    ::unlink(TempName.c_str());
    ForgetPartFile(TempName);
}

void TFileWriter::WriteOut(const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(Fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", Name, errno);
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
}

void TFileWriter::Flush() {
    WriteOut(Buffer.data(), Used);
    Used = 0;
}

void TFileWriter::Write(const uint8_t* bytes, size_t size) {
    if (size == 0) return;
    if (Used + size > WriteBuffer && Used > 0) Flush();
    if (size >= WriteBuffer) {
        WriteOut(bytes, size); // large pieces go out as they are
        return;
    }
    if (Buffer.empty()) Buffer.resize(WriteBuffer);
    std::memcpy(Buffer.data() + Used, bytes, size);
    Used += size;
}

void TFileWriter::CopyFrom(int fd, uint64_t offset, size_t size) {
    Flush();
    auto at = static_cast<off64_t>(offset);
    while (size > 0) {
        const ssize_t n = ::copy_file_range(fd, &at, Fd, nullptr, size, 0);
        if (n > 0) {
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
            break; // no copying between these files: read and write below
        Fail("Cannot write", Name, errno);
    }
    if (Buffer.empty()) Buffer.resize(WriteBuffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd, Buffer.data(), std::min(size, WriteBuffer), at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("Cannot write", Name, n < 0 ? errno : EIO);
        WriteOut(Buffer.data(), static_cast<size_t>(n));
        at += n;
        size -= static_cast<size_t>(n);
    }
}

void TFileWriter::Commit() {
    Flush();
    if (TempName.empty()) {
        // Give the nameless file a name beside the target, then rename it over.
        const std::string self = "/proc/self/fd/" + std::to_string(Fd);
        const std::string base =
            Name.substr(Name.rfind('/') == std::string::npos ? 0 : Name.rfind('/') + 1);
        int err = EEXIST;
        for (unsigned attempt = 0; err == EEXIST && attempt < 100; ++attempt) {
            TempName = TempNameFor(Folder, base, attempt);
            err =
                ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, TempName.c_str(), AT_SYMLINK_FOLLOW) == 0
                    ? 0
                    : errno;
        }
        if (err != 0) {
            TempName.clear();
            Fail("Cannot write", Name, err);
        }
        KeepPartFile(TempName);
    }
    const int fd = Fd;
    Fd = -1;
    int err = ::close(fd) == 0 ? 0 : errno;
    if (err == 0 && ::rename(TempName.c_str(), Name.c_str()) != 0) err = errno;
    if (err != 0) ::unlink(TempName.c_str());
    ForgetPartFile(TempName);
    if (err != 0) Fail("Cannot write", Name, err);
}

void (*AfterFileMapped)(int fd) = nullptr;

TMappedFile::TMappedFile(const std::string& fileName) : Name(fileName) {
    struct stat st {};
    const int fd = OpenRegular(fileName, st);
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t size = static_cast<size_t>(st.st_size);
    if (size > 0) {
        void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p != MAP_FAILED) {
            Guard = std::make_unique<TMapGuard>(p, (size + page - 1) / page * page);
            if (Guard->Active()) {
                Map = static_cast<uint8_t*>(p);
                MapSize = size;
            } else {
                Guard.reset();
                munmap(p, size);
            }
        }
    }
    if (Map) {
        FileFd = fd; // kept: its bytes can also be copied file to file
        if (AfterFileMapped) AfterFileMapped(fd);
        return;
    }
    ::close(fd);
    Copy = ReadFileBytes(fileName); // an empty file, or no mapping to be had
}

TMappedFile::~TMappedFile() {
    Guard.reset();
    if (FileFd >= 0) ::close(FileFd);
    if (Map) munmap(Map, MapSize);
}

bool TMappedFile::Truncated() const {
    if (!Map) return false;
    struct stat st {};
    // Pages that vanished under the reader, or a shrunk file whose bytes the
    // kernel was to copy.
    return Guard->Lost() ||
           (fstat(FileFd, &st) == 0 && static_cast<uint64_t>(st.st_size) < MapSize);
}

void TMappedFile::CheckWhole() const {
    if (Truncated())
        throw EImageError("Cannot read " + Name + ": the file was truncated while it was read");
}
