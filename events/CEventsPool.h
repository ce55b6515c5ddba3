// The global pool of 1024 event records that every chain is made of.
#pragma once

#include "events/CEvent.h"
#include "events/CGlobalObject.h"

#include <cstddef>
#include <memory>

// A fixed array of records kept on a free list linked through `next`. The pool never grows: at
// most Capacity linked events exist at once. Single-threaded, no locking.
class CEventsPool : public CGlobalObjectBase {
public:
    static constexpr size_t Capacity = 1024;

    CEventsPool();
    ~CEventsPool() override;

    // Takes the first free record: header Empty, data 0, `next` null. Null when the pool is
    // exhausted (trace "CEventPool::GetNewEvent() - Pool of events is exhausted"); every caller
    // must then fail its operation without touching the record.
    CLinkedEvent* GetNewEvent();
    // Takes a record and sets its content; null as GetNewEvent.
    CLinkedEvent* GetNewEvent(uint32_t header, uintptr_t data);
    // Returns a whole chain (null allowed): each record's buffer is freed when external, its
    // header set Empty, then the chain goes in front of the free list. Constant time per record.
    void ReleaseEvents(CLinkedEvent* chain);
    // Copies a chain (null gives null) record by record in source order, buffers shared by
    // reference (see CEvent::ShareFrom). Returns the first copy and, through `last` when given,
    // the last. When the pool runs out, every copy made is released and the result is null
    // (`*last` null too).
    CLinkedEvent* CopyChain(const CLinkedEvent* chain, CLinkedEvent** last = nullptr);

    // Number of records on the free list (Capacity when every chain has come back).
    size_t FreeCount() const { return freeCount; }

    // Destroys the records (freeing any buffer one still holds) and the array; afterwards
    // GetNewEvent answers null.
    int OnShutdownLate() override;

private:
    void ReleaseStorage();

    std::unique_ptr<CLinkedEvent[]> events;
    CLinkedEvent* freeHead = nullptr;
    size_t freeCount = 0;
};

// The global event pool.
CEventsPool& EventsPool();

// Releases a chain through the global pool; lets a std::unique_ptr own a chain.
struct CChainReleaser {
    void operator()(CLinkedEvent* chain) const { EventsPool().ReleaseEvents(chain); }
};
using CChainPtr = std::unique_ptr<CLinkedEvent, CChainReleaser>;
