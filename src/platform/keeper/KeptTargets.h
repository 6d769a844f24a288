// The picture's targets as the program hands them to the keeper: one sealed
// nameless file of a header line per target, "NAME SIZE\n", an empty line,
// then the bytes of each target in turn. Made once, already encoded, so the
// keeper needs no encoder and holds the one picture only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TKeptTarget {
    std::string Name; // "image/png"
    const char* Data;
    size_t Size;
};

// A nameless file (memfd) that holds Targets, sealed against change; -1 when
// it cannot be made.
int WriteKeptTargets(const std::vector<TKeptTarget>& targets);

struct TKeptFile {
    std::shared_ptr<const void> Mapping; // keeps the targets' bytes
    std::vector<TKeptTarget> Targets;
};

// The targets of the file open as Fd, mapped; nothing when the file is not
// one that WriteKeptTargets made.
std::optional<TKeptFile> ReadKeptTargets(int fd);
