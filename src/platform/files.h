// Data files, found by relative paths whose letter case may differ from the
// names on disk ("Sons/Laser.wav" and "sons/alien.wav" reach one directory),
// and the data directory they are relative to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace plat {

// A path from its text in UTF-8, and back: the game's texts are UTF-8 on
// every system, whatever the system's own encoding of file names.
std::filesystem::path pathFromText(const std::string& text);
std::string pathText(const std::filesystem::path& path);

// The path as it exists on disk, each component matched without regard to
// letter case when no exact match exists; the path unchanged when nothing
// matches.
std::string resolvePath(const char* path);
// The data file at path as it lies on disk, or an empty string when there
// is no such regular file.
std::string findDataFile(const char* path);
// The most any data file may hold unless its reader says less.
constexpr uint64_t kMaxDataFileBytes = 64 * 1024 * 1024;

// Opens a data file for reading in binary mode after looking at it first:
// it must be a regular file (not a directory, named pipe, device, socket,
// link to nothing or loop of links) of at most maxBytes bytes. Opening never
// waits on a pipe. Returns null when the file is refused, with why (a few
// words) filled and errno set; size gets the file's size in bytes.
std::FILE* openDataFile(const char* path, uint64_t maxBytes = kMaxDataFileBytes,
                        uint64_t* size = nullptr, std::string* why = nullptr);

// The directory holding the game's data, images/ and sons/ (letter case
// ignored): the working directory when it holds them; else data/ beside the
// program, as in a build tree; else the installed data directory, found
// from the program's own directory so that a moved installation still finds
// it. Empty when none of them holds the data.
std::filesystem::path findDataDirectory(const std::filesystem::path& programFile,
                                        const std::filesystem::path& workingDirectory);
// The running program's own file, links followed; empty if unknown.
std::filesystem::path runningProgramFile();
// Makes the running program's data directory the working directory, so that
// every data path stays relative. False, with the failure noted, when no
// data directory is found or it cannot be entered.
bool enterDataDirectory();

} // namespace plat
