// Replaces a file only once its new contents have been written completely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFileWriter {
public:
    // Where an injected fault strikes (test hook for failing disks).
    enum class Fault { None, AtByte, AtClose, AtRename };

    // `path` is the file to create or replace; the bytes go first to the sibling TempPath().
    explicit CFileWriter(std::string path);

    // Writes `n` bytes to the sibling, flushes and closes it, then renames it over the file. Returns true
    // when every step succeeded. On failure the sibling is removed and the file keeps its old contents
    // (or stays absent).
    bool Write(const uint8_t* data, size_t n);

    // Makes the next Write fail: after writing `byte` bytes (AtByte), when closing, or when renaming.
    void InjectFault(Fault fault, size_t byte = 0);

    const std::string& Path() const { return path; }
    std::string TempPath() const { return path + ".tmp"; }

private:
    bool WriteTemp(const uint8_t* data, size_t n) const;

    std::string path;
    Fault fault = Fault::None;
    size_t faultByte = 0;
};
