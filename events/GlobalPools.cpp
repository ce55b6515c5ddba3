// The three global pools, constructed before the main routine in a fixed order.
#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/CLinkedPool.h"

namespace {
constexpr size_t InitialSlots = 32;

// Members are constructed in declaration order, so the collector's list (newest first) reads:
// buffer heap, slot pool, event pool; shutdown hooks reach them in that order.
struct GlobalPools {
    CEventsPool events;
    CLinkedPool<CLinkedEventsList> slots{InitialSlots};
    CEvBuffersPool buffers;

    // Records still holding buffers give them back while the heap exists.
    ~GlobalPools() { events.OnShutdownLate(); }
};

GlobalPools& Pools()
{
    static GlobalPools pools;
    return pools;
}

// Builds the pools before main even when nothing touches them during static initialisation.
[[maybe_unused]] const GlobalPools& constructedBeforeMain = Pools();
} // namespace

CEventsPool& EventsPool()
{
    return Pools().events;
}

CLinkedPool<CLinkedEventsList>& SlotPool()
{
    return Pools().slots;
}

CEvBuffersPool& EvBuffersPool()
{
    return Pools().buffers;
}
