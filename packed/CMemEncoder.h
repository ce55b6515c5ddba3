// The packed event encoder over a plain memory buffer, with optional note splitting.
#pragma once

#include "packed/CEncoderProp.h"
#include "packed/CHeap.h"

#include <cstdint>
#include <memory>

// How a memory encoder writes notes.
enum class CNoteForm : uint8_t {
    // Note/Sound events are split into an on at their time and an off `duration` ticks later, held
    // in a heap until the encoder reaches that time; ons and offs are written as they are.
    Split,
    // Note mode: ons and offs are paired into Note/Sound events with durations.
    Paired,
    // Every event as it comes: Note/Sound events keep their durations, ons and offs stay apart.
    // A stream without Note/Sound events is written exactly as Split writes it.
    Kept,
};

// Writes a packed event stream into memory, notes in the given form. The encoder is open once
// constructed.
class CMemEncoder : public CEncoderProp {
public:
    // Writes into `buffer` (not owned) of `capacity` bytes; a full buffer makes writers fail.
    CMemEncoder(uint8_t* buffer, uint32_t capacity, CNoteForm form);
    // Writes into a buffer of its own that starts at 2000 bytes and grows as needed.
    explicit CMemEncoder(CNoteForm form);

    // Also forgets pending offs.
    bool Open() override;
    // Writes every pending off due at or before `time`, at its own time; false on a failed write.
    bool OnTime(uint32_t time) override;
    bool OnChannelMsg(uint32_t time, const CEvent& event) override;
    // Own buffer only: moves to a buffer of used + `bytes` + 2000 bytes. False for a caller's buffer.
    bool Reserve(uint32_t bytes) override;

    // Writes End of Track at `time` (made the current time), after the offs due until then; offs
    // of split notes due later are dropped. True when it was written.
    bool Finish(uint32_t time);
    // Own buffer only: hands the buffer (Size() bytes written) to the caller and leaves the encoder
    // without output. Null for a caller's buffer.
    std::unique_ptr<uint8_t[]> DetachBuffer();

private:
    static constexpr uint32_t GrowthMargin = 2000;

    CHeap pendingOffs;
    CNoteForm form;
    uint32_t ownsBuffer = 0;
    std::unique_ptr<uint8_t[]> storage;
};
