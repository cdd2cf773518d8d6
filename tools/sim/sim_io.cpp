#include "sim_io.h"

#include "platform/report.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

// The descriptor calls, by their POSIX names or the C runtime's of Windows.
#ifdef _WIN32
#include <io.h>
namespace {
int openFile(const char* path, int flags, int mode = 0) {
    return ::_open(path, flags, mode);
}
long long writeBytes(int descriptor, const void* bytes, size_t count) {
    return ::_write(descriptor, bytes, unsigned(count));
}
long long readBytes(int descriptor, void* bytes, size_t count) {
    return ::_read(descriptor, bytes, unsigned(count));
}
int closeFile(int descriptor) {
    return ::_close(descriptor);
}
bool cutTo(int descriptor, uint64_t size) {
    return ::_chsize(descriptor, long(size)) == 0 &&
           ::_lseek(descriptor, long(size), SEEK_SET) >= 0;
}
} // namespace
#else
#include <unistd.h>
namespace {
int openFile(const char* path, int flags, int mode = 0) {
    return ::open(path, flags, mode);
}
long long writeBytes(int descriptor, const void* bytes, size_t count) {
    return ::write(descriptor, bytes, count);
}
long long readBytes(int descriptor, void* bytes, size_t count) {
    return ::read(descriptor, bytes, count);
}
int closeFile(int descriptor) {
    return ::close(descriptor);
}
bool cutTo(int descriptor, uint64_t size) {
    return ::ftruncate(descriptor, off_t(size)) == 0 &&
           ::lseek(descriptor, off_t(size), SEEK_SET) >= 0;
}
} // namespace
#endif

// What the C runtime of Windows lacks: descriptors are not inherited there
// anyway, files are opened in binary so that lines end in LF alone, and
// sockets and block devices are not files it can open.
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef S_ISSOCK
#define S_ISSOCK(mode) false
#endif
#ifndef S_ISBLK
#define S_ISBLK(mode) false
#endif

namespace sim {

LineFile::~LineFile() {
    if (descriptor_ >= 0) {
        closeFile(descriptor_);
    }
}

bool LineFile::open(const std::string& path) {
    path_ = path;
    descriptor_ = openFile(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_BINARY, 0666);
    return descriptor_ >= 0 || fail(errno);
}

bool LineFile::writeLine(std::string_view text) {
    if (descriptor_ < 0 || !failure_.empty()) {
        return false;
    }
    std::string line(text);
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
        const long long put = writeBytes(descriptor_, line.data() + done, line.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            const int cause = put < 0 ? errno : ENOSPC;
            // Whatever part of the line went out is taken back; a device
            // that cannot be cut (a pipe, /dev/full) keeps what it took.
            if (done > 0) {
                cutTo(descriptor_, written_);
            }
            return fail(cause);
        }
        done += size_t(put);
    }
    written_ += line.size();
    return true;
}

bool LineFile::close() {
    if (descriptor_ < 0) {
        return failure_.empty();
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (closeFile(descriptor) != 0 && failure_.empty()) {
        failure_ = writeFailureLine(path_, errno);
    }
    return failure_.empty();
}

bool LineFile::fail(int cause) {
    if (failure_.empty()) {
        failure_ = writeFailureLine(path_, cause);
    }
    return false;
}

std::string writeFailureLine(const std::string& path, int cause) {
    return "cannot write " + plat::printable(path) + ": " + std::strerror(cause);
}

bool readScriptFile(const std::string& path, uint64_t maxBytes, std::string& text,
                    std::string& why) {
    const int descriptor = openFile(path.c_str(), O_RDONLY | O_CLOEXEC | O_BINARY);
    if (descriptor < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        why = std::strerror(errno);
        closeFile(descriptor);
        return false;
    }
    if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) {
        why = S_ISDIR(info.st_mode)                            ? "a directory"
              : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
              : S_ISSOCK(info.st_mode)                         ? "a socket"
                                                               : "not a file";
        why += ", not a file or a pipe";
        closeFile(descriptor);
        return false;
    }
    text.clear();
    char chunk[65536];
    for (;;) {
        const long long got = readBytes(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            why = std::strerror(errno);
            closeFile(descriptor);
            return false;
        }
        if (got == 0) {
            break;
        }
        if (text.size() + size_t(got) > maxBytes) {
            why = "larger than the " + plat::sizeText(maxBytes, plat::Rounding::Down) +
                  " a script may take";
            closeFile(descriptor);
            return false;
        }
        text.append(chunk, size_t(got));
    }
    closeFile(descriptor);
    return true;
}

bool parseNumber(std::string_view text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    uint64_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace sim
