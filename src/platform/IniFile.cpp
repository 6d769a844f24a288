#include "platform/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string OneLine(std::string_view v) {
    std::string s(v);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
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
    std::ifstream in(FPath, std::ios::binary);
    if (!in) return;
    std::ostringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
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
    return CutChars(v, maxChars);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string line = std::string(key) + "=" + OneLine(value);
    TLocation loc = Find(section, key);
    if (loc.KeyLine != NoLine) {
        std::string_view k, v;
        KeyValue(Lines[loc.KeyLine], k, v);
        Lines[loc.KeyLine] = std::string(k) + "=" + OneLine(value);
    } else if (loc.SectionLine != NoLine) {
        Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(loc.InsertAt), line);
    } else {
        if (!Lines.empty() && !Trim(Lines.back()).empty()) Lines.emplace_back();
        Lines.push_back("[" + std::string(section) + "]");
        Lines.push_back(line);
    }
}

bool TIniFile::Save() const {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(FPath);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);

    std::string text;
    const char* eol = CrLf ? "\r\n" : "\n";
    for (const auto& l : Lines) text.append(l).append(eol);

    std::string tmp = FPath + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return false;
    // mkstemp makes 0600; a settings file is as readable as any other file.
    mode_t mask = umask(0);
    umask(mask);
    struct stat st {};
    fchmod(fd, ::stat(FPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tmp.c_str(), FPath.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}
