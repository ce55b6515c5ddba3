// The operating system's files: a POSIX branch and a Windows branch of the same few calls.
#include "files/COsFile.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600 // GetFinalPathNameByHandleW
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace {

#ifdef _WIN32
constexpr char kSeparators[] = "/\\";
#else
constexpr char kSeparators[] = "/";
#endif

} // namespace

COsFile::~COsFile()
{
    Close();
}

std::string COsFile::FolderOf(const std::string& path)
{
    const size_t last = path.find_last_of(kSeparators);
    if (last == std::string::npos)
        return ".";
    return last == 0 ? path.substr(0, 1) : path.substr(0, last);
}

#ifdef _WIN32

namespace {

// The front ends hand in names in the local code page, as the C library's fopen takes them.
std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                            nullptr);
    return text;
}

OsError LastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return OsError::NotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return OsError::Exists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return OsError::NoSpace;
    default:
        return OsError::Other;
    }
}

HANDLE Handle(intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// ReadFile and WriteFile take at most a DWORD at a time.
DWORD Chunk(size_t n)
{
    return static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
}

} // namespace

OsError COsFile::OpenRegular(const std::string& path)
{
    Close();
    const HANDLE opened =
        CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        const OsError error = LastError();
        const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return OsError::NotRegular;
        return error;
    }
    handle = reinterpret_cast<intptr_t>(opened);
    if (GetFileType(opened) != FILE_TYPE_DISK) {
        Close();
        return OsError::NotRegular;
    }
    return OsError::None;
}

OsError COsFile::CreateExclusive(const std::string& path)
{
    Close();
    const HANDLE created = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return LastError();
    handle = reinterpret_cast<intptr_t>(created);
    return OsError::None;
}

OsError COsFile::Size(uint64_t& size) const
{
    LARGE_INTEGER length;
    if (!GetFileSizeEx(Handle(handle), &length))
        return LastError();
    size = static_cast<uint64_t>(length.QuadPart);
    return OsError::None;
}

OsError COsFile::Read(uint8_t* data, size_t n, size_t& got)
{
    DWORD read = 0;
    got = 0;
    if (!ReadFile(Handle(handle), data, Chunk(n), &read, nullptr))
        return LastError();
    got = read;
    return OsError::None;
}

OsError COsFile::Write(const uint8_t* data, size_t n)
{
    while (n > 0) {
        DWORD written = 0;
        if (!WriteFile(Handle(handle), data, Chunk(n), &written, nullptr))
            return LastError();
        if (written == 0)
            return OsError::Other;
        data += written;
        n -= written;
    }
    return OsError::None;
}

OsError COsFile::SetMode(uint32_t)
{
    return OsError::None;
}

OsError COsFile::Sync()
{
    return FlushFileBuffers(Handle(handle)) ? OsError::None : LastError();
}

OsError COsFile::Close()
{
    if (handle == kClosed)
        return OsError::None;
    const bool closed = CloseHandle(Handle(std::exchange(handle, kClosed)));
    return closed ? OsError::None : LastError();
}

std::string COsFile::FinalTarget(const std::string& path)
{
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE link = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE)
        return path;
    std::wstring resolved(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(link, resolved.data(), static_cast<DWORD>(resolved.size()),
                                              FILE_NAME_NORMALIZED);
    CloseHandle(link);
    if (n == 0 || n >= resolved.size())
        return path;
    resolved.resize(n);
    return Narrow(resolved);
}

COsTarget COsFile::Inspect(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    COsTarget target;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return target;
    target.Exists = true;
    target.Regular = (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    target.Writable = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    return target;
}

OsError COsFile::Replace(const std::string& from, const std::string& to)
{
    const std::wstring source = Wide(from);
    const std::wstring target = Wide(to);
    // ReplaceFileW keeps the replaced file's attributes and access rights; it needs a file to replace.
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr)
                   ? OsError::None
                   : LastError();
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? OsError::None : LastError();
}

OsError COsFile::Remove(const std::string& path)
{
    return DeleteFileW(Wide(path).c_str()) ? OsError::None : LastError();
}

OsError COsFile::SyncFolder(const std::string&)
{
    // The rename was written through (MOVEFILE_WRITE_THROUGH); folders cannot be flushed on their own.
    return OsError::None;
}

bool COsFile::ErrorOutputIsTerminal()
{
    return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
}

#else

namespace {

OsError FromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return OsError::NotFound;
    case EEXIST:
        return OsError::Exists;
    case ENOSPC:
    case EDQUOT:
        return OsError::NoSpace;
    default:
        return OsError::Other;
    }
}

int Fd(intptr_t handle)
{
    return static_cast<int>(handle);
}

// Links followed through one name at most this often, as the kernel's own limit.
constexpr int kMaxLinks = 40;

} // namespace

OsError COsFile::OpenRegular(const std::string& path)
{
    Close();
    // O_NONBLOCK: opening a pipe without a writer must not wait for one. A socket refuses with ENXIO.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENXIO ? OsError::NotRegular : FromErrno(errno);
    handle = fd;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        Close();
        return FromErrno(error);
    }
    if (!S_ISREG(info.st_mode)) {
        Close();
        return OsError::NotRegular;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return OsError::None;
}

OsError COsFile::CreateExclusive(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return FromErrno(errno);
    handle = fd;
    return OsError::None;
}

OsError COsFile::Size(uint64_t& size) const
{
    struct stat info;
    if (::fstat(Fd(handle), &info) != 0)
        return FromErrno(errno);
    size = static_cast<uint64_t>(info.st_size);
    return OsError::None;
}

OsError COsFile::Read(uint8_t* data, size_t n, size_t& got)
{
    got = 0;
    ssize_t read = 0;
    do
        read = ::read(Fd(handle), data, n);
    while (read < 0 && errno == EINTR);
    if (read < 0)
        return FromErrno(errno);
    got = static_cast<size_t>(read);
    return OsError::None;
}

OsError COsFile::Write(const uint8_t* data, size_t n)
{
    while (n > 0) {
        const ssize_t written = ::write(Fd(handle), data, n);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return FromErrno(errno);
        if (written == 0)
            return OsError::Other;
        data += written;
        n -= static_cast<size_t>(written);
    }
    return OsError::None;
}

OsError COsFile::SetMode(uint32_t mode)
{
    return ::fchmod(Fd(handle), static_cast<mode_t>(mode & 07777)) == 0 ? OsError::None : FromErrno(errno);
}

OsError COsFile::Sync()
{
    return ::fsync(Fd(handle)) == 0 ? OsError::None : FromErrno(errno);
}

OsError COsFile::Close()
{
    if (handle == kClosed)
        return OsError::None;
    // Never retried: after EINTR the descriptor is gone on Linux and may already be reused.
    return ::close(Fd(std::exchange(handle, kClosed))) == 0 ? OsError::None : FromErrno(errno);
}

std::string COsFile::FinalTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4095) + 1);
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            return path;
        const std::string next(target.data(), static_cast<size_t>(n));
        current = next[0] == '/' ? next : FolderOf(current) + "/" + next;
    }
    return path;
}

COsTarget COsFile::Inspect(const std::string& path)
{
    COsTarget target;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return target;
    target.Exists = true;
    target.Regular = S_ISREG(info.st_mode);
    target.Writable = ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    target.Mode = static_cast<uint32_t>(info.st_mode & 07777);
    return target;
}

OsError COsFile::Replace(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0 ? OsError::None : FromErrno(errno);
}

OsError COsFile::Remove(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? OsError::None : FromErrno(errno);
}

OsError COsFile::SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno);
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // File systems that cannot sync a folder say so with EINVAL: there is nothing to push then.
    return synced == 0 || error == EINVAL || error == ENOTSUP ? OsError::None : FromErrno(error);
}

bool COsFile::ErrorOutputIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

#endif
