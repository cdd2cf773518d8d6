// Windows: files are opened by their wide names, so that any folder a
// player unpacks the game into works, whatever its letters.
#include "platform/os.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <vector>

namespace plat::os {
namespace {

// errno and its text for what Windows said, so that a refused file reads
// the same words as on the other systems.
std::string errorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_CANT_RESOLVE_FILENAME:
        errno = ELOOP;
        return "a loop of symbolic links";
    default:
        errno = EIO;
        break;
    }
    return std::strerror(errno);
}

// The kind and size of an open file: a disk file or a directory, a device
// (a console, NUL, a port) or a pipe.
void describe(HANDLE handle, FileKind* kind, uint64_t* size) {
    *size = 0;
    switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:
        *kind = FileKind::device;
        return;
    case FILE_TYPE_PIPE:
        *kind = FileKind::pipe;
        return;
    case FILE_TYPE_DISK:
        break;
    default:
        *kind = FileKind::other;
        return;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) {
        *kind = FileKind::other;
        return;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *kind = FileKind::directory;
        return;
    }
    *kind = FileKind::regular;
    *size = uint64_t(information.nFileSizeHigh) << 32 | information.nFileSizeLow;
}

// Opens what path names, links and junctions followed; directories open
// too, so that they can be told apart.
HANDLE openHandle(const std::filesystem::path& path) {
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

std::string lookAt(const std::filesystem::path& path, FileKind* kind, uint64_t* size) {
    const HANDLE handle = openHandle(path);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A link whose target is missing still has attributes of its own.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
            attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            errno = ENOENT;
            return "a symbolic link to a file that does not exist";
        }
        return errorText(error);
    }
    describe(handle, kind, size);
    CloseHandle(handle);
    return {};
}

std::FILE* openForReading(const std::filesystem::path& path, FileKind* kind, uint64_t* size,
                          std::string* why) {
    const HANDLE handle = openHandle(path);
    if (handle == INVALID_HANDLE_VALUE) {
        *why = errorText(GetLastError());
        return nullptr;
    }
    describe(handle, kind, size);
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        const int cause = errno;
        *why = std::strerror(cause);
        CloseHandle(handle);
        errno = cause;
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (file == nullptr) {
        const int cause = errno;
        *why = std::strerror(cause);
        _close(descriptor);
        errno = cause;
    }
    return file;
}

std::filesystem::path programFile() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            return std::filesystem::path(std::wstring(name.data(), length));
        }
        if (name.size() >= 32768) {
            return {};
        }
        name.resize(name.size() * 2);
    }
}

// Windows' heap already gives each block above its own threshold (about
// half a megabyte, below the sprite sheet's size) memory of its own and
// returns it when the block is freed; it has no setting to lower that
// threshold, and none is needed.
void limitHeapBlocks() {}

} // namespace plat::os
