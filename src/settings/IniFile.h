// Private-profile (INI) files with the lookup rules of the classic Windows
// functions: sections and keys match without regard to ASCII case, the first
// of duplicate sections or keys wins, a missing file, section or key gives the
// caller's default, and lines that are not ours are kept when the file is saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
    // Reads the whole file now; a missing or unreadable file, or one that is
    // no regular file, reads as empty.
    explicit TIniFile(std::string path);

    const std::string& Path() const { return FPath; }

    // The value of Key in Section, at most MaxChars characters (UTF-8 code
    // points; a stray byte counts as one), or Default when there is none. One
    // pair of enclosing quotes, double or single, is dropped.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def,
                           size_t maxChars) const;

    // Sets Key in Section in memory, adding the key or the section when missing.
    // CR and LF in the value become blanks: a value must stay one line. A value
    // that reading would change (enclosing blanks or quotes) is put in quotes.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Writes every line to a temporary file beside the target and renames it
    // over the target, creating the folder when needed. The old file stays
    // untouched when anything fails; the result says whether it worked, and
    // Error gets the system's error number when not. The temporary file is
    // nameless while it is written (O_TMPFILE) where the file system allows
    // it, and orphans of saves that were killed are removed. A symbolic link
    // is written through: the file at the end of its chain is replaced (or
    // created), the link stays. A device in the file's place is written into.
    bool Save(int* error = nullptr) const;

private:
    struct TLocation {
        size_t SectionLine; // index of the header line, or npos
        size_t KeyLine;     // index of the key line, or npos
        size_t InsertAt;    // where a new key of that section goes
    };
    TLocation Find(std::string_view section, std::string_view key) const;
    bool SaveTo(const std::string& path, int& error) const;

    std::string FPath;
    std::vector<std::string> Lines; // without line ends
    bool CrLf = false;              // the file's own line ends are kept
};

// Cuts S to its first N characters without splitting a UTF-8 sequence.
std::string CutChars(std::string_view s, size_t n);
