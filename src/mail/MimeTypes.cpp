#include "mail/MimeTypes.h"
#include "mail/mscoding.h"

#include <cctype>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

namespace {

struct TTable {
    std::string Path = "/etc/mime.types";
    bool Loaded = false;
    std::unordered_map<std::string, std::string> ByExtension;
};

TTable& Table() {
    static TTable table;
    return table;
}
std::mutex Lock;

void Load(TTable& t) {
    t.ByExtension.clear();
    std::ifstream in(t.Path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string type, ext;
        if (!(words >> type)) continue;
        while (words >> ext) t.ByExtension.emplace(LowerCase(ext), type); // the first wins
    }
    t.Loaded = true;
}

} // namespace

void SetMimeTypesFile(const std::string& path) {
    std::lock_guard g(Lock);
    Table().Path = path;
    Table().Loaded = false;
}

std::string ContentTypeOfExtension(std::string_view extension) {
    if (!extension.empty() && extension[0] == '.') extension.remove_prefix(1);
    if (extension.empty()) return {};
    std::lock_guard g(Lock);
    TTable& t = Table();
    if (!t.Loaded) Load(t);
    auto it = t.ByExtension.find(LowerCase(extension));
    return it == t.ByExtension.end() ? std::string() : it->second;
}
