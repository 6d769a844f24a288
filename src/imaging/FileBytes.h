// Whole files in and out of memory, with the system's error text on failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// EImageError "Cannot read NAME: reason" when the file cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& fileName);
// Creates or truncates the file and writes Bytes; EImageError on any failure.
void WriteFileBytes(const std::string& fileName, const uint8_t* bytes, size_t size);

// A file written piece by piece: created or truncated at once; Commit ends
// it. Destroyed without Commit (an error on the way), the file is removed.
class TFileWriter {
public:
    explicit TFileWriter(const std::string& fileName);
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;
    void Write(const uint8_t* bytes, size_t size); // EImageError on failure
    void Commit();

private:
    std::string Name;
    std::FILE* File = nullptr;
};

// A whole file mapped read-only (read into memory where it cannot be mapped);
// EImageError when it cannot be read.
class TMappedFile {
public:
    explicit TMappedFile(const std::string& fileName);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
    const uint8_t* Data() const { return Map ? Map : Copy.data(); }
    size_t Size() const { return Map ? MapSize : Copy.size(); }

private:
    uint8_t* Map = nullptr;
    size_t MapSize = 0;
    std::vector<uint8_t> Copy;
};
