// Reads a whole file the user named, whatever the name leads to, as one result: never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Outcome of a read. Every value but Ok leaves the bytes empty.
enum class FileReadResult {
    Ok,
    NotFound, // no such file
    NotAFile, // a folder, device, pipe or socket: refused at once, nothing read
    TooLarge, // more bytes than the caller's limit
    Failed,   // no permission, an input/output error, ...
};

class CFileReader {
public:
    // Reads the regular file at `path` (links followed) into `bytes`, at most `limit` bytes. A file that
    // grows while it is read is taken up to where the read ends, and refused when it passes `limit`.
    static FileReadResult Read(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);
};
