// Base of decoders that read a byte stream one event at a time, rescaling to 384 ticks per quarter.
#pragma once

#include "events/CDecBase.h"
#include "events/CEvent.h"

#include <cstdint>

// Groups the events that a derived class reads one by one (OnExtractEvent) into chains: a chain is
// a maximal run of events of one kind class at one time, and End of Track always ends the last
// chain. Delays are rescaled from the source's ticks per quarter note to 384, the remainder carried
// into the next delay so that no time is lost. Derived classes implement OnExtractEvent and
// RewindInput; the rest of the decoder protocol is done here.
class CDecStream : public CDecBase {
public:
    static constexpr uint32_t TicksPerQuarter = 384;

    // OnExtractEvent results
    static constexpr int ReadOk = 0;      // one event read
    static constexpr int ReadWaiting = 1; // no input yet (progressive inputs only)
    static constexpr int ReadFailed = 2;

    // `decodeState` values
    static constexpr uint8_t StateRunning = 0;
    static constexpr uint8_t StateFailed = 2;
    static constexpr uint8_t StateEnded = 3; // End of Track read

    // `sourceDivision`: ticks per quarter note of the source, 0 for no rescaling.
    explicit CDecStream(uint32_t sourceDivision);
    // Releases the look-ahead event.
    ~CDecStream() override;

    EventClass PendingClass() const override;
    // End of Track read and delivered.
    bool IsFinished() const override { return decodeState == StateEnded && !lookAhead; }
    void SetBlocking(bool block) override { blocking = block ? 1 : 0; }
    // See CDecBase. Failure: -1 with a null chain and the trace
    // "CDecStream::ExtractEvent(...) - Extraction failed"; every later call answers -1.
    int32_t ExtractEvent(CLinkedEvent*& chain) override;
    // Resets the time bookkeeping, calls RewindInput and reads the first event. Failure (also when
    // the event pool is exhausted): -1 with the trace "CDecStream::OnRewind () - Failed"; a failed
    // decoder stays failed.
    int32_t OnRewind() override;
    // A stream cannot be set aside: snapshots do nothing.
    int Snapshot() override { return 1; }
    int Restore() override { return 1; }
    int SupportsSnapshot() const override { return 0; }

    // Delay given to a filler event while input is waiting, in source ticks.
    virtual void SetIdleDelay(uint32_t ticks) { idleDelay = ticks; }
    // True after a failure; every further call answers -1.
    bool HasFailed() const { return decodeState == StateFailed; }

protected:
    // Hooks implemented by every stream decoder
    // Reads the next event of the input into `event` (an Empty record) and its delay in source
    // ticks into `delay`. Answers ReadOk, ReadWaiting (nothing read yet; only inputs that deliver
    // data progressively) or ReadFailed. On any answer the event must be a valid record: when it
    // owns a buffer its header says so, and the caller releases it.
    virtual int OnExtractEvent(uint32_t& delay, CEvent& event) = 0;
    // Goes back to the start of the input; true on success.
    virtual bool RewindInput() = 0;

private:
    // Reads one event into `event`, applying filler, debt and rescaling; false on failure.
    bool ReadOne(uint32_t& delay, CEvent& event);
    uint32_t Rescale(uint32_t delay);
    void DropLookAhead();
    int32_t Fail(CLinkedEvent*& chain);

    uint32_t carry = 0;
    uint32_t sourceDivision;
    uint32_t debt = 0;
    uint32_t blocking = 0;
    uint32_t idleDelay;
    uint8_t decodeState = StateRunning;
    CLinkedEvent* lookAhead = nullptr;
};
