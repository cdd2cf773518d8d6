#include "platform/os.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace plat::os {
namespace {

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::directory;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::pipe;
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return FileKind::device;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::socket;
    }
    return FileKind::other;
}

} // namespace

std::string lookAt(const std::filesystem::path& path, FileKind* kind, uint64_t* size) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        return std::strerror(errno);
    }
    struct stat target = link;
    if (S_ISLNK(link.st_mode) && ::stat(path.c_str(), &target) != 0) {
        return errno == ELOOP    ? "a loop of symbolic links"
               : errno == ENOENT ? "a symbolic link to a file that does not exist"
                                 : std::strerror(errno);
    }
    *kind = kindOf(target.st_mode);
    *size = uint64_t(target.st_size);
    return {};
}

std::FILE* openForReading(const std::filesystem::path& path, FileKind* kind, uint64_t* size,
                          std::string* why) {
    // Without waiting, should the file now be a pipe with no writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        *why = std::strerror(errno);
        return nullptr;
    }
    struct stat opened {};
    std::FILE* file = nullptr;
    if (::fstat(descriptor, &opened) != 0) {
        *why = std::strerror(errno);
    } else {
        *kind = kindOf(opened.st_mode);
        *size = uint64_t(opened.st_size);
        file = ::fdopen(descriptor, "rb");
        if (file == nullptr) {
            *why = std::strerror(errno);
        }
    }
    if (file == nullptr) {
        const int cause = errno;
        ::close(descriptor);
        errno = cause;
    }
    return file;
}

std::filesystem::path programFile() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::filesystem::path() : program;
}

void limitHeapBlocks() {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

} // namespace plat::os
