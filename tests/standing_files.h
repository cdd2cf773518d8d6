// Things that may stand where a data file should: for the loaders' tables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// Makes what stands at path: for Sparse2GiB, head followed by a hole up to
// 2 GiB, which costs no disk. False when it could not be made.
inline bool makeStanding(const std::filesystem::path& path, Standing kind,
                         const std::vector<uint8_t>& head = {}) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::remove_all(path, error);
    fs::create_directories(path.parent_path(), error);
    switch (kind) {
    case Standing::Missing:
        return true;
    case Standing::Directory:
        return fs::create_directory(path, error);
    case Standing::NamedPipe:
        return ::mkfifo(path.c_str(), 0600) == 0;
    case Standing::DeviceLink:
        return ::symlink("/dev/zero", path.c_str()) == 0;
    case Standing::DanglingLink:
        return ::symlink("nothing-here", path.c_str()) == 0;
    case Standing::LinkLoop:
        return ::symlink(path.filename().c_str(), path.c_str()) == 0;
    case Standing::Sparse2GiB: {
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
        }
        return ::truncate(path.c_str(), off_t(2) << 30) == 0;
    }
    }
    return false;
}

} // namespace testing_support
