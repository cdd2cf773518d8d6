#include "platform/files.h"

#include "platform/report.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
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

namespace {

// Why a file of this kind is no data file, with errno set to match; empty
// for a regular file.
std::string kindProblem(mode_t mode) {
    if (S_ISREG(mode)) {
        return {};
    }
    errno = S_ISDIR(mode) ? EISDIR : ENODEV;
    if (S_ISDIR(mode)) {
        return "a directory, not a file";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe, not a regular file";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device, not a regular file";
    }
    if (S_ISSOCK(mode)) {
        return "a socket, not a regular file";
    }
    return "not a regular file";
}

// Why a file of this size is refused; empty when it is within the bound.
std::string sizeProblem(uint64_t size, uint64_t maxBytes) {
    if (size <= maxBytes) {
        return {};
    }
    errno = EFBIG;
    return "the file holds " + sizeText(size, Rounding::Up) + ", more than the " +
           sizeText(maxBytes, Rounding::Down) + " such a file may take";
}

// Why the file at resolved cannot be a data file of at most maxBytes.
std::string statProblem(const std::string& resolved, uint64_t maxBytes, uint64_t* size) {
    struct stat link {};
    if (::lstat(resolved.c_str(), &link) != 0) {
        return std::strerror(errno);
    }
    struct stat target = link;
    if (S_ISLNK(link.st_mode) && ::stat(resolved.c_str(), &target) != 0) {
        return errno == ELOOP    ? "a loop of symbolic links"
               : errno == ENOENT ? "a symbolic link to a file that does not exist"
                                 : std::strerror(errno);
    }
    if (std::string kind = kindProblem(target.st_mode); !kind.empty()) {
        return kind;
    }
    *size = uint64_t(target.st_size);
    return sizeProblem(*size, maxBytes);
}

} // namespace

std::FILE* openDataFile(const char* path, uint64_t maxBytes, uint64_t* size, std::string* why) {
    uint64_t unused = 0;
    std::string ignored;
    size = size != nullptr ? size : &unused;
    why = why != nullptr ? why : &ignored;
    *size = 0;
    if (path == nullptr) {
        errno = EINVAL;
        *why = "no file named";
        return nullptr;
    }
    const std::string resolved = resolvePath(path);
    *why = statProblem(resolved, maxBytes, size);
    if (!why->empty()) {
        return nullptr;
    }
    // Looked at again once open, in case the file was swapped meanwhile;
    // without waiting, should it now be a pipe with no writer.
    const int descriptor = ::open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        *why = std::strerror(errno);
        return nullptr;
    }
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0) {
        *why = std::strerror(errno);
    } else if (std::string kind = kindProblem(opened.st_mode); !kind.empty()) {
        *why = kind;
    } else {
        *why = sizeProblem(uint64_t(opened.st_size), maxBytes);
    }
    std::FILE* file = why->empty() ? ::fdopen(descriptor, "rb") : nullptr;
    if (file == nullptr) {
        if (why->empty()) {
            *why = std::strerror(errno);
        }
        const int cause = errno;
        ::close(descriptor);
        errno = cause;
        return nullptr;
    }
    *size = uint64_t(opened.st_size);
    return file;
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

// The first place looked in that holds the data directories but may not be
// read or entered, for a failure that names the real cause; empty if none.
fs::path deniedCandidate(const std::vector<fs::path>& candidates, std::error_code& cause) {
    for (const fs::path& candidate : candidates) {
        for (const char* sub : {"", "images", "sons"}) {
            const fs::path place = *sub != '\0' ? candidate / sub : candidate;
            std::error_code error;
            (void)fs::status(place, error);
            if (error == std::errc::permission_denied) {
                cause = error;
                return place;
            }
        }
    }
    return {};
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
        std::error_code denied;
        if (const fs::path where = deniedCandidate(candidates, denied); !where.empty()) {
            noteFailure("cannot read the game's data in " + where.string(), nullptr,
                        denied.message());
            return false;
        }
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
