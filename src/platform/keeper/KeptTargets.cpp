#include "platform/keeper/KeptTargets.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

int WriteKeptTargets(const std::vector<TKeptTarget>& targets) {
    const int fd = memfd_create("snaprio-clipboard", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return -1;
    std::string header;
    for (const TKeptTarget& t : targets) header += t.Name + ' ' + std::to_string(t.Size) + '\n';
    header += '\n';
    bool ok = WriteAll(fd, header.data(), header.size());
    for (const TKeptTarget& t : targets) ok = ok && WriteAll(fd, t.Data, t.Size);
    // The keeper maps the file: no one may cut it under the mapping.
    ok =
        ok && fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<TKeptFile> ReadKeptTargets(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return std::nullopt;
    // A file that could still shrink would end the keeper with SIGBUS.
    const int seals = fcntl(fd, F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK)) return std::nullopt;
    const size_t size = size_t(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) return std::nullopt;
    TKeptFile file;
    file.Mapping.reset(map, [size](const void* p) { munmap(const_cast<void*>(p), size); });
    const std::string_view all(static_cast<const char*>(map), size);
    const size_t end = all.find("\n\n");
    if (end == std::string_view::npos) return std::nullopt;
    size_t at = end + 2;
    for (std::string_view header = all.substr(0, end + 1); !header.empty();) {
        const size_t eol = header.find('\n'), space = header.rfind(' ', eol);
        if (space == std::string_view::npos || space == 0) return std::nullopt;
        size_t bytes = 0;
        const char* digits = header.data() + space + 1;
        if (std::from_chars(digits, header.data() + eol, bytes).ptr != header.data() + eol ||
            bytes > size - at)
            return std::nullopt;
        file.Targets.push_back({std::string(header.substr(0, space)), all.data() + at, bytes});
        at += bytes;
        header.remove_prefix(eol + 1);
    }
    if (at != size || file.Targets.empty()) return std::nullopt;
    return file;
}
