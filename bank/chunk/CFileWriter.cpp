// Replaces a file only once its new contents have been written completely.
#include "bank/chunk/CFileWriter.h"

#include "events/Trace.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

CFileWriter::CFileWriter(std::string filePath) : path(std::move(filePath)) {}

void CFileWriter::InjectFault(Fault where, size_t byte)
{
    fault = where;
    faultByte = byte;
}

bool CFileWriter::WriteTemp(const uint8_t* data, size_t n) const
{
    const std::string temp = TempPath();
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) {
        Trace("CFileWriter::Write() - cannot create %s", temp.c_str());
        return false;
    }
    const size_t wanted = fault == Fault::AtByte ? std::min(faultByte, n) : n;
    bool ok = std::fwrite(data, 1, wanted, file) == wanted && fault != Fault::AtByte;
    ok = std::fflush(file) == 0 && ok;
    // The file is closed in every case; a failed close can mean the last bytes never reached the disk.
    ok = std::fclose(file) == 0 && fault != Fault::AtClose && ok;
    if (!ok)
        Trace("CFileWriter::Write() - writing %s failed", temp.c_str());
    return ok;
}

bool CFileWriter::Write(const uint8_t* data, size_t n)
{
    bool ok = WriteTemp(data, n) && fault != Fault::AtRename;
    std::error_code error;
    if (ok) {
        std::filesystem::rename(TempPath(), path, error);
        ok = !error;
    }
    fault = Fault::None; // an injected fault strikes once
    if (!ok) {
        Trace("CFileWriter::Write() - %s left unchanged", path.c_str());
        std::filesystem::remove(TempPath(), error);
    }
    return ok;
}
