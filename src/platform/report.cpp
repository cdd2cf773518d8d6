#include "platform/report.h"

#include "platform/backend.h"
#include "platform/files.h"

#include <cstdio>
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
        printable(!firstNote.empty()
                      ? firstNote
                      : std::string(kProgramName) +
                            ": stopped because the display or the sound device refused a request"));
}

void reportNotice(const std::string& text) {
    backend::writeErrorLine(printable(std::string(kProgramName) + ": " + text));
}

void reportFileNotice(const std::string& what, const char* path, const std::string& why) {
    reportNotice(what + " " + fullDataPath(path != nullptr ? path : "") + ": " + why);
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string quoted(std::string_view text) {
    if (text.size() <= kQuotedChars) {
        return printable(text);
    }
    return printable(text.substr(0, kQuotedChars)) + "...";
}

std::string sizeText(uint64_t bytes, Rounding rounding) {
    constexpr uint64_t kKiB = 1024;
    constexpr uint64_t kMiB = kKiB * 1024;
    constexpr uint64_t kGiB = kMiB * 1024;
    if (bytes < kMiB) {
        return std::to_string(bytes) + " bytes";
    }
    const uint64_t unit = bytes >= kGiB ? kGiB : kMiB;
    // Tenths of the unit, in whole numbers so that no floating rounding
    // can turn "more than" into "equal to".
    const unsigned __int128 scaled = static_cast<unsigned __int128>(bytes) * 10;
    uint64_t tenths = uint64_t(scaled / unit);
    if (rounding == Rounding::Up && scaled % unit != 0) {
        ++tenths;
    }
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           (unit == kGiB ? " GiB" : " MiB");
}

std::string backendError() {
    return backend::lastError();
}

void detail::resetReports() {
    firstNote.clear();
    failureWritten = false;
}

} // namespace plat
