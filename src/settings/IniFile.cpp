#include "settings/IniFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t NoLine = std::string::npos;

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

// "[name]" gives name; anything else is not a section header.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line[0] != '[') return false;
    line.remove_prefix(1);
    size_t close = line.find(']');
    name = Trim(close == NoLine ? line : line.substr(0, close));
    return true;
}

// "key=value" gives both, trimmed; a line without "=" is no key.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == NoLine) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

// The profile functions drop one matching pair of enclosing quotes, and
// files written by other tools rely on it.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// One line, and quoted where reading would otherwise change it (enclosing
// blanks are trimmed, an enclosing pair of quotes dropped).
std::string StoredValue(std::string_view v) {
    std::string s(v);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    if (Unquote(Trim(s)) != s) s = '"' + s + '"';
    return s;
}

// Our temporary files beside the target: its name, a dot, six letters or digits.
bool IsOurTemporary(const std::string& name, const std::string& target) {
    if (name.size() != target.size() + 7 || name.compare(0, target.size(), target) != 0 ||
        name[target.size()] != '.')
        return false;
    for (size_t i = target.size() + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Removes temporary files that a killed save left behind. A live save holds
// a lock on its file until the rename, so only orphans are taken.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    std::error_code ec;
    const std::string base = target.filename().string();
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!IsOurTemporary(name, base) || !entry.is_regular_file(ec)) continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

std::string RandomSuffix() {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 rng(std::random_device{}());
    std::string s(6, 'A');
    for (char& c : s) c = digits[rng() % (sizeof(digits) - 1)];
    return s;
}

// A locked temporary file beside Target, ready for writing. Where the file
// system allows it the file has no name until Name() links it, so a save that
// is killed while writing leaves nothing behind.
class TTempFile {
public:
    explicit TTempFile(const std::string& target) : Target(target) {
        const std::filesystem::path t(target);
        const std::string dir = t.has_parent_path() ? t.parent_path().string() : ".";
        Fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (Fd < 0) {
            FName = target + ".XXXXXX";
            Fd = mkstemp(FName.data());
            if (Fd < 0) FName.clear();
        }
        if (Fd >= 0) ::flock(Fd, LOCK_EX);
    }
    ~TTempFile() {
        if (!FName.empty()) ::unlink(FName.c_str());
        if (Fd >= 0) ::close(Fd);
    }
    int Fd = -1;

    // Gives the file its temporary name (already named after mkstemp).
    bool Name() {
        if (!FName.empty()) return true;
        const std::string proc = "/proc/self/fd/" + std::to_string(Fd);
        for (int tries = 0; tries < 100; ++tries) {
            std::string name = Target + "." + RandomSuffix();
            if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                FName = name;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }
    // Renames the named file over the target; the lock stays until the close.
    bool Replace() {
        if (std::rename(FName.c_str(), Target.c_str()) != 0) return false;
        FName.clear();
        return true;
    }

private:
    std::string Target, FName;
};

// The whole file, or nothing when it is missing or no regular file: a
// device or a FIFO in its place is neither read to no end nor waited for.
std::string ReadRegular(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return text;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buf[1 << 14];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            text.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return text;
}

// Where a save lands: the end of a chain of symbolic links (settings kept
// with other dotfiles are linked in), which need not exist yet. ELOOP in
// Error for a chain that does not end.
std::string SaveTarget(const std::string& path, int& error) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::vector<char> buf(4096);
        const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
        if (n < 0) return target; // no link: the file itself, or nothing yet
        std::string link(buf.data(), static_cast<size_t>(n));
        const size_t slash = target.rfind('/');
        if (link[0] != '/' && slash != std::string::npos) link = target.substr(0, slash + 1) + link;
        target = link;
    }
    error = ELOOP;
    return {};
}

// Text written straight into a device or FIFO that stands for the file: it
// cannot be replaced by renaming, and must not be.
bool WriteInPlace(const std::string& path, const std::string& text, int& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return error = errno, false;
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return error = errno, false;
    return true;
}

} // namespace

std::string CutChars(std::string_view s, size_t n) {
    size_t i = 0, chars = 0;
    while (i < s.size() && chars < n) {
        unsigned char c = s[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > s.size()) len = 1;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) len = 1;
        i += len;
        ++chars;
    }
    return std::string(s.substr(0, i));
}

TIniFile::TIniFile(std::string path) : FPath(std::move(path)) {
    const std::string text = ReadRegular(FPath);
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == NoLine ? text.size() : nl;
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') {
            --stop;
            if (first && nl != NoLine) CrLf = true;
        }
        first = false;
        Lines.emplace_back(text, start, stop - start);
        start = nl == NoLine ? text.size() : nl + 1;
    }
}

TIniFile::TLocation TIniFile::Find(std::string_view section, std::string_view key) const {
    TLocation loc{NoLine, NoLine, NoLine};
    size_t i = 0;
    std::string_view name;
    for (; i < Lines.size(); ++i)
        if (SectionName(Lines[i], name) && SameText(name, section)) break;
    if (i == Lines.size()) return loc;
    loc.SectionLine = i;
    loc.InsertAt = i + 1;
    for (++i; i < Lines.size(); ++i) {
        std::string_view k, v;
        if (SectionName(Lines[i], name)) break;
        if (!Trim(Lines[i]).empty()) loc.InsertAt = i + 1;
        if (loc.KeyLine == NoLine && KeyValue(Lines[i], k, v) && SameText(k, key)) loc.KeyLine = i;
    }
    return loc;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def, size_t maxChars) const {
    TLocation loc = Find(section, key);
    if (loc.KeyLine == NoLine) return CutChars(def, maxChars);
    std::string_view k, v;
    KeyValue(Lines[loc.KeyLine], k, v);
    return CutChars(Unquote(v), maxChars);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string line = std::string(key) + "=" + StoredValue(value);
    TLocation loc = Find(section, key);
    if (loc.KeyLine != NoLine) {
        std::string_view k, v;
        KeyValue(Lines[loc.KeyLine], k, v);
        Lines[loc.KeyLine] = std::string(k) + "=" + StoredValue(value);
    } else if (loc.SectionLine != NoLine) {
        Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(loc.InsertAt), line);
    } else {
        if (!Lines.empty() && !Trim(Lines.back()).empty()) Lines.emplace_back();
        Lines.push_back("[" + std::string(section) + "]");
        Lines.push_back(line);
    }
}

bool TIniFile::Save(int* error) const {
    int err = 0;
    const bool ok = SaveTo(SaveTarget(FPath, err), err);
    if (!ok && error) *error = err ? err : EIO;
    return ok;
}

bool TIniFile::SaveTo(const std::string& path, int& error) const {
    namespace fs = std::filesystem;
    if (path.empty()) return false;
    std::error_code ec;
    fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    std::string text;
    const char* eol = CrLf ? "\r\n" : "\n";
    for (const auto& l : Lines) text.append(l).append(eol);

    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return error = EISDIR, false;
    if (exists && !S_ISREG(st.st_mode)) return WriteInPlace(path, text, error);

    RemoveStaleTemporaries(target);
    TTempFile tmp(path);
    if (tmp.Fd < 0) return error = errno, false;
    const int fd = tmp.Fd;
    // A settings file is as readable as any other file, or keeps its own mode.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
    for (size_t done = 0; done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return error = n < 0 ? errno : EIO, false;
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || !tmp.Name() || !tmp.Replace()) return error = errno, false;
    return true;
}
