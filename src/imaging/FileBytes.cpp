#include "imaging/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/ImageError.h"

namespace {
struct TFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<FILE, TFileCloser>;

[[noreturn]] void Fail(const char* what, const std::string& name, int err) {
    throw EImageError(std::string(what) + " " + name + ": " + std::strerror(err));
}
} // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& fileName) {
    TFile f(std::fopen(fileName.c_str(), "rb"));
    if (!f) Fail("Cannot read", fileName, errno);
    std::vector<uint8_t> bytes;
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    if (std::ferror(f.get())) Fail("Cannot read", fileName, errno ? errno : EIO);
    return bytes;
}

void WriteFileBytes(const std::string& fileName, const uint8_t* bytes, size_t size) {
    TFile f(std::fopen(fileName.c_str(), "wb"));
    if (!f) Fail("Cannot create", fileName, errno);
    if (size && std::fwrite(bytes, 1, size, f.get()) != size) Fail("Cannot write", fileName, errno);
    if (std::fclose(f.release()) != 0) Fail("Cannot write", fileName, errno);
}

TFileWriter::TFileWriter(const std::string& fileName) : Name(fileName) {
    File = std::fopen(fileName.c_str(), "wb");
    if (!File) Fail("Cannot create", fileName, errno);
}

TFileWriter::~TFileWriter() {
    if (!File) return;
    std::fclose(File);
    std::remove(Name.c_str());
}

void TFileWriter::Write(const uint8_t* bytes, size_t size) {
    if (size && std::fwrite(bytes, 1, size, File) != size) Fail("Cannot write", Name, errno);
}

void TFileWriter::Commit() {
    std::FILE* f = File;
    File = nullptr;
    if (std::fclose(f) != 0) {
        const int err = errno;
        std::remove(Name.c_str());
        Fail("Cannot write", Name, err);
    }
}

TMappedFile::TMappedFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot read", fileName, errno);
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ,
                       MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p != MAP_FAILED) {
            Map = static_cast<uint8_t*>(p);
            MapSize = static_cast<size_t>(st.st_size);
        }
    }
    ::close(fd);
    if (!Map) Copy = ReadFileBytes(fileName); // a pipe, an empty file, or no mapping to be had
}

TMappedFile::~TMappedFile() {
    if (Map) munmap(Map, MapSize);
}
