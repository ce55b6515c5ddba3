// Input stream over a caller's bytes.
#include "events/CMemIn.h"

#include <cassert>
#include <cstring>

CMemIn::CMemIn(const uint8_t* bytes, uint32_t count) : data(bytes)
{
    assert(bytes || count == 0);
    CStream::Open(nullptr, ModeRead);
    state = StateReading;
    size = count;
}

uint32_t CMemIn::Read(void* buffer, uint32_t count)
{
    const uint32_t available = pos < size ? size - pos : 0;
    lastCount = count < available ? count : available;
    if (lastCount) {
        std::memcpy(buffer, data + pos, lastCount);
        pos += lastCount;
    }
    return lastCount;
}
