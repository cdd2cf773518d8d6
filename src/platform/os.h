// What the shared platform code needs of the operating system beyond the
// C++ standard library: opening a data file so that what was looked at is
// what is read, the running program's own file, and the allocator's
// threshold for large blocks. os_posix.cpp serves Linux and the
// browser, os_windows.cpp Windows; the build links one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace plat::os {

// What a path names, as far as reading a data file is concerned.
enum class FileKind { regular, directory, pipe, device, socket, other };

// Opens the file at path for reading in binary mode, following links,
// without waiting on a pipe, and looks at what was opened: its kind and its
// size. Null with why (a few words) filled and errno set when it cannot be
// opened; otherwise the file, even when it is no regular file, for the
// caller to judge by kind.
std::FILE* openForReading(const std::filesystem::path& path, FileKind* kind, uint64_t* size,
                          std::string* why);

// Looks at the file at path without opening it: why it cannot be read as a
// data file at all (a link to nothing, a loop of links, no such file), with
// errno set, or empty with kind and size filled.
std::string lookAt(const std::filesystem::path& path, FileKind* kind, uint64_t* size);

// The running program's own file, links followed; empty if unknown.
std::filesystem::path programFile();

// See plat::keepLargeBlocksOutOfTheHeap.
void limitHeapBlocks();

} // namespace plat::os
