#include "platform/files.h"

#include "platform/report.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

// The installed data directory as seen from the installed program's
// directory; the build sets it from its install layout.
#ifndef QV_INSTALLED_DATA_FROM_PROGRAM
#define QV_INSTALLED_DATA_FROM_PROGRAM "../share/quorvelindaxtor"
#endif

namespace plat {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string resolvePath(const char* path) {
    namespace fs = std::filesystem;
    if (path == nullptr) {
        return {};
    }
    const fs::path wanted(path);
    std::error_code error;
    if (fs::exists(wanted, error)) {
        return wanted.string();
    }
    // Walk the components; where the exact name is missing, take the entry
    // of the directory whose name differs only in letter case.
    fs::path found = wanted.has_root_path() ? wanted.root_path() : fs::path();
    for (const fs::path& component : wanted.relative_path()) {
        const std::string name = component.string();
        const fs::path exact = found / component;
        if (name == "." || name == ".." || fs::exists(exact, error)) {
            found = exact;
            continue;
        }
        const fs::path directory = found.empty() ? fs::path(".") : found;
        bool matched = false;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
            if (sameIgnoringCase(it->path().filename().string(), name)) {
                found /= it->path().filename();
                matched = true;
                break;
            }
        }
        if (!matched) {
            return wanted.string();
        }
    }
    return found.string();
}

std::string findDataFile(const char* path) {
    if (path == nullptr) {
        return {};
    }
    std::string resolved = resolvePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(resolved, error)) {
        resolved.clear();
    }
    return resolved;
}

std::FILE* openDataFile(const char* path) {
    const std::string found = findDataFile(path);
    if (found.empty()) {
        std::error_code error;
        errno = path != nullptr && std::filesystem::is_directory(resolvePath(path), error) ? EISDIR
                                                                                           : ENOENT;
        return nullptr;
    }
    return std::fopen(found.c_str(), "rb");
}

namespace {

namespace fs = std::filesystem;

// Whether the directory holds the two data directories.
bool holdsData(const fs::path& directory) {
    std::error_code error;
    return fs::is_directory(resolvePath((directory / "images").c_str()), error) &&
           fs::is_directory(resolvePath((directory / "sons").c_str()), error);
}

// The places looked in, in order.
std::vector<fs::path> dataCandidates(const fs::path& programFile,
                                     const fs::path& workingDirectory) {
    std::vector<fs::path> candidates{workingDirectory};
    if (!programFile.empty()) {
        const fs::path programDirectory = programFile.parent_path();
        candidates.push_back(programDirectory / "data");
        candidates.push_back(
            (programDirectory / QV_INSTALLED_DATA_FROM_PROGRAM).lexically_normal());
    }
    return candidates;
}

} // namespace

fs::path findDataDirectory(const fs::path& programFile, const fs::path& workingDirectory) {
    for (const fs::path& candidate : dataCandidates(programFile, workingDirectory)) {
        if (!candidate.empty() && holdsData(candidate)) {
            return candidate;
        }
    }
    return {};
}

fs::path runningProgramFile() {
    std::error_code error;
    fs::path program = fs::canonical("/proc/self/exe", error);
    return error ? fs::path() : program;
}

bool enterDataDirectory() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    const fs::path program = runningProgramFile();
    const fs::path data = findDataDirectory(program, here);
    if (data.empty()) {
        std::string places;
        const std::vector<fs::path> candidates = dataCandidates(program, here);
        for (size_t i = 0; i < candidates.size(); ++i) {
            places += (i == 0                       ? ""
                       : i + 1 == candidates.size() ? " or "
                                                    : ", ") +
                      candidates[i].string();
        }
        noteFailure("cannot find the game's data (images/ and sons/) in " + places);
        return false;
    }
    fs::current_path(data, error);
    if (error) {
        noteFailure("cannot enter the data directory " + data.string(), nullptr, error.message());
        return false;
    }
    return true;
}

} // namespace plat
