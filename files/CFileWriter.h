// Replaces a file only once its new contents lie complete on the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class COsFile;
struct COsTarget;

// Writes one file: the bytes go to a new temporary file of a unique name, created in the target's folder
// so that no other file is ever touched, then are flushed to the disk and renamed over the target in one
// step; the folder is synced last, so that the rename survives a power cut. A symbolic link is followed
// and the file it leads to is replaced (the link stays a link); a replaced file keeps its permission
// bits. Targets that exist but are no regular file (a folder, a device) or that the user may not write
// are refused.
class CFileWriter {
public:
    // Where an injected fault strikes (test hook for failing disks). Each fails its step as the system
    // would; AtByte is a disk that fills up after `byte` bytes (a short write, then "no space").
    enum class Fault { None, AtCreate, AtByte, AtSync, AtClose, AtRename, AtFolderSync };

    // `path` is the file to create or replace.
    explicit CFileWriter(std::string path);

    // Writes the `n` bytes as the whole file. True when every step succeeded. On a failure before the
    // rename the temporary file is removed and the target keeps its old contents (or stays absent); a
    // failed folder sync after the rename leaves the new contents in place, not yet known to be safe,
    // and is reported as a failure too.
    bool Write(const uint8_t* data, size_t n);

    // Makes the next Write fail at `fault` (for AtByte: after `byte` bytes).
    void InjectFault(Fault fault, size_t byte = 0);

    const std::string& Path() const { return path; }

private:
    bool WriteAll(const uint8_t* data, size_t n) const;
    // Creates the temporary file beside `target` under a name nobody uses, into `temp`.
    bool CreateTemp(const std::string& target, COsFile& file, std::string& temp) const;
    // Writes, syncs and closes the temporary file, with the permission bits of `old` when it exists.
    bool FillTemp(COsFile& file, const uint8_t* data, size_t n, const COsTarget& old) const;
    // The system call `call` makes, or the injected failure of `step`.
    template <typename Call> auto Step(Fault step, Call&& call) const;

    std::string path;
    Fault fault = Fault::None;
    size_t faultByte = 0;
};
