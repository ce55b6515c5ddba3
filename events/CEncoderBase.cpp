// The encoder base: time bookkeeping, dispatch by kind class, quantisation window and deferral.
#include "events/CEncoderBase.h"

#include "events/CEventsPool.h"
#include "events/Trace.h"

#include <algorithm>

namespace {
constexpr uint32_t MaxVarLen = 0x0FFFFFFF;
constexpr uint32_t KeyMask = 0x00FFFFFF; // kind, channel and key of a header
} // namespace

CEncoderBase::CEncoderBase()
{
    TakeFreshSlots();
}

CEncoderBase::~CEncoderBase()
{
    SlotPool().ReturnSlots(headSlot);
}

void CEncoderBase::TakeFreshSlots()
{
    headSlot = tailSlot = SlotPool().TakeSlot();
    appendPoint = headSlot;
    slotTag = 0;
}

bool CEncoderBase::Open()
{
    if (isOpen)
        return false;
    lastTime = curTime = 0;
    isOpen = 1;
    ResetSlots();
    ComputeWindow();
    return true;
}

bool CEncoderBase::Close()
{
    if (!isOpen)
        return false;
    isOpen = 0;
    return Flush();
}

void CEncoderBase::ResetSlots()
{
    SlotPool().ReturnSlots(headSlot);
    TakeFreshSlots();
}

int CEncoderBase::ShutNotes(uint32_t)
{
    return 0;
}

bool CEncoderBase::OnTime(uint32_t)
{
    return true;
}

bool CEncoderBase::OnSlotRecord(const uint8_t*, uint32_t, uint8_t, uint8_t)
{
    return false;
}

bool CEncoderBase::ShiftTime(uint32_t ticks)
{
    if (windowEnd != gridTime)
        return Flush();
    for (CLinkedEventsList* slot = headSlot; slot; slot = slot->nextSlot)
        if (slot->HasEvents())
            slot->time += ticks;
    return true;
}

bool CEncoderBase::WriteChainAt(uint32_t time, const CLinkedEvent* chain)
{
    curTime = time;
    if (grid <= 0) {
        slotTime = curTime;
        return WriteEvents(curTime, chain);
    }
    if (!AdvanceTo())
        return false;
    slotTime = curTime;
    return WriteEventsQuantized(curTime, chain);
}

bool CEncoderBase::WriteEndOfTrackAt(uint32_t time)
{
    CLinkedEvent endOfTrack;
    endOfTrack.header = CEvent::EndOfTrackHeader;
    return WriteChainAt(time, &endOfTrack);
}

bool CEncoderBase::AdvanceTime(uint32_t time)
{
    // An earlier time wraps to a huge delay, which VarLenNum clamps with its trace.
    if (!EncodeDelta(time - lastTime))
        return false;
    lastTime = time;
    return true;
}

bool CEncoderBase::WriteMeta(uint32_t& time, const CLinkedEvent& event)
{
    if (event.IsFiller())
        return true;
    if (event.IsEndOfTrack()) {
        bool flushed = true;
        if (isOpen && curTime < windowEnd)
            flushed = Flush();
        // End of Track is never written before the last event written.
        time = std::max(time, GetEndTime());
        if (!flushed)
            return false;
    }
    return OnMetaEvent(time, event);
}

bool CEncoderBase::WriteEvents(uint32_t time, const CLinkedEvent* chain)
{
    if (!chain || chain->Class() == EventClass::None || !OnTime(time))
        return false;
    // Dispatch per event rather than per chain, so that a slot holding deferred events of several
    // classes is written correctly.
    for (const CLinkedEvent* event = chain; event; event = event->next) {
        bool written = false;
        switch (event->Class()) {
        case EventClass::Channel:
            written = OnChannelMsg(time, *event);
            break;
        case EventClass::Meta:
            written = WriteMeta(time, *event);
            break;
        case EventClass::SysEx:
            written = OnSysEx(time, *event);
            break;
        case EventClass::None:
            break;
        }
        if (!written)
            return false;
    }
    return true;
}

void CEncoderBase::ComputeWindow()
{
    if (grid <= 0) {
        gridTime = windowEnd = 0;
        return;
    }
    const uint32_t step = static_cast<uint32_t>(grid);
    const uint32_t r = curTime % step;
    if (r < step / 2) {
        gridTime = curTime - r;
        windowEnd = gridTime + step / 2;
    } else {
        gridTime = windowEnd = curTime + step - r;
    }
}

void CEncoderBase::SetQuantize(int32_t step)
{
    grid = step;
    ComputeWindow();
}

bool CEncoderBase::AdvanceTo()
{
    bool result = true;
    if (windowEnd <= curTime) {
        result = Flush();
        ComputeWindow();
    } else if (tailSlot->HasEvents()) {
        CLinkedEventsList* slot = SlotPool().TakeSlot();
        tailSlot->nextSlot = slot;
        tailSlot = slot;
        appendPoint = slot;
    }
    tailSlot->time = curTime;
    return result;
}

bool CEncoderBase::Flush()
{
    const bool roundedUp = windowEnd == gridTime;
    // The slots are taken off the encoder before writing, so that an End of Track among them,
    // which flushes again, finds an empty window.
    CLinkedEventsList* slot = headSlot;
    TakeFreshSlots();
    bool result = true;
    while (slot) {
        CLinkedEventsList* following = slot->nextSlot;
        slot->nextSlot = nullptr;
        if (slot->HasEvents()) {
            slotTime = slot->time;
            result = WriteEvents(roundedUp ? gridTime : slot->time, slot->Events()) && result;
        }
        SlotPool().ReturnSlots(slot);
        slot = following;
    }
    ResetSlots();
    return result;
}

bool CEncoderBase::HasDeferredOn(uint32_t onKey) const
{
    for (const CLinkedEventsList* slot = headSlot; slot; slot = slot->nextSlot)
        for (const CLinkedEvent* event = slot->next; event; event = event->next)
            if ((event->header & KeyMask) == onKey)
                return true;
    return false;
}

bool CEncoderBase::Defer(const CEvent& event)
{
    CLinkedEvent* copy = EventsPool().GetNewEvent();
    if (!copy)
        return false;
    copy->ShareFrom(event);
    appendPoint->next = copy;
    appendPoint = copy;
    return true;
}

bool CEncoderBase::DeferChain(const CLinkedEvent* chain)
{
    CLinkedEvent* last = nullptr;
    CLinkedEvent* copies = EventsPool().CopyChain(chain, &last);
    if (!copies)
        return false;
    appendPoint->next = copies;
    appendPoint = last;
    return true;
}

bool CEncoderBase::WriteChannelQuantized(uint32_t time, const CLinkedEvent& event)
{
    if (time >= gridTime)
        return IsQuantizable(event) ? OnChannelMsg(gridTime, event) : Defer(event);
    // Window rounded up: offs go out at the grid point unless their on is still held, so that at
    // one grid point the offs precede the ons.
    EventKind on = EventKind::Empty;
    if (event.Kind() == EventKind::NoteOff)
        on = EventKind::NoteOn;
    else if (event.Kind() == EventKind::SoundOff)
        on = EventKind::SoundOn;
    if (on != EventKind::Empty &&
        !HasDeferredOn((event.header & KeyMask & ~0xFFu) | static_cast<uint32_t>(on)))
        return OnChannelMsg(gridTime, event);
    return Defer(event);
}

bool CEncoderBase::WriteEventsQuantized(uint32_t time, const CLinkedEvent* chain)
{
    if (!chain)
        return false;
    switch (chain->Class()) {
    case EventClass::Channel:
        if (!OnTime(time >= gridTime ? gridTime : time))
            return false;
        for (const CLinkedEvent* event = chain; event; event = event->next)
            if (!WriteChannelQuantized(time, *event))
                return false;
        return true;
    case EventClass::Meta:
    case EventClass::SysEx:
        if (time > gridTime)
            return OnTime(gridTime) && DeferChain(chain);
        return WriteEvents(time, chain);
    case EventClass::None:
        break;
    }
    return false;
}

int CEncoderBase::VarLenNum(uint32_t value, uint8_t* out)
{
    if (value > MaxVarLen) {
        Trace("CEncoderBase::VarLenNum - dwValue >= 2^28");
        value = MaxVarLen;
    }
    int count = 1;
    while (count < 4 && value >> (7 * count))
        ++count;
    for (int i = 0; i < count; ++i) {
        const int shift = 7 * (count - 1 - i);
        out[i] = static_cast<uint8_t>(((value >> shift) & 0x7F) | (i + 1 < count ? 0x80 : 0));
    }
    return count;
}
