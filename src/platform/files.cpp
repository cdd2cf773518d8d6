#include "platform/files.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

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


} // namespace plat
