#include "scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fuzzing {

namespace {

std::string made;

void removeScratch() {
    std::error_code error;
    // A target may work inside it, and Windows removes no directory that is
    // a process's working directory.
    std::filesystem::current_path(std::filesystem::path(made).parent_path(), error);
    std::filesystem::remove_all(made, error);
}

// A directory of a name no other process has taken, made in base; empty if
// none could be made there.
std::string madeIn(const std::filesystem::path& base) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "qv-fuzz-%08x", unsigned(entropy()));
        std::error_code error;
        const std::filesystem::path path = base / name;
        if (std::filesystem::create_directory(path, error)) {
            return path.string();
        }
        if (error) {
            // Not a name taken but a base that takes no directory.
            return {};
        }
    }
    return {};
}

} // namespace

const std::string& scratchDir() {
    if (made.empty()) {
        // Memory-backed when the system has it: a fuzz run writes its input
        // to a file many thousand times a second.
        std::error_code error;
        made = madeIn("/dev/shm");
        if (made.empty()) {
            made = madeIn(std::filesystem::temp_directory_path(error));
        }
        if (made.empty()) {
            std::fprintf(stderr, "cannot make a scratch directory\n");
            std::abort();
        }
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
