#include "platform/files.h"

#include "platform/os.h"
#include "platform/report.h"

#include <cctype>
#include <cerrno>
#include <cstring>
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

std::filesystem::path pathFromText(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string resolvePath(const char* path) {
    namespace fs = std::filesystem;
    if (path == nullptr) {
        return {};
    }
    const fs::path wanted = pathFromText(path);
    std::error_code error;
    if (fs::exists(wanted, error)) {
        return pathText(wanted);
    }
    // Walk the components; where the exact name is missing, take the entry
    // of the directory whose name differs only in letter case.
    fs::path found = wanted.has_root_path() ? wanted.root_path() : fs::path();
    for (const fs::path& component : wanted.relative_path()) {
        const std::string name = pathText(component);
        const fs::path exact = found / component;
        if (name == "." || name == ".." || fs::exists(exact, error)) {
            found = exact;
            continue;
        }
        const fs::path directory = found.empty() ? fs::path(".") : found;
        bool matched = false;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
            if (sameIgnoringCase(pathText(it->path().filename()), name)) {
                found /= it->path().filename();
                matched = true;
                break;
            }
        }
        if (!matched) {
            return pathText(wanted);
        }
    }
    return pathText(found);
}

std::string findDataFile(const char* path) {
    if (path == nullptr) {
        return {};
    }
    std::string resolved = resolvePath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(pathFromText(resolved), error)) {
        resolved.clear();
    }
    return resolved;
}

namespace {

// Why a file of this kind is no data file, with errno set to match; empty
// for a regular file.
std::string kindProblem(os::FileKind kind) {
    using os::FileKind;
    if (kind == FileKind::regular) {
        return {};
    }
    errno = kind == FileKind::directory ? EISDIR : ENODEV;
    switch (kind) {
    case FileKind::directory:
        return "a directory, not a file";
    case FileKind::pipe:
        return "a named pipe, not a regular file";
    case FileKind::device:
        return "a device, not a regular file";
    case FileKind::socket:
        return "a socket, not a regular file";
    default:
        return "not a regular file";
    }
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
    os::FileKind kind = os::FileKind::other;
    if (std::string why = os::lookAt(pathFromText(resolved), &kind, size); !why.empty()) {
        *size = 0;
        return why;
    }
    if (std::string problem = kindProblem(kind); !problem.empty()) {
        *size = 0;
        return problem;
    }
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
    os::FileKind kind = os::FileKind::other;
    uint64_t openedSize = 0;
    std::FILE* file = os::openForReading(pathFromText(resolved), &kind, &openedSize, why);
    if (file == nullptr) {
        return nullptr;
    }
    *why = kindProblem(kind);
    if (why->empty()) {
        *why = sizeProblem(openedSize, maxBytes);
    }
    if (!why->empty()) {
        const int cause = errno;
        std::fclose(file);
        errno = cause;
        return nullptr;
    }
    *size = openedSize;
    return file;
}

namespace {

namespace fs = std::filesystem;

// Whether the directory holds the two data directories.
bool holdsData(const fs::path& directory) {
    std::error_code error;
    return fs::is_directory(pathFromText(resolvePath(pathText(directory / "images").c_str())),
                            error) &&
           fs::is_directory(pathFromText(resolvePath(pathText(directory / "sons").c_str())), error);
}

// The places looked in, in order.
std::vector<fs::path> dataCandidates(const fs::path& programFile,
                                     const fs::path& workingDirectory) {
    std::vector<fs::path> candidates{workingDirectory};
    if (!programFile.empty()) {
        const fs::path programDirectory = programFile.parent_path();
        candidates.push_back(programDirectory / "data");
        // Named without a trailing separator, also when the data lies in
        // the program's own directory (".").
        fs::path installed = (programDirectory / QV_INSTALLED_DATA_FROM_PROGRAM).lexically_normal();
        if (!installed.has_filename() && installed.has_relative_path()) {
            installed = installed.parent_path();
        }
        candidates.push_back(installed);
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
    return os::programFile();
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
                      pathText(candidates[i]);
        }
        noteFailure("cannot find the game's data (images/ and sons/) in " + places);
        return false;
    }
    fs::current_path(data, error);
    if (error) {
        noteFailure("cannot enter the data directory " + pathText(data), nullptr, error.message());
        return false;
    }
    return true;
}

} // namespace plat
