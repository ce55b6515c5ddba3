// Shared helpers of the style model and tree conversion tests: packed streams from event lists and back.
#pragma once

#include "bank/model/CNstRecords.h"
#include "bank/model/CNstRyIfc.h"
#include "events/CEventsPool.h"
#include "packed/CPackedStream.h"

#include <cstdint>
#include <gtest/gtest.h>
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
    std::stable_sort(events.begin(), events.end(),
                     [](const CTimed& a, const CTimed& b) { return a.time < b.time; });
    return events;
}

// Gives pattern `track` of `chordVar` the events, as an imported pattern of `length` ticks.
inline CNstPattern& SetPattern(CNstChordVar& chordVar, int track, const std::vector<CTimed>& events,
                               uint32_t length)
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

// Random notes in [0, length): `count` notes on random keys, each ended before the next bar line would
// be crossed, so that a pattern trimmed to `length` keeps every event.
inline std::vector<CTimed> RandomNotes(std::mt19937& rng, int count, uint32_t length)
{
    std::vector<CTimed> events;
    std::uniform_int_distribution<uint32_t> at(0, length - 2);
    std::uniform_int_distribution<int> key(30, 90);
    for (int i = 0; i < count; ++i) {
        const uint32_t on = at(rng);
        const uint32_t off = std::min(length - 1, on + 1 + at(rng) % 192);
        const auto k = static_cast<uint8_t>(key(rng));
        events.push_back({on, NoteOn(k)});
        events.push_back({off, NoteOff(k)});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const CTimed& a, const CTimed& b) { return a.time < b.time; });
    return events;
}

// A style with random elements, chord variations and tracks whose patterns are as long as their chord
// variations (Build then leaves them as they are). `eventsPerPattern` notes per pattern, on average.
inline void FillRandomStyle(CNstRyIfc& style, std::mt19937& rng, int eventsPerPattern)
{
    std::bernoulli_distribution half(0.5);
    std::uniform_int_distribution<int> measures(1, 4);
    for (int e = 0; e < kStyleElements; ++e) {
        if (e != 0 && !half(rng))
            continue;
        CNstStyleElem& element = style.GetElement(e);
        element.numerator = half(rng) ? 4 : 3;
        element.cvMeasures = static_cast<uint8_t>(measures(rng));
        element.elementAux = static_cast<uint8_t>(rng() & 0xFF);
        for (auto& entry : element.chordTable)
            entry = static_cast<uint8_t>(rng() % kChordVars);
        for (auto& track : element.tracks)
            track[3] = static_cast<uint8_t>(rng() & 0x7F);
        const int chordVars = e < 4 ? kChordVars : 2;
        for (int k = 0; k < chordVars; ++k) {
            if (k != 0 && !half(rng))
                continue;
            CNstChordVar& chordVar = element.GetChordVar(k);
            for (int t = 0; t < kStyleTracks; ++t) {
                if (t != 0 && !half(rng))
                    continue;
                const auto length = static_cast<uint32_t>(chordVar.lengthTicks);
                const int count = 1 + static_cast<int>(rng() % static_cast<uint32_t>(2 * eventsPerPattern));
                CNstPattern& pattern = SetPattern(chordVar, t, RandomNotes(rng, count, length), length);
                if (pattern.trackType != 0) {
                    pattern.param1 = static_cast<uint8_t>(rng());
                    pattern.param2 = static_cast<uint8_t>(rng());
                }
            }
        }
        element.FixChordTable();
    }
}

// Compares two models part by part: everything the content tree stores, patterns by their events.
inline void ExpectSameModel(const CNstRyIfc& a, const CNstRyIfc& b)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.version, b.version);
    EXPECT_EQ(a.trackStyle, b.trackStyle);
    for (int e = 0; e < kStyleElements; ++e) {
        SCOPED_TRACE("element " + std::to_string(e));
        const CNstStyleElem* x = a.FindElement(e);
        const CNstStyleElem* y = b.FindElement(e);
        ASSERT_EQ(x == nullptr, y == nullptr);
        if (!x)
            continue;
        EXPECT_EQ(x->tracks, y->tracks);
        EXPECT_EQ(x->numerator, y->numerator);
        EXPECT_EQ(x->denomExp, y->denomExp);
        EXPECT_EQ(x->elementAux, y->elementAux);
        EXPECT_EQ(x->chordTable, y->chordTable);
        for (int k = 0; k < kChordVars; ++k) {
            SCOPED_TRACE("chord variation " + std::to_string(k));
            const CNstChordVar* cx = x->FindChordVar(k);
            const CNstChordVar* cy = y->FindChordVar(k);
            ASSERT_EQ(cx == nullptr, cy == nullptr);
            if (!cx)
                continue;
            EXPECT_EQ(cx->lengthTicks, cy->lengthTicks);
            EXPECT_EQ(cx->measures, cy->measures);
            EXPECT_EQ(cx->tempoData, cy->tempoData);
            for (int t = 0; t < kStyleTracks; ++t) {
                SCOPED_TRACE("track " + std::to_string(t));
                const CNstPattern& px = cx->patterns[t];
                const CNstPattern& py = cy->patterns[t];
                ASSERT_EQ(px.isVirgin, py.isVirgin);
                if (px.isVirgin)
                    continue;
                EXPECT_EQ(px.trackType, py.trackType);
                EXPECT_EQ(px.param1, py.param1);
                EXPECT_EQ(px.param2, py.param2);
                EXPECT_EQ(px.lengthTicks, py.lengthTicks);
                EXPECT_EQ(ChannelEvents(px.data), ChannelEvents(py.data));
            }
        }
    }
}

// Parses a content tree held in `content` (which the parse leaves unchanged).
inline bool ParseContent(CStyleContent& content, CNstRyIfc& style)
{
    content.nav->Rewind();
    return style.Parse(*content.nav);
}
