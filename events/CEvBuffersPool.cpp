// The global heap of reference-counted event buffers.
#include "events/CEvBuffersPool.h"

#include "events/Trace.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <new>

template <size_t PayloadSize> void CEvBuffersPool::Class<PayloadSize>::Build(size_t count, uint8_t blockClass)
{
    blocks = std::make_unique<Block<PayloadSize>[]>(count);
    for (size_t i = 0; i < count; ++i) {
        blocks[i].head = {blockClass, 0, 0};
        blocks[i].link = i + 1 < count ? &blocks[i + 1] : nullptr;
    }
    freeHead = &blocks[0];
    freeCount = count;
    first = reinterpret_cast<uintptr_t>(&blocks[0]);
    end = reinterpret_cast<uintptr_t>(&blocks[count]);
}

template <size_t PayloadSize> bool CEvBuffersPool::Class<PayloadSize>::Contains(const uint8_t* payload) const
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(payload);
    return address >= first && address < end;
}

template <size_t PayloadSize> uint8_t* CEvBuffersPool::Class<PayloadSize>::Take()
{
    Block<PayloadSize>* block = freeHead;
    if (!block)
        return nullptr;
    freeHead = block->link;
    --freeCount;
    return block->payload;
}

template <size_t PayloadSize> void CEvBuffersPool::Class<PayloadSize>::Put(uint8_t* payload)
{
    if (!blocks)
        return; // storage already released at shutdown
    auto* block = reinterpret_cast<Block<PayloadSize>*>(payload - offsetof(Block<PayloadSize>, payload));
    block->link = freeHead;
    freeHead = block;
    ++freeCount;
}

CEvBuffersPool::CEvBuffersPool()
{
    small.Build(SmallCount, ClassSmall);
    medium.Build(MediumCount, ClassMedium);
}

CEvBuffersPool::~CEvBuffersPool() = default;

uint8_t* CEvBuffersPool::Alloc(uint32_t size)
{
    size = std::max<uint32_t>(size, 1);
    uint8_t* payload = size <= SmallSize ? small.Take() : nullptr;
    if (!payload && size <= MediumSize)
        payload = medium.Take();
    if (!payload) {
        const size_t blockBytes = size_t{size} + sizeof(CEvBlockHeader);
        Trace("CEventsHeap::Alloc - 'new' used for %d bytes buffer", static_cast<int>(blockBytes));
        auto* block = new uint8_t[blockBytes];
        new (block) CEvBlockHeader{ClassLarge, 0, static_cast<uint16_t>(std::min<uint32_t>(size, 0xFFFF))};
        payload = block + sizeof(CEvBlockHeader);
        ++largeInUse;
    }
    CEvBlockHeader& head = HeaderOf(payload);
    head.refCount = static_cast<uint8_t>((head.refCount & ~CEvBlockHeader::CountMask) | 1);
    return payload;
}

bool CEvBuffersPool::AddRef(uint8_t* payload)
{
    CEvBlockHeader& head = HeaderOf(payload);
    if ((head.refCount & CEvBlockHeader::CountMask) >= MaxSharers)
        return false;
    ++head.refCount;
    return true;
}

void CEvBuffersPool::Free(uint8_t* payload)
{
    // A small or medium payload outliving the arrays (held past shutdown) has nowhere to go back to,
    // and its header is gone with them.
    if ((small.Contains(payload) && !small.blocks) || (medium.Contains(payload) && !medium.blocks))
        return;
    CEvBlockHeader& head = HeaderOf(payload);
    const uint8_t count = head.refCount & CEvBlockHeader::CountMask;
    assert(count != 0 && "buffer freed more often than shared");
    if (count == 0)
        return;
    --head.refCount;
    if (count > 1)
        return;
    switch (head.blockClass) {
    case ClassSmall:
        small.Put(payload);
        break;
    case ClassMedium:
        medium.Put(payload);
        break;
    case ClassLarge:
        --largeInUse;
        head.~CEvBlockHeader();
        delete[](payload - sizeof(CEvBlockHeader));
        break;
    default:
        Trace("CEventsHeap::Free - Block ID unknown");
        break;
    }
}

int CEvBuffersPool::OnShutdownLate()
{
    small.blocks.reset();
    medium.blocks.reset();
    small.freeHead = nullptr;
    medium.freeHead = nullptr;
    small.freeCount = medium.freeCount = 0;
    return 0;
}
