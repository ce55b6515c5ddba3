// The stream base: opening and seeking shared by every stream.
#include "events/CStream.h"

#include <algorithm>
#include <limits>

bool CStream::Open(const char*, uint8_t openMode)
{
    pos = 0;
    error = 0;
    lastCount = 0;
    mode = openMode;
    state = StateOpened;
    return true;
}

bool CStream::Seek(int64_t offset, int origin)
{
    int64_t target;
    switch (origin) {
    case SeekBegin:
        target = offset;
        break;
    case SeekCurrent:
        target = offset + pos;
        break;
    case SeekEnd:
        target = offset + size;
        break;
    default:
        error = 1;
        return false;
    }
    int64_t limit = std::numeric_limits<uint32_t>::max();
    if (state == StateReading)
        limit = size;
    pos = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, limit));
    return true;
}

bool CStream::IsPending(uint32_t) const
{
    return false;
}
