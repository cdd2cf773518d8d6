// Things that may stand where a data file should: for the loaders' tables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace testing_support {

enum class Standing {
    Missing,
    Directory,
    NamedPipe,
    DeviceLink,   // a link to /dev/zero
    DanglingLink, // a link to a file that does not exist
    LinkLoop,     // a link to itself
    Sparse2GiB,   // 2 GiB, the given bytes first and holes after them
};

// Whether this system can make it: Windows has no named pipes among files,
// no /dev/zero, and gives symbolic links only to the privileged.
inline bool standingPossible(Standing kind) {
#ifdef _WIN32
    return kind == Standing::Missing || kind == Standing::Directory || kind == Standing::Sparse2GiB;
#else
    (void)kind;
    return true;
#endif
}

// Makes what stands at path: for Sparse2GiB, head followed by a hole up to
// 2 GiB, which costs no disk. False when it could not be made.
inline bool makeStanding(const std::filesystem::path& path, Standing kind,
                         const std::vector<uint8_t>& head = {}) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::remove_all(path, error);
    fs::create_directories(path.parent_path(), error);
    if (!standingPossible(kind)) {
        return false;
    }
    switch (kind) {
    case Standing::Missing:
        return true;
    case Standing::Directory:
        return fs::create_directory(path, error);
    case Standing::NamedPipe:
#ifndef _WIN32
        return ::mkfifo(path.c_str(), 0600) == 0;
#else
        return false;
#endif
    case Standing::DeviceLink:
        fs::create_symlink("/dev/zero", path, error);
        return !error;
    case Standing::DanglingLink:
        fs::create_symlink("nothing-here", path, error);
        return !error;
    case Standing::LinkLoop:
        fs::create_symlink(path.filename(), path, error);
        return !error;
    case Standing::Sparse2GiB: {
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
        }
        fs::resize_file(path, uintmax_t(2) << 30, error);
        return !error;
    }
    }
    return false;
}

} // namespace testing_support
