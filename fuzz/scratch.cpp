#include "scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzzing {

namespace {

std::string made;

void removeScratch() {
    std::error_code error;
    std::filesystem::remove_all(made, error);
}

} // namespace

const std::string& scratchDir() {
    if (made.empty()) {
        // Memory-backed when the system has it: a fuzz run writes its input
        // to a file many thousand times a second.
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error) || access(base.c_str(), W_OK) != 0) {
            base = std::filesystem::temp_directory_path();
        }
        std::string pattern = (base / "qv-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("cannot make a scratch directory");
            std::abort();
        }
        made = pattern;
        std::atexit(removeScratch);
    }
    return made;
}

bool writeWhole(const std::string& path, const uint8_t* bytes, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace fuzzing
