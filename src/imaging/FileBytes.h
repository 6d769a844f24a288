// Whole files in and out of memory, with the system's error text on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// EImageError "Cannot read NAME: reason" when the file cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& fileName);
// Creates or truncates the file and writes Bytes; EImageError on any failure.
void WriteFileBytes(const std::string& fileName, const uint8_t* bytes, size_t size);
