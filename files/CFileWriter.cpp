// Replaces a file only once its new contents lie complete on the disk.
#include "files/CFileWriter.h"

#include "events/Trace.h"
#include "files/COsFile.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

namespace {

// Names tried for the temporary file before giving up: each is taken only by another writer's file.
constexpr int kNameTries = 64;

const char* Reason(OsError error)
{
    switch (error) {
    case OsError::None:
        return "done";
    case OsError::NotFound:
        return "no such file or folder";
    case OsError::NotRegular:
        return "not a regular file";
    case OsError::Exists:
        return "the name is taken";
    case OsError::NoSpace:
        return "no space left";
    case OsError::Other:
        break;
    }
    return "refused by the system";
}

} // namespace

CFileWriter::CFileWriter(std::string filePath) : path(std::move(filePath)) {}

void CFileWriter::InjectFault(Fault where, size_t byte)
{
    fault = where;
    faultByte = byte;
}

template <typename Call> auto CFileWriter::Step(Fault step, Call&& call) const
{
    return fault == step ? OsError::Other : call();
}

bool CFileWriter::CreateTemp(const std::string& target, COsFile& file, std::string& temp) const
{
    // One program writes one file at a time; other programs' writers draw from their own seeds.
    static std::mt19937 names{std::random_device{}()};
    OsError error = OsError::Exists;
    for (int i = 0; i < kNameTries && error == OsError::Exists; ++i) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(names()));
        temp = target + suffix;
        error = Step(Fault::AtCreate, [&] { return file.CreateExclusive(temp); });
    }
    if (error != OsError::None)
        Trace("CFileWriter::Write() - cannot create a file beside %s: %s", target.c_str(), Reason(error));
    return error == OsError::None;
}

bool CFileWriter::FillTemp(COsFile& file, const uint8_t* data, size_t n, const COsTarget& old) const
{
    OsError error = OsError::None;
    if (fault == Fault::AtByte) {
        error = file.Write(data, std::min(faultByte, n));
        if (error == OsError::None)
            error = OsError::NoSpace;
    } else {
        error = file.Write(data, n);
    }
    if (error == OsError::None && old.Exists)
        error = file.SetMode(old.Mode);
    if (error == OsError::None)
        error = Step(Fault::AtSync, [&] { return file.Sync(); });
    // Closed in every case; a failed close can mean the last bytes never reached the disk.
    const OsError closed = Step(Fault::AtClose, [&] { return file.Close(); });
    if (error == OsError::None)
        error = closed;
    if (error != OsError::None)
        Trace("CFileWriter::Write() - writing %s failed: %s", path.c_str(), Reason(error));
    return error == OsError::None;
}

bool CFileWriter::WriteAll(const uint8_t* data, size_t n) const
{
    const std::string target = COsFile::FinalTarget(path);
    const COsTarget old = COsFile::Inspect(target);
    // Renaming over a folder fails anyway; over a device or a read-only file it would succeed and must not.
    if (old.Exists && (!old.Regular || !old.Writable)) {
        Trace("CFileWriter::Write() - %s is no file this user may replace", target.c_str());
        return false;
    }
    COsFile file;
    std::string temp;
    if (!CreateTemp(target, file, temp))
        return false;
    OsError error = FillTemp(file, data, n, old) ? OsError::None : OsError::Other;
    if (error == OsError::None) {
        error = Step(Fault::AtRename, [&] { return COsFile::Replace(temp, target); });
        if (error != OsError::None)
            Trace("CFileWriter::Write() - renaming over %s failed: %s", target.c_str(), Reason(error));
    }
    if (error != OsError::None) {
        COsFile::Remove(temp);
        Trace("CFileWriter::Write() - %s left unchanged", target.c_str());
        return false;
    }
    error = Step(Fault::AtFolderSync, [&] { return COsFile::SyncFolder(COsFile::FolderOf(target)); });
    if (error != OsError::None)
        Trace("CFileWriter::Write() - %s replaced, but its folder could not be synced: %s", target.c_str(),
              Reason(error));
    return error == OsError::None;
}

bool CFileWriter::Write(const uint8_t* data, size_t n)
{
    const bool written = WriteAll(data, n);
    fault = Fault::None; // an injected fault strikes once
    return written;
}
