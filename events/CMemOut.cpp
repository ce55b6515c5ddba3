// Output stream into a growing buffer.
#include "events/CMemOut.h"

#include <algorithm>
#include <cstring>
#include <limits>

CMemOut::CMemOut() : buffer(new uint8_t[InitialCapacity]())
{
    CStream::Open(nullptr, ModeWrite);
    state = StateWriting;
}

CMemOut::~CMemOut()
{
    if (owned)
        delete[] buffer;
}

COut& CMemOut::Write(const void* bytes, uint32_t count)
{
    const uint64_t room = pos < capacity ? capacity - pos : 0;
    if (room < count) {
        // Grows by the request, the old capacity and 2000 spare bytes; a position sought past the
        // capacity is covered too, and the 32-bit size limit cuts what cannot fit.
        const uint64_t wanted =
            std::max<uint64_t>(uint64_t{count} + capacity, uint64_t{pos} + count) + GrowthSlack;
        const uint64_t newCapacity = std::min<uint64_t>(wanted, std::numeric_limits<uint32_t>::max());
        if (owned && newCapacity > capacity) {
            auto* grown = new uint8_t[newCapacity]();
            std::memcpy(grown, buffer, size);
            delete[] buffer;
            buffer = grown;
            capacity = static_cast<uint32_t>(newCapacity);
        }
        const uint64_t fits = pos < capacity ? capacity - pos : 0;
        count = static_cast<uint32_t>(std::min<uint64_t>(count, fits));
    }
    lastCount = count;
    if (count == 0)
        return *this;
    std::memcpy(buffer + pos, bytes, count);
    pos += count;
    size = std::max(size, pos);
    return *this;
}

std::unique_ptr<uint8_t[]> CMemOut::Detach()
{
    if (!owned)
        return nullptr;
    owned = false;
    return std::unique_ptr<uint8_t[]>(buffer);
}
