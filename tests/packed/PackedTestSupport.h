// Shared helpers of the packed subsystem's tests: leak checks, event builders, decode to a list.
#pragma once

#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/CLinkedPool.h"
#include "packed/CDecProp.h"
#include "packed/CEncoderProp.h"
#include "packed/CNoteInfoPool.h"
#include "support/EventFakes.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Every test of the suite ends with all pools full: no chain, buffer, slot or note record leaks on
// any path.
class PackedTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ExpectPoolsFull();
        EXPECT_EQ(CNoteInfoPool::Instance().FreeCount(), CNoteInfoPool::Capacity) << "note records leaked";
    }
};

// One decoded or to-be-encoded event with its absolute time and its data bytes spelled out.
struct TimedEvent {
    uint32_t time = 0;
    uint32_t header = 0;
    uint32_t word = 0; // inline data, or 0 for external events
    Bytes bytes;       // data bytes of Meta and SysEx events

    bool operator==(const TimedEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TimedEvent& e)
{
    out << "t=" << e.time << " header=0x" << std::hex << e.header << " word=0x" << e.word << " bytes=";
    for (uint8_t b : e.bytes)
        out << int(b) << ' ';
    return out << std::dec;
}

inline TimedEvent Channel(uint32_t time, EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2 = 0)
{
    return {time, CEvent::ChannelHeader(kind, channel, data1, data2), 0, {}};
}

inline TimedEvent NoteEvent(uint32_t time, uint8_t channel, uint8_t key, uint8_t velocity, uint32_t duration,
                            uint8_t offVelocity, EventKind kind = EventKind::Note)
{
    return {time,
            CEvent::ChannelHeader(kind, channel, key, velocity),
            CEvent::NoteData(duration, offVelocity),
            {}};
}

inline TimedEvent MetaEvent(uint32_t time, uint8_t type, Bytes bytes)
{
    return {time, CEvent::MetaHeader(type, static_cast<uint32_t>(bytes.size()), bytes.size() > 4), 0, bytes};
}

inline TimedEvent SysExEvent(uint32_t time, Bytes bytes)
{
    return {time, CEvent::SysExHeader(static_cast<uint32_t>(bytes.size())), 0, bytes};
}

inline TimedEvent EndOfTrack(uint32_t time)
{
    return {time, CEvent::EndOfTrackHeader, 0, {}};
}

// A pooled record holding `e` (a buffer of its own for Meta and SysEx data); null when the pool
// is exhausted.
CLinkedEvent* MakeEvent(const TimedEvent& e);
// The description of a record, at `time`.
TimedEvent Describe(uint32_t time, const CEvent& event);

// Decodes a whole stream; each event with its absolute time. `chains`, when given, receives the
// number of events of each chain in order.
std::vector<TimedEvent> DecodeAll(const uint8_t* bytes, size_t size, std::vector<size_t>* chains = nullptr);
inline std::vector<TimedEvent> DecodeAll(const Bytes& bytes, std::vector<size_t>* chains = nullptr)
{
    return DecodeAll(bytes.data(), bytes.size(), chains);
}

// Writes `events` (in time order; each event a chain of its own unless `grouped`, where
// consecutive events of one time and class share a chain) through `encoder`.
void WriteAll(CEncoderBase& encoder, const std::vector<TimedEvent>& events, bool grouped = false);

// The stream of `events` written by a CMemEncoder of its own, in note mode or with notes split.
Bytes EncodeAll(const std::vector<TimedEvent>& events, bool noteMode, bool grouped = false);

// The pieces one after the other.
inline Bytes Concat(std::initializer_list<Bytes> pieces)
{
    size_t total = 0;
    for (const Bytes& piece : pieces)
        total += piece.size();
    Bytes out;
    out.reserve(total);
    for (const Bytes& piece : pieces)
        out.insert(out.end(), piece.begin(), piece.end());
    return out;
}

// "first mismatch at index i" for vectors of events or bytes; empty when equal.
template <typename T>
::testing::AssertionResult SameSequence(const std::vector<T>& actual, const std::vector<T>& expected)
{
    const size_t n = std::min(actual.size(), expected.size());
    for (size_t i = 0; i < n; ++i)
        if (!(actual[i] == expected[i]))
            return ::testing::AssertionFailure()
                   << "first mismatch at index " << i << ": got " << ::testing::PrintToString(actual[i])
                   << ", expected " << ::testing::PrintToString(expected[i]);
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << "sizes differ: got " << actual.size() << ", expected " << expected.size();
    return ::testing::AssertionSuccess();
}
