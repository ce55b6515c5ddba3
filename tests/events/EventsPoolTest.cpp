#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/CLinkedPool.h"
#include "events/Trace.h"
#include "support/EventFakes.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {
// Takes every free record and gives them back on destruction.
struct CDrainedPool {
    std::vector<CLinkedEvent*> taken;
    explicit CDrainedPool(size_t leave = 0)
    {
        while (EventsPool().FreeCount() > leave)
            taken.push_back(EventsPool().GetNewEvent());
    }
    ~CDrainedPool()
    {
        for (CLinkedEvent* event : taken)
            EventsPool().ReleaseEvents(event);
    }
};

CLinkedEvent* ExternalEvent(uint32_t length)
{
    CLinkedEvent* event = EventsPool().GetNewEvent();
    std::memset(event->SetExternal(false, 1, length), 0xAB, length);
    return event;
}

uint8_t Sharers(const CEvent& event)
{
    return CEvBuffersPool::HeaderOf(event.Buffer()).refCount & CEvBlockHeader::CountMask;
}
} // namespace

TEST(EventsPool, ServesExactly1024RecordsAndRecoversAfterARelease)
{
    CTraceCapture capture;
    {
        CDrainedPool drained;
        ASSERT_EQ(drained.taken.size(), CEventsPool::Capacity);
        EXPECT_EQ(drained.taken.back()->next, nullptr);
        EXPECT_FALSE(capture.Contains("exhausted"));
        EXPECT_EQ(EventsPool().GetNewEvent(), nullptr);
        EXPECT_TRUE(capture.Contains("CEventPool::GetNewEvent() - Pool of events is exhausted"));

        EventsPool().ReleaseEvents(drained.taken.back());
        CLinkedEvent* again = EventsPool().GetNewEvent();
        EXPECT_EQ(again, drained.taken.back());
        EXPECT_EQ(again->Kind(), EventKind::Empty);
    }
    ExpectPoolsFull();
}

TEST(EventsPool, ReleasingAChainEmptiesEveryRecordAndDropsItsBufferReferences)
{
    CLinkedEvent* first = EventsPool().GetNewEvent(CEvent::ChannelHeader(EventKind::NoteOn, 1, 60, 100), 0);
    CLinkedEvent* shared = ExternalEvent(20);
    first->next = shared;
    shared->next = EventsPool().GetNewEvent(CEvent::EndOfTrackHeader, 0);
    CLinkedEvent keeper;
    keeper.ShareFrom(*shared);
    ASSERT_EQ(Sharers(keeper), 2);

    const size_t before = EventsPool().FreeCount();
    EventsPool().ReleaseEvents(first);
    EXPECT_EQ(EventsPool().FreeCount(), before + 3);
    EXPECT_EQ(Sharers(keeper), 1);
    EXPECT_EQ(keeper.DataByte(19), 0xAB); // still valid for the remaining sharer
    // The chain now heads the free list, each record Empty.
    for (int i = 0; i < 3; ++i) {
        CLinkedEvent* reused = EventsPool().GetNewEvent();
        EXPECT_EQ(reused->header, CEvent::EmptyHeader);
        EXPECT_EQ(reused->data, 0u);
        EventsPool().ReleaseEvents(reused);
    }
    keeper.ReleaseBuffer();
    ExpectPoolsFull();
}

TEST(EventsPool, CopyChainSharesBuffersAndKeepsOrder)
{
    CLinkedEvent* source = ExternalEvent(5);
    source->next = EventsPool().GetNewEvent(CEvent::ChannelHeader(EventKind::Control, 2, 7, 90), 0);
    CLinkedEvent* last = nullptr;
    CLinkedEvent* copy = EventsPool().CopyChain(source, &last);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Buffer(), source->Buffer());
    EXPECT_EQ(Sharers(*copy), 2);
    EXPECT_EQ(copy->next, last);
    EXPECT_EQ(last->header, source->next->header);
    EXPECT_EQ(last->next, nullptr);
    EventsPool().ReleaseEvents(source);
    EXPECT_EQ(copy->DataByte(4), 0xAB);
    EventsPool().ReleaseEvents(copy);
    ExpectPoolsFull();
}

TEST(EventsPool, CopyChainFailsWholeWhenThePoolRunsOutAndLeaksNothing)
{
    CLinkedEvent* source = ExternalEvent(3);
    source->next = ExternalEvent(40);
    source->next->next = EventsPool().GetNewEvent(CEvent::EndOfTrackHeader, 0);
    {
        CDrainedPool drained(2); // room for two of the three copies
        CLinkedEvent* last = source;
        EXPECT_EQ(EventsPool().CopyChain(source, &last), nullptr);
        EXPECT_EQ(last, nullptr);
        EXPECT_EQ(EventsPool().FreeCount(), 2u);
        EXPECT_EQ(Sharers(*source), 1);
        EXPECT_EQ(Sharers(*source->next), 1);
    }
    EventsPool().ReleaseEvents(source);
    ExpectPoolsFull();
}

TEST(EvBuffersPool, ServesEachSizeFromItsClassAndFallsBackUpwards)
{
    CTraceCapture capture;
    CEvBuffersPool& heap = EvBuffersPool();
    uint8_t* small = heap.Alloc(16);
    uint8_t* medium = heap.Alloc(17);
    EXPECT_TRUE(capture.Lines().empty());
    uint8_t* large = heap.Alloc(129);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(small).blockClass, CEvBuffersPool::ClassSmall);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(medium).blockClass, CEvBuffersPool::ClassMedium);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(large).blockClass, CEvBuffersPool::ClassLarge);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(large).blockSize, 129);
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], "CEventsHeap::Alloc - 'new' used for 133 bytes buffer");
    std::memset(large, 1, 129); // the whole payload is usable (asan checks)
    heap.Free(small);
    heap.Free(medium);
    heap.Free(large);

    // All small blocks taken: 1 byte gets a medium block; all medium taken too: the general heap.
    std::vector<uint8_t*> held;
    for (size_t i = 0; i < CEvBuffersPool::SmallCount; ++i)
        held.push_back(heap.Alloc(1));
    EXPECT_EQ(heap.SmallFreeCount(), 0u);
    uint8_t* fallback = heap.Alloc(1);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(fallback).blockClass, CEvBuffersPool::ClassMedium);
    held.push_back(fallback);
    while (heap.MediumFreeCount() > 0)
        held.push_back(heap.Alloc(100));
    capture.Clear();
    uint8_t* last = heap.Alloc(1);
    EXPECT_EQ(CEvBuffersPool::HeaderOf(last).blockClass, CEvBuffersPool::ClassLarge);
    EXPECT_TRUE(capture.Contains("used for 5 bytes buffer"));
    held.push_back(last);
    for (uint8_t* payload : held)
        heap.Free(payload);
    ExpectPoolsFull();
}

TEST(EvBuffersPool, SharedBufferReturnsToItsListOnlyAfterTheLastSharer)
{
    CLinkedEvent* event = ExternalEvent(8);
    CLinkedEvent* copy = EventsPool().CopyChain(event);
    const size_t freeSmall = EvBuffersPool().SmallFreeCount();
    EventsPool().ReleaseEvents(event);
    EXPECT_EQ(EvBuffersPool().SmallFreeCount(), freeSmall);
    EXPECT_EQ(copy->DataByte(7), 0xAB);
    EventsPool().ReleaseEvents(copy);
    EXPECT_EQ(EvBuffersPool().SmallFreeCount(), freeSmall + 1);
    ExpectPoolsFull();
}

TEST(EvBuffersPool, MoreThan63SharersGetPrivateCopiesInsteadOfWrappingTheCount)
{
    CLinkedEvent* original = ExternalEvent(12);
    CEvBlockHeader& head = CEvBuffersPool::HeaderOf(original->Buffer());
    head.refCount |= 0x80; // a flag bit above the count must survive sharing
    std::vector<CLinkedEvent> copies(70);
    for (CLinkedEvent& copy : copies)
        copy.ShareFrom(*original);
    EXPECT_EQ(head.refCount & CEvBlockHeader::CountMask, 63);
    EXPECT_EQ(head.refCount & 0x80, 0x80);
    EXPECT_FALSE(EvBuffersPool().AddRef(original->Buffer()));
    EXPECT_NE(copies.back().Buffer(), original->Buffer());
    EXPECT_EQ(copies.back().DataByte(11), 0xAB);
    for (CLinkedEvent& copy : copies)
        copy.ReleaseBuffer();
    EXPECT_EQ(head.refCount & CEvBlockHeader::CountMask, 1);
    EventsPool().ReleaseEvents(original);
    ExpectPoolsFull();
}

TEST(EvBuffersPool, FreeingABlockOfUnknownClassOnlyTraces)
{
    uint8_t* payload = EvBuffersPool().Alloc(4);
    const size_t freeSmall = EvBuffersPool().SmallFreeCount();
    CEvBuffersPool::HeaderOf(payload).blockClass = 3;
    CTraceCapture capture;
    EvBuffersPool().Free(payload);
    EXPECT_TRUE(capture.Contains("CEventsHeap::Free - Block ID unknown"));
    EXPECT_EQ(EvBuffersPool().SmallFreeCount(), freeSmall);
    // Repair the block so the heap is whole again for the other tests.
    CEvBuffersPool::HeaderOf(payload) = {CEvBuffersPool::ClassSmall, 1, 0};
    EvBuffersPool().Free(payload);
    ExpectPoolsFull();
}

TEST(SlotPool, ReturnedSlotsAreClearedAndReleaseTheirEvents)
{
    CLinkedEventsList* first = SlotPool().TakeSlot();
    CLinkedEventsList* second = SlotPool().TakeSlot();
    first->nextSlot = second;
    first->time = 100;
    first->Events() = ExternalEvent(30);
    second->Events() = EventsPool().GetNewEvent();
    SlotPool().ReturnSlots(first);
    ExpectPoolsFull();
    CLinkedEventsList* reused = SlotPool().TakeSlot();
    EXPECT_EQ(reused, first);
    EXPECT_EQ(reused->time, 0u);
    EXPECT_EQ(reused->Events(), nullptr);
    EXPECT_EQ(reused->nextSlot, nullptr);
    SlotPool().ReturnSlots(reused);
}

TEST(SlotPool, GrowsWhenEmptyAndKeepsTheNewSlots)
{
    std::vector<CLinkedEventsList*> taken;
    const size_t created = SlotPool().CreatedCount();
    for (size_t i = 0; i <= created; ++i)
        taken.push_back(SlotPool().TakeSlot());
    EXPECT_EQ(SlotPool().CreatedCount(), created + 1);
    for (CLinkedEventsList* slot : taken)
        SlotPool().ReturnSlots(slot);
    ExpectPoolsFull();
}
