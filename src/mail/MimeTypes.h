// Content type of a file extension, from the system's table (/etc/mime.types).
#pragma once

#include <string>
#include <string_view>

// Extension with or without its dot, any letter case; "" when unknown.
std::string ContentTypeOfExtension(std::string_view extension);

// Reads another table instead of /etc/mime.types (tests).
void SetMimeTypesFile(const std::string& path);
