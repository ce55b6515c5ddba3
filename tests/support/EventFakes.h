// Test doubles of the event engine: a decoder over a list of timed events, a recording encoder,
// a driver that runs one into the other, and a check that every pool is full again.
#pragma once

#include "events/CDecStream.h"
#include "events/CEncoderBase.h"
#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/CLinkedPool.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

// One event of a CFakeDecoder's source: its delay in source ticks and content, or a read result
// other than ReadOk to report at this point.
struct CFakeEntry {
    uint32_t delay = 0;
    uint32_t header = CEvent::EmptyHeader;
    uintptr_t data = 0;
    std::vector<uint8_t> bytes; // Meta or SysEx data; placed inline or in a buffer as the record needs
    int result = CDecStream::ReadOk;
};

inline CFakeEntry FakeChannel(uint32_t delay, EventKind kind, uint8_t channel, uint8_t data1,
                              uint8_t data2 = 0)
{
    return {delay, CEvent::ChannelHeader(kind, channel, data1, data2), 0, {}, CDecStream::ReadOk};
}
inline CFakeEntry FakeNote(uint32_t delay, uint8_t channel, uint8_t key, uint32_t duration)
{
    return {delay,
            CEvent::ChannelHeader(EventKind::Note, channel, key, 100),
            CEvent::NoteData(duration, 64),
            {},
            CDecStream::ReadOk};
}
inline CFakeEntry FakeMeta(uint32_t delay, uint8_t type, std::vector<uint8_t> bytes)
{
    return {delay, CEvent::MetaHeader(type, 0, false), 0, std::move(bytes), CDecStream::ReadOk};
}
inline CFakeEntry FakeSysEx(uint32_t delay, std::vector<uint8_t> bytes)
{
    return {delay, CEvent::SysExHeader(0), 0, std::move(bytes), CDecStream::ReadOk};
}
inline CFakeEntry FakeEndOfTrack(uint32_t delay)
{
    return {delay, CEvent::EndOfTrackHeader, 0, {}, CDecStream::ReadOk};
}
inline CFakeEntry FakeResult(int result)
{
    CFakeEntry entry;
    entry.result = result;
    return entry;
}

// A stream decoder over a list of entries. Running past the last entry fails the read, as a track
// without End of Track does.
class CFakeDecoder : public CDecStream {
public:
    CFakeDecoder(uint32_t division, std::vector<CFakeEntry> source)
        : CDecStream(division), entries(std::move(source))
    {
    }

    bool failRewind = false;

protected:
    int OnExtractEvent(uint32_t& delay, CEvent& event) override
    {
        if (next >= entries.size())
            return ReadFailed;
        const CFakeEntry& entry = entries[next++];
        if (entry.result != ReadOk)
            return entry.result;
        delay = entry.delay;
        const auto kind = static_cast<EventKind>(entry.header & 0xFF);
        const auto size = static_cast<uint32_t>(entry.bytes.size());
        if (kind == EventKind::Meta && entry.header != CEvent::FillerHeader)
            event.SetMeta(static_cast<uint8_t>(entry.header >> 8), entry.bytes.data(), size);
        else if (kind == EventKind::SysEx)
            std::copy(entry.bytes.begin(), entry.bytes.end(), event.SetExternal(true, 0, size));
        else {
            event.header = entry.header;
            event.data = entry.data;
        }
        return ReadOk;
    }
    bool RewindInput() override
    {
        next = 0;
        return !failRewind;
    }

private:
    std::vector<CFakeEntry> entries;
    size_t next = 0;
};

// One event as a CRecordingEncoder saw it.
struct CWritten {
    uint32_t time;  // time given to the writer
    uint32_t delta; // delay written before it
    uint32_t header;
    uint32_t inlineData;        // data word of non-external events
    std::vector<uint8_t> bytes; // data bytes of Meta and SysEx events
};

// Records every event written, with the delay in front of it. `failAt` makes the write with that
// index (0-based, counting every writer call) fail.
class CRecordingEncoder : public CEncoderBase {
public:
    std::vector<CWritten> written;
    std::vector<uint32_t> onTimes;
    long failAt = -1;

    bool OnChannelMsg(uint32_t time, const CEvent& event) override { return Record(time, event); }
    bool OnMetaEvent(uint32_t time, const CEvent& event) override { return Record(time, event); }
    bool OnSysEx(uint32_t time, const CEvent& event) override { return Record(time, event); }
    bool EncodeDelta(uint32_t ticks) override
    {
        pendingDelta = ticks;
        return true;
    }
    bool OnTime(uint32_t time) override
    {
        onTimes.push_back(time);
        return true;
    }

    // (time, header) of every event written, for compact comparisons.
    std::vector<std::pair<uint32_t, uint32_t>> TimesAndHeaders() const
    {
        std::vector<std::pair<uint32_t, uint32_t>> result;
        for (const CWritten& w : written)
            result.emplace_back(w.time, w.header);
        return result;
    }

private:
    bool Record(uint32_t time, const CEvent& event)
    {
        if (calls++ == failAt)
            return false;
        AdvanceTime(time);
        CWritten w{time, pendingDelta, event.header, event.IsExternal() ? 0 : event.Inline(), {}};
        if (event.Class() != EventClass::Channel)
            for (uint32_t i = 0; i < event.Length(); ++i)
                w.bytes.push_back(event.DataByte(i));
        written.push_back(std::move(w));
        return true;
    }

    long calls = 0;
    uint32_t pendingDelta = 0;
};

// Runs a decoder into an open encoder by the two protocols: rewind, then each chain written at its
// absolute time and released. Answers false when the decoder fails or a write fails; the encoder
// is left open.
inline bool TransferEvents(CDecBase& decoder, CEncoderBase& encoder)
{
    int32_t delay = decoder.OnRewind();
    if (delay < 0)
        return false;
    uint32_t time = 0;
    for (;;) {
        time += static_cast<uint32_t>(delay);
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractEvent(chain);
        CChainPtr owned(chain);
        if (!chain)
            return false;
        if (!encoder.WriteChainAt(time, chain))
            return false;
        if (delay < 0)
            return true;
    }
}

// Expects every event record, buffer block and slot to be back in its pool.
inline void ExpectPoolsFull()
{
    EXPECT_EQ(EventsPool().FreeCount(), CEventsPool::Capacity) << "event records still taken";
    EXPECT_EQ(EvBuffersPool().SmallFreeCount(), CEvBuffersPool::SmallCount) << "small buffers still taken";
    EXPECT_EQ(EvBuffersPool().MediumFreeCount(), CEvBuffersPool::MediumCount) << "medium buffers still taken";
    EXPECT_EQ(EvBuffersPool().LargeInUse(), 0u) << "large buffers still alive";
    EXPECT_EQ(SlotPool().FreeCount(), SlotPool().CreatedCount()) << "slots still taken";
}
