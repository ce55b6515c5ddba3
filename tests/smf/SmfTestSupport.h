// Shared helpers of the MIDI file and merge tests: pool checks, file images, decoding to a list and
// a decoder that delivers chains exactly as scripted.
#pragma once

#include "events/CDecBase.h"
#include "events/CEventsPool.h"
#include "support/EventFakes.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <vector>

namespace smftest {

using Bytes = std::vector<uint8_t>;

// Fails the test when any event record, buffer or slot taken during it was not given back.
class PoolCheckedTest : public ::testing::Test {
protected:
    void TearDown() override { ExpectPoolsFull(); }
};

// Takes records from the event pool until only `leave` are free; gives them back when destroyed.
class PoolDrain {
public:
    explicit PoolDrain(size_t leave)
    {
        while (EventsPool().FreeCount() > leave) {
            CLinkedEvent* event = EventsPool().GetNewEvent();
            event->next = held;
            held = event;
        }
    }
    ~PoolDrain() { EventsPool().ReleaseEvents(held); }
    PoolDrain(const PoolDrain&) = delete;
    PoolDrain& operator=(const PoolDrain&) = delete;

private:
    CLinkedEvent* held = nullptr;
};

// One event as written or decoded: absolute time, header and its data bytes (Meta and SysEx).
struct Timed {
    uint32_t time = 0;
    uint32_t header = 0;
    Bytes data;

    bool operator==(const Timed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Timed& event);

// A Timed of `event`, copying its data bytes.
Timed Capture(uint32_t time, const CEvent& event);
Timed Channel(uint32_t time, EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2);
Timed Meta(uint32_t time, uint8_t type, Bytes data);
Timed EndOfTrack(uint32_t time);

// A format 0 image: header chunk with `division`, then "MTrk", the length of `track` and `track`.
Bytes SmfImage(const Bytes& track, uint16_t division = 384);

// Decodes `image` with CMidiIn: every event in order (filler events included) with its absolute
// time, or nullopt when the header is refused or decoding fails. All chains are released.
std::optional<std::vector<Timed>> DecodeSmf(const Bytes& image);

// Drives any decoder through the protocol; nullopt on failure.
std::optional<std::vector<Timed>> DecodeAll(CDecBase& decoder);

// A decoder delivering a fixed list of chains at absolute times, in the order given.
class CScriptedDecoder : public CDecBase {
public:
    struct Chain {
        uint32_t time;
        std::vector<uint32_t> headers; // inline data word 0
    };

    explicit CScriptedDecoder(std::vector<Chain> chains) : script(std::move(chains)) {}

    // The extraction of chain `index` fails (-1, no chain); -1 for none.
    void FailAt(int index) { failAt = index; }
    // OnRewind answers -1.
    void FailRewind() { failRewind = true; }

    bool IsFinished() const override { return finished; }
    int32_t OnRewind() override;
    int32_t ExtractEvent(CLinkedEvent*& chain) override;

private:
    std::vector<Chain> script;
    size_t next = 0;
    int failAt = -1;
    bool failRewind = false;
    bool finished = false;
};

// A recording encoder, open from construction as the merge and split expect.
struct COpenRecorder : CRecordingEncoder {
    COpenRecorder() { Open(); }
};

// What a recording encoder was given, as Timed records.
std::vector<Timed> Written(const CRecordingEncoder& encoder);

} // namespace smftest
