// The pool of time slots in which encoders hold events they write later.
#pragma once

#include "events/CEvent.h"
#include "events/CEventsPool.h"
#include "events/CGlobalObject.h"

#include <cstddef>
#include <cstdint>

// A time slot. Its CEvent part is a placeholder that stays Empty, and the inherited `next` is the
// head of the slot's own event chain, so appending after the slot itself or after its last event
// writes the same link.
struct CLinkedEventsList : CLinkedEvent {
    uint32_t time = 0; // ticks
    CLinkedEventsList* nextSlot = nullptr;

    CLinkedEvent*& Events() { return next; }
    bool HasEvents() const { return next != nullptr; }
};

// A free list of slots linked through `nextSlot`; grows silently when empty and returns slots to
// the general heap only at shutdown. Single-threaded, no locking.
template <typename Slot> class CLinkedPool : public CGlobalObjectBase {
public:
    explicit CLinkedPool(size_t initialSlots)
    {
        Slot** tail = &freeHead;
        for (size_t i = 0; i < initialSlots; ++i, tail = &(*tail)->nextSlot)
            *tail = new Slot;
        freeCount = createdCount = initialSlots;
    }
    ~CLinkedPool() override { DeleteFree(); }

    // First free slot (its `nextSlot` cleared) or a new one: no events, time 0. Never null.
    Slot* TakeSlot()
    {
        Slot* slot = freeHead;
        if (!slot) {
            ++createdCount;
            return new Slot;
        }
        freeHead = slot->nextSlot;
        slot->nextSlot = nullptr;
        --freeCount;
        return slot;
    }
    // Returns the list from `first` along `nextSlot` (null allowed): each slot's time is cleared
    // and its chain released to the event pool, then the list goes in front of the free list.
    void ReturnSlots(Slot* first)
    {
        if (!first)
            return;
        Slot* last = first;
        for (Slot* slot = first; slot; slot = slot->nextSlot) {
            slot->time = 0;
            EventsPool().ReleaseEvents(slot->Events());
            slot->Events() = nullptr;
            last = slot;
            ++freeCount;
        }
        last->nextSlot = freeHead;
        freeHead = first;
    }

    // Number of slots on the free list, and of slots alive; equal when every slot has come back.
    size_t FreeCount() const { return freeCount; }
    size_t CreatedCount() const { return createdCount; }

    // Deletes every free slot.
    int OnShutdownLate() override
    {
        DeleteFree();
        return 0;
    }

private:
    void DeleteFree()
    {
        while (Slot* slot = freeHead) {
            freeHead = slot->nextSlot;
            delete slot;
        }
        createdCount -= freeCount;
        freeCount = 0;
    }

    Slot* freeHead = nullptr;
    size_t freeCount = 0;
    size_t createdCount = 0;
};

// The global slot pool of the encoders (32 slots at start).
CLinkedPool<CLinkedEventsList>& SlotPool();
