// Shared helpers of the style model and tree conversion tests: packed streams from event lists and back.
#pragma once

#include "bank/CNstRecords.h"
#include "bank/CNstRyIfc.h"
#include "bank/CNstStream.h"
#include "events/CEventsPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A channel event at an absolute time.
struct CTimed {
    uint32_t time;
    uint32_t header;
    bool operator==(const CTimed&) const = default;
};

inline void PrintTo(const CTimed& e, std::ostream* os)
{
    *os << "{" << e.time << ", 0x" << std::hex << e.header << std::dec << "}";
}

inline uint32_t NoteOn(uint8_t key, uint8_t velocity = 100)
{
    return CEvent::ChannelHeader(EventKind::NoteOn, 0, key, velocity);
}

inline uint32_t NoteOff(uint8_t key)
{
    return CEvent::ChannelHeader(EventKind::NoteOff, 0, key, 0);
}

// A packed stream of the given channel events (in time order) ending at `end`.
inline std::vector<uint8_t> PackedStream(const std::vector<CTimed>& events, uint32_t end)
{
    CPackedWriter out;
    for (const CTimed& e : events) {
        CEvent event;
        event.header = e.header;
        EXPECT_TRUE(out.WriteEvent(e.time, event));
    }
    EXPECT_TRUE(out.Finish(end));
    return out.TakeBytes();
}

// The channel events of a packed stream with their times; `end` receives the stream's end time.
inline std::vector<CTimed> ChannelEvents(const uint8_t* data, size_t size, uint32_t* end = nullptr)
{
    std::vector<CTimed> events;
    CPackedReader reader(data, size);
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time))
        for (const CLinkedEvent* e = chain.get(); e; e = e->next)
            if (e->Class() == EventClass::Channel)
                events.push_back({time, e->header});
    EXPECT_FALSE(reader.Failed());
    if (end)
        *end = reader.Time();
    return events;
}

inline std::vector<CTimed> ChannelEvents(const std::vector<uint8_t>& stream, uint32_t* end = nullptr)
{
    return ChannelEvents(stream.data(), stream.size(), end);
}

// `count` notes every `spacing` ticks from `first`, each sounding half the spacing, keys from `key` up.
inline std::vector<CTimed> Notes(int count, uint32_t spacing, uint8_t key = 36, uint32_t first = 0)
{
    std::vector<CTimed> events;
    for (int i = 0; i < count; ++i) {
        const uint32_t at = first + static_cast<uint32_t>(i) * spacing;
        const auto k = static_cast<uint8_t>(key + i % 24);
        events.push_back({at, NoteOn(k)});
        events.push_back({at + spacing / 2, NoteOff(k)});
    }
    std::stable_sort(events.begin(), events.end(), [](const CTimed& a, const CTimed& b) { return a.time < b.time; });
    return events;
}

// Gives pattern `track` of `chordVar` the events, as an imported pattern of `length` ticks.
inline CNstPattern& SetPattern(CNstChordVar& chordVar, int track, const std::vector<CTimed>& events, uint32_t length)
{
    CNstPattern& pattern = chordVar.GetPattern(track);
    const std::vector<uint8_t> stream = PackedStream(events, length);
    pattern.SetEvents(stream.data(), stream.size(), static_cast<int32_t>(length));
    return pattern;
}

// Every test leaves the event pool as full as it found it.
class PoolCheckedTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(EventsPool().FreeCount(), CEventsPool::Capacity); }
};

// The content bytes of a built style.
inline std::vector<uint8_t> ContentBytes(const CStyleContent& content)
{
    return {content.Bytes(), content.Bytes() + content.Size()};
}
