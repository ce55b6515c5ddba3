// The global pool of event records.
#include "events/CEventsPool.h"

#include "events/Trace.h"

CEventsPool::CEventsPool() : events(std::make_unique<CLinkedEvent[]>(Capacity))
{
    for (size_t i = 0; i + 1 < Capacity; ++i)
        events[i].next = &events[i + 1];
    freeHead = &events[0];
    freeCount = Capacity;
}

CEventsPool::~CEventsPool()
{
    ReleaseStorage();
}

CLinkedEvent* CEventsPool::GetNewEvent()
{
    CLinkedEvent* event = freeHead;
    if (!event) {
        Trace("CEventPool::GetNewEvent() - Pool of events is exhausted");
        return nullptr;
    }
    freeHead = event->next;
    event->next = nullptr;
    --freeCount;
    return event;
}

CLinkedEvent* CEventsPool::GetNewEvent(uint32_t header, uintptr_t data)
{
    CLinkedEvent* event = GetNewEvent();
    if (event) {
        event->header = header;
        event->data = data;
    }
    return event;
}

void CEventsPool::ReleaseEvents(CLinkedEvent* chain)
{
    if (!chain)
        return;
    CLinkedEvent* last = chain;
    for (CLinkedEvent* event = chain; event; event = event->next) {
        event->ReleaseBuffer();
        last = event;
        ++freeCount;
    }
    last->next = freeHead;
    freeHead = chain;
}

CLinkedEvent* CEventsPool::CopyChain(const CLinkedEvent* chain, CLinkedEvent** last)
{
    CLinkedEvent* first = nullptr;
    CLinkedEvent* tail = nullptr;
    for (; chain; chain = chain->next) {
        CLinkedEvent* copy = GetNewEvent();
        if (!copy) {
            ReleaseEvents(first);
            first = tail = nullptr;
            break;
        }
        copy->ShareFrom(*chain);
        (tail ? tail->next : first) = copy;
        tail = copy;
    }
    if (last)
        *last = tail;
    return first;
}

int CEventsPool::OnShutdownLate()
{
    ReleaseStorage();
    return 0;
}

void CEventsPool::ReleaseStorage()
{
    if (!events)
        return;
    // Records still taken belong to owners that never released them; their buffers are freed here
    // so that only the records themselves are lost.
    for (size_t i = 0; i < Capacity; ++i)
        events[i].ReleaseBuffer();
    events.reset();
    freeHead = nullptr;
    freeCount = 0;
}
