// Data files, found by relative paths whose letter case may differ from the
// names on disk ("Sons/Laser.wav" and "sons/alien.wav" reach one directory).
#pragma once

#include <cstdio>
#include <string>

namespace plat {

// The path as it exists on disk, each component matched without regard to
// letter case when no exact match exists; the path unchanged when nothing
// matches.
std::string resolvePath(const char* path);
// The data file at path as it lies on disk, or an empty string when there
// is no such regular file.
std::string findDataFile(const char* path);
// Opens a data file for reading in binary mode, or returns null with errno
// telling why.
std::FILE* openDataFile(const char* path);

} // namespace plat
