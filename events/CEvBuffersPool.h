// The global heap of reference-counted payload buffers for Meta and SysEx events.
#pragma once

#include "events/CGlobalObject.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The 4 bytes in front of every payload.
struct CEvBlockHeader {
    static constexpr uint8_t CountMask = 0x3F; // bits 0-5 count sharers; bits 6-7 are kept as found

    uint8_t blockClass; // 0 small, 1 medium, 2 large
    uint8_t refCount;
    uint16_t blockSize; // large blocks: the requested payload size (clamped to 0xFFFF)
};

// Payloads up to 16 bytes come from 32 small blocks, up to 128 bytes from 8 medium blocks (a small
// request falls back to a medium block), anything else from the general heap. Callers only see
// payload addresses. Single-threaded, no locking.
class CEvBuffersPool : public CGlobalObjectBase {
public:
    static constexpr uint8_t ClassSmall = 0;
    static constexpr uint8_t ClassMedium = 1;
    static constexpr uint8_t ClassLarge = 2;
    static constexpr size_t SmallCount = 32;
    static constexpr size_t SmallSize = 16;
    static constexpr size_t MediumCount = 8;
    static constexpr size_t MediumSize = 128;
    static constexpr uint8_t MaxSharers = CEvBlockHeader::CountMask;

    CEvBuffersPool();
    ~CEvBuffersPool() override;

    // Payload of at least `size` bytes (a size of 0 is served as 1) with one sharer. Never null;
    // a large block comes with the trace "CEventsHeap::Alloc - 'new' used for %d bytes buffer"
    // (%d = size + 4).
    uint8_t* Alloc(uint32_t size);
    // Adds a sharer. False, with nothing changed, when the buffer already has MaxSharers: the
    // caller must then copy the bytes instead of sharing them.
    bool AddRef(uint8_t* payload);
    // Drops a sharer; the last one returns the block to its class. An unknown class gives the
    // trace "CEventsHeap::Free - Block ID unknown" and leaves the block alone.
    void Free(uint8_t* payload);

    // The header in front of `payload`.
    static CEvBlockHeader& HeaderOf(uint8_t* payload)
    {
        return *reinterpret_cast<CEvBlockHeader*>(payload - sizeof(CEvBlockHeader));
    }

    // Bookkeeping, for leak checks: free small and medium blocks, large blocks alive.
    size_t SmallFreeCount() const { return small.freeCount; }
    size_t MediumFreeCount() const { return medium.freeCount; }
    size_t LargeInUse() const { return largeInUse; }

    // Frees both block arrays; afterwards small and medium payloads still held are ignored by Free.
    int OnShutdownLate() override;

private:
    // One preallocated class: header, payload, then the free-list link.
    template <size_t PayloadSize> struct Block {
        CEvBlockHeader head;
        uint8_t payload[PayloadSize];
        Block* link;
    };
    template <size_t PayloadSize> struct Class {
        std::unique_ptr<Block<PayloadSize>[]> blocks;
        Block<PayloadSize>* freeHead = nullptr;
        size_t freeCount = 0;
        uintptr_t first = 0, end = 0; // address range, kept after shutdown to recognise stale payloads

        void Build(size_t count, uint8_t blockClass);
        bool Contains(const uint8_t* payload) const;
        uint8_t* Take();
        void Put(uint8_t* payload);
    };

    Class<SmallSize> small;
    Class<MediumSize> medium;
    size_t largeInUse = 0;
};

// The global event buffer heap.
CEvBuffersPool& EvBuffersPool();
