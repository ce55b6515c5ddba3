// Reads a whole file the user named.
#include "files/CFileReader.h"

#include "events/Trace.h"
#include "files/COsFile.h"

#include <algorithm>

namespace {

// Bytes read per call once the file is larger than it said.
constexpr size_t kStep = 65536;

FileReadResult FromOpen(OsError error)
{
    switch (error) {
    case OsError::None:
        return FileReadResult::Ok;
    case OsError::NotFound:
        return FileReadResult::NotFound;
    case OsError::NotRegular:
        return FileReadResult::NotAFile;
    default:
        return FileReadResult::Failed;
    }
}

} // namespace

FileReadResult CFileReader::Read(const std::string& path, size_t limit, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    COsFile file;
    const FileReadResult opened = FromOpen(file.OpenRegular(path));
    if (opened != FileReadResult::Ok) {
        Trace("CFileReader::Read() - %s cannot be read as a file", path.c_str());
        return opened;
    }
    uint64_t size = 0;
    if (file.Size(size) != OsError::None)
        return FileReadResult::Failed;
    if (size > limit) {
        Trace("CFileReader::Read() - %s holds %llu bytes, more than %zu", path.c_str(),
              static_cast<unsigned long long>(size), limit);
        return FileReadResult::TooLarge;
    }
    // The size is a first guess only: the file may shrink or grow while it is read.
    bytes.resize(static_cast<size_t>(size));
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > limit) {
                bytes.clear();
                return FileReadResult::TooLarge;
            }
            bytes.resize(std::min(limit + 1, filled + kStep));
        }
        size_t got = 0;
        if (file.Read(bytes.data() + filled, bytes.size() - filled, got) != OsError::None) {
            Trace("CFileReader::Read() - reading %s failed after %zu bytes", path.c_str(), filled);
            bytes.clear();
            return FileReadResult::Failed;
        }
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(filled);
    return FileReadResult::Ok;
}
