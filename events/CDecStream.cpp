// The stream decoder base: chains, filler events, debt and rescaling to 384 ticks per quarter.
#include "events/CDecStream.h"

#include "events/CEventsPool.h"
#include "events/Trace.h"

#include <algorithm>

namespace {
// Largest delay a delivered chain may carry: the largest variable-length number, which also keeps
// the signed result clear of -1.
constexpr uint64_t MaxDelay = 0x0FFFFFFF;
} // namespace

CDecStream::CDecStream(uint32_t division) : sourceDivision(division), idleDelay(division * 10 / 200) {}

CDecStream::~CDecStream()
{
    DropLookAhead();
}

EventClass CDecStream::PendingClass() const
{
    return lookAhead ? lookAhead->Class() : EventClass::None;
}

bool CDecStream::ReadOne(uint32_t& delay, CEvent& event)
{
    int result;
    while ((result = OnExtractEvent(delay, event)) == ReadWaiting && blocking)
        ;
    if (result == ReadWaiting) {
        event.ReleaseBuffer();
        event.header = CEvent::FillerHeader;
        delay = idleDelay;
        debt += idleDelay;
        return true;
    }
    if (result != ReadOk) {
        decodeState = StateFailed;
        return false;
    }
    if (debt) {
        const uint32_t paid = std::min(debt, delay);
        delay -= paid;
        debt -= paid;
    }
    if (sourceDivision && delay)
        delay = Rescale(delay);
    if (event.IsEndOfTrack())
        decodeState = StateEnded;
    return true;
}

uint32_t CDecStream::Rescale(uint32_t delay)
{
    const uint64_t scaled = uint64_t{delay} * TicksPerQuarter + carry;
    carry = static_cast<uint32_t>(scaled % sourceDivision);
    return static_cast<uint32_t>(std::min(scaled / sourceDivision, MaxDelay));
}

void CDecStream::DropLookAhead()
{
    EventsPool().ReleaseEvents(lookAhead);
    lookAhead = nullptr;
}

int32_t CDecStream::OnRewind()
{
    if (decodeState == StateFailed)
        return NoDelay;
    decodeState = StateRunning;
    carry = 0;
    debt = 0;
    if (lookAhead) {
        lookAhead->ReleaseBuffer();
        EventsPool().ReleaseEvents(lookAhead->next);
        lookAhead->next = nullptr;
    } else {
        lookAhead = EventsPool().GetNewEvent();
    }
    uint32_t delay = 0;
    if (lookAhead && RewindInput() && ReadOne(delay, *lookAhead))
        return static_cast<int32_t>(delay);
    Trace("CDecStream::OnRewind () - Failed");
    DropLookAhead();
    decodeState = StateFailed;
    return NoDelay;
}

int32_t CDecStream::Fail(CLinkedEvent*& chain)
{
    Trace("CDecStream::ExtractEvent(...) - Extraction failed");
    DropLookAhead();
    EventsPool().ReleaseEvents(chain);
    chain = nullptr;
    decodeState = StateFailed;
    return NoDelay;
}

int32_t CDecStream::ExtractEvent(CLinkedEvent*& chain)
{
    chain = lookAhead;
    lookAhead = nullptr;
    if (decodeState == StateFailed || !chain) {
        EventsPool().ReleaseEvents(chain);
        chain = nullptr;
        return NoDelay;
    }
    if (decodeState == StateEnded)
        return NoDelay;
    const EventClass chainClass = chain->Class();
    CLinkedEvent* tail = chain;
    for (;;) {
        lookAhead = EventsPool().GetNewEvent();
        uint32_t delay = 0;
        if (!lookAhead || !ReadOne(delay, *lookAhead))
            return Fail(chain);
        if (delay != 0 || lookAhead->Class() != chainClass)
            return static_cast<int32_t>(delay);
        tail->next = lookAhead;
        tail = lookAhead;
        lookAhead = nullptr;
        if (tail->IsEndOfTrack())
            return NoDelay;
    }
}
