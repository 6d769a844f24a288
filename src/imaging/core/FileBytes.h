// Whole files in and out of memory, with the system's error text on failure.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where a writer hands its bytes as it produces them.
using TByteSink = std::function<void(const uint8_t*, size_t)>;

// EImageError "Cannot read NAME: reason" when the file cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& fileName);
// Writes Bytes as the whole file through TFileWriter; EImageError on any failure.
void WriteFileBytes(const std::string& fileName, const uint8_t* bytes, size_t size);

// The one way a picture file is written. The bytes go to a temporary file in
// the target's folder (nameless where the file system allows it), and Commit
// puts that file in the target's place in one rename. Until then, and after
// any failure (full disk, file size limit, an error of the coder), the target
// is as it was and nothing else is left in the folder. A file that is
// replaced keeps its permission bits.
class TFileWriter {
public:
    explicit TFileWriter(const std::string& fileName); // EImageError "Cannot create NAME: ..."
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;
    void Write(const uint8_t* bytes, size_t size); // EImageError "Cannot write NAME: ..."
    // Size bytes of the open file Fd from Offset on, copied in the kernel.
    void CopyFrom(int fd, uint64_t offset, size_t size);
    void Commit();
    TByteSink Sink() {
        return [this](const uint8_t* d, size_t n) { Write(d, n); };
    }

private:
    void Flush();
    void WriteOut(const uint8_t* bytes, size_t size);

    std::string Name, Folder, TempName; // TempName: only where no nameless file can be had
    int Fd = -1;
    std::vector<uint8_t> Buffer;
    size_t Used = 0;
};

class TMapGuard;

// A whole regular file mapped read-only (read into memory where it cannot be
// mapped); EImageError when it cannot be read or is no regular file. A file
// that shrinks while it is mapped reads as zeros past its new end; Read and
// CheckWhole then report it as truncated.
class TMappedFile {
public:
    explicit TMappedFile(const std::string& fileName);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
    const uint8_t* Data() const { return Map ? Map : Copy.data(); }
    size_t Size() const { return Map ? MapSize : Copy.size(); }
    int Fd() const { return FileFd; } // -1 when the file was read, not mapped
    // Whether the file lost bytes since it was mapped.
    bool Truncated() const;
    // EImageError "Cannot read NAME: the file was truncated while it was read".
    void CheckWhole() const;
    // Read(): its result, or its error, unless the file was truncated
    // meanwhile: then that is the error, whatever the zeros made of the bytes.
    template <class F> auto Read(F&& read) const {
        try {
            auto result = read();
            CheckWhole();
            return result;
        } catch (...) {
            CheckWhole();
            throw;
        }
    }

private:
    std::string Name;
    int FileFd = -1;
    uint8_t* Map = nullptr;
    size_t MapSize = 0;
    std::vector<uint8_t> Copy;
    std::unique_ptr<TMapGuard> Guard;
};

// Test seam: called with the open file between mapping it and reading it.
extern void (*AfterFileMapped)(int fd);
