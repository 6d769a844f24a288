// The spool of a send: a temporary file held in memory (memfd). It has no
// name in any folder and lives only as long as its descriptor, so neither a
// signal nor a crash can leave the rendered message behind, and it costs no
// disk writeback.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

class TTempFileStream {
public:
    TTempFileStream();
    // Frees the memory in steps with the message loop pumped between them.
    ~TTempFileStream();
    TTempFileStream(const TTempFileStream&) = delete;
    TTempFileStream& operator=(const TTempFileStream&) = delete;

    std::iostream& Stream() { return *File; }
    // A path that opens the file while it lives ("/proc/self/fd/N").
    const std::string& Path() const { return FPath; }
    // The file itself, for reads and writes by position.
    int Descriptor() const { return Fd; }

private:
    int Fd = -1;
    std::string FPath;
    std::unique_ptr<std::streambuf> Buffer;
    std::unique_ptr<std::iostream> File;
};
