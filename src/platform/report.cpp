#include "platform/report.h"

#include "platform/backend.h"
#include "platform/files.h"

#include <filesystem>
#include <system_error>

namespace plat {

namespace {

constexpr const char* kProgramName = "quorvelindaxtor";

std::string firstNote;
bool failureWritten = false;

// The data file as it lies on disk, as a full path, so that the line tells
// which data directory the program was using. A missing file is named in
// the directory that would hold it ("Sons/Laser.wav" in sons/).
std::string fullDataPath(const char* path) {
    namespace fs = std::filesystem;
    fs::path found = pathFromText(resolvePath(path));
    std::error_code error;
    const fs::path wanted = pathFromText(path);
    if (!fs::exists(found, error) && wanted.has_parent_path()) {
        found =
            pathFromText(resolvePath(pathText(wanted.parent_path()).c_str())) / wanted.filename();
    }
    if (found.is_relative()) {
        const fs::path here = fs::current_path(error);
        if (!error) {
            found = here / found;
        }
    }
    return pathText(found.lexically_normal());
}

} // namespace

void noteFailure(const std::string& what, const char* path, const std::string& why) {
    if (!firstNote.empty()) {
        return;
    }
    std::string line = kProgramName;
    line.append(": ").append(what);
    if (path != nullptr && *path != '\0') {
        line.append(" ").append(fullDataPath(path));
    }
    if (!why.empty()) {
        line.append(": ").append(why);
    }
    firstNote = line;
}

std::string notedFailure() {
    return firstNote;
}

void reportFailure() {
    if (failureWritten) {
        return;
    }
    failureWritten = true;
    backend::writeErrorLine(
        !firstNote.empty()
            ? firstNote
            : std::string(kProgramName) +
                  ": stopped because the display or the sound device refused a request");
}

void reportNotice(const std::string& text) {
    backend::writeErrorLine(std::string(kProgramName) + ": " + text);
}

void reportFileNotice(const std::string& what, const char* path, const std::string& why) {
    reportNotice(what + " " + fullDataPath(path != nullptr ? path : "") + ": " + why);
}

std::string backendError() {
    return backend::lastError();
}

void detail::resetReports() {
    firstNote.clear();
    failureWritten = false;
}

} // namespace plat
