// The event record: data access and buffer ownership.
#include "events/CEvent.h"

#include "events/CEvBuffersPool.h"

#include <cassert>
#include <cstring>

uint8_t CEvent::DataByte(uint32_t index) const
{
    assert(index < Length());
    if (IsExternal())
        return Buffer()[index];
    return index < 4 ? static_cast<uint8_t>(Inline() >> (8 * index)) : 0;
}

bool CEvent::SetMeta(uint8_t type, const uint8_t* bytes, uint32_t length)
{
    if (length > MaxLength)
        return false;
    if (length > 4) {
        std::memcpy(SetExternal(false, type, length), bytes, length);
        return true;
    }
    uint32_t word = 0;
    for (uint32_t i = 0; i < length; ++i)
        word |= uint32_t{bytes[i]} << (8 * i);
    header = MetaHeader(type, length, false);
    data = word;
    return true;
}

uint8_t* CEvent::SetExternal(bool isSysEx, uint8_t metaType, uint32_t length)
{
    if (length == 0 || length > MaxLength)
        return nullptr;
    uint8_t* buffer = EvBuffersPool().Alloc(length);
    header = isSysEx ? SysExHeader(length) : MetaHeader(metaType, length, true);
    data = reinterpret_cast<uintptr_t>(buffer);
    return buffer;
}

void CEvent::ShareFrom(const CEvent& source)
{
    header = source.header;
    data = source.data;
    if (!IsExternal() || EvBuffersPool().AddRef(source.Buffer()))
        return;
    // The sharer count is full: a private copy keeps both events valid without wrapping it.
    uint8_t* copy = EvBuffersPool().Alloc(Length());
    std::memcpy(copy, source.Buffer(), Length());
    data = reinterpret_cast<uintptr_t>(copy);
}

void CEvent::ReleaseBuffer()
{
    if (IsExternal())
        EvBuffersPool().Free(Buffer());
    header = EmptyHeader;
    data = 0;
}

CLinkedEvent* CLinkedEvent::Last()
{
    CLinkedEvent* event = this;
    while (event->next)
        event = event->next;
    return event;
}

size_t CLinkedEvent::ChainLength(const CLinkedEvent* chain)
{
    size_t count = 0;
    for (; chain; chain = chain->next)
        ++count;
    return count;
}
