#include "settings/Paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeDir() {
    std::string home = Env("HOME");
    return home.empty() ? std::string("/tmp") : home;
}

// Short stable tag of the runtime folder (FNV-1a), for object names.
std::string Tag() {
    uint32_t h = 2166136261u;
    for (unsigned char c : RuntimeDir()) h = (h ^ c) * 16777619u;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%08x", static_cast<unsigned>(getuid()), h);
    return buf;
}

} // namespace

std::string IniFilePath() {
    std::string forced = Env("SNAPRIO_INI");
    if (!forced.empty()) return forced;
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') base = HomeDir() + "/.config";
    return base + "/snaprio/SNAPRO.INI";
}

std::string FallbackRuntimeDir() {
    return "/tmp/snaprio-" + std::to_string(getuid());
}

std::string RuntimeDir() {
    std::string dir = Env("XDG_RUNTIME_DIR");
    if (!dir.empty() && dir[0] == '/') return dir;
    // Anyone can make this name in /tmp first: a folder of another user, or
    // one that others can write, would let them plant links to our files,
    // answer our commands or hold our marker.
    dir = FallbackRuntimeDir();
    ::mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return {};
    return dir;
}

std::string RuntimeDirRefusal() {
    return "The folder " + FallbackRuntimeDir() +
           " belongs to another user or others can write to it; remove it or set "
           "XDG_RUNTIME_DIR.";
}

std::string SharedBlockName() {
    return "/VRYZ1KGR." + Tag();
}
std::string MutexName() {
    return "/VR67aQeR." + Tag();
}
std::string MarkerPath() {
    const std::string dir = RuntimeDir();
    return dir.empty() ? dir : dir + "/VREX2321Z";
}

std::string DataDir() {
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') base = HomeDir() + "/.local/share";
    return base + "/snaprio";
}
