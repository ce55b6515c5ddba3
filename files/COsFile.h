// The operating system's files: the one place that calls POSIX or Windows (for the file reader, the file
// writer and the command-line tool's terminal check).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Why a call failed, as far as callers tell causes apart.
enum class OsError {
    None,
    NotFound,   // no such file, or no such folder on the way
    NotRegular, // a folder, device, pipe or socket where a regular file was asked for
    Exists,     // CreateExclusive: the name is taken, whatever it names
    NoSpace,    // the disk (or the user's quota) is full
    Other,      // anything else: permissions, input/output errors, ...
};

// What a name leads to, symbolic links followed.
struct COsTarget {
    bool Exists = false;
    bool Regular = false;  // a regular file
    bool Writable = false; // the running user may write into it (a read-only file or attribute: false)
    uint32_t Mode = 0;     // POSIX permission bits (mode & 07777); 0 on Windows
};

// One open file, closed on destruction. Paths are the narrow strings the front ends hand in: bytes on
// POSIX, the local code page on Windows. No call throws or blocks on a pipe or device.
class COsFile {
public:
    COsFile() = default;
    ~COsFile();
    COsFile(const COsFile&) = delete;
    COsFile& operator=(const COsFile&) = delete;

    // Opening (a file already open is closed first)
    // Opens `path` for reading when it is a regular file (links followed); NotRegular for anything else,
    // decided on the opened file itself, so that nothing swapped in between the check and the open is read.
    OsError OpenRegular(const std::string& path);
    // Creates the file `path` for writing; Exists when the name is taken (a dangling link counts too).
    // New files get the user's default permissions.
    OsError CreateExclusive(const std::string& path);

    // On the open file
    OsError Size(uint64_t& size) const;
    // Reads up to `n` bytes; `got` = the bytes read, 0 at the end of the file.
    OsError Read(uint8_t* data, size_t n, size_t& got);
    // Writes all `n` bytes, going on after partial writes.
    OsError Write(const uint8_t* data, size_t n);
    // Sets the POSIX permission bits (mode & 07777); does nothing on Windows.
    OsError SetMode(uint32_t mode);
    // Pushes the file's contents and size to the disk.
    OsError Sync();
    // Closes the file; a failed close can mean data that never reached the disk. None when none is open.
    OsError Close();

    // By name
    // The file that `path` names once the symbolic links of its last part are followed (a link's relative
    // target counts from the link's folder); `path` itself when it is no link. A dangling link gives the
    // name it points at; a loop gives `path`.
    static std::string FinalTarget(const std::string& path);
    static COsTarget Inspect(const std::string& path);
    // Moves `from` over `to` in one step, replacing a file there (on Windows keeping its attributes).
    static OsError Replace(const std::string& from, const std::string& to);
    static OsError Remove(const std::string& path);
    // Pushes the folder's entries to the disk, so that a rename in it survives a power cut. None where
    // the system or file system has no such step.
    static OsError SyncFolder(const std::string& folder);
    // The folder part of `path` ("." for a bare name); '/' and, on Windows, '\' separate.
    static std::string FolderOf(const std::string& path);

    // The terminal
    static bool ErrorOutputIsTerminal();

private:
    static constexpr intptr_t kClosed = -1;
    intptr_t handle = kClosed; // a file descriptor, or a Windows HANDLE
};
