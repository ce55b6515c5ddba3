// The common base of every encoder: time bookkeeping, dispatch by kind class and quantisation.
#pragma once

#include "events/CEvent.h"
#include "events/CLinkedPool.h"

#include <cstdint>

// An encoder turns chains at absolute times (ticks of 384 per quarter note) into bytes. Protocol:
//   1. construct, Open() (a concrete encoder writes its header there);
//   2. for each chain in time order: WriteChainAt(time, chain); the caller keeps the chain and
//      releases it afterwards (encoders copy what they must keep);
//   3. write an End of Track chain, Close() (flushes; a concrete encoder completes its output);
//   4. destroy.
// Every write operation answers true for success; on false the caller stops and destroys the
// encoder. Concrete encoders implement OnChannelMsg, OnMetaEvent, OnSysEx and EncodeDelta; each
// writer calls AdvanceTime(time) first so that every event is preceded by its delay.
class CEncoderBase {
public:
    // Constructed closed, grid 0 (no quantisation), one empty slot.
    CEncoderBase();
    // Returns the slot list to the slot pool.
    virtual ~CEncoderBase();
    CEncoderBase(const CEncoderBase&) = delete;
    CEncoderBase& operator=(const CEncoderBase&) = delete;

    // Life cycle: overrides call the base first and fail when it fails.
    // False when already open; else times cleared, open, slots reset and the window recomputed.
    virtual bool Open();
    // False when not open; else closed and Flush()'s result.
    virtual bool Close();
    // Returns every slot and takes one fresh slot as head, tail and append point.
    virtual void ResetSlots();
    // Closes notes still sounding at `time`; the base has none (answers 0).
    virtual int ShutNotes(uint32_t time);
    // Called before the events at `time` are written; the base accepts.
    virtual bool OnTime(uint32_t time);

    // Writers implemented by every encoder; each writes one event at `time`, delay first.
    virtual bool OnChannelMsg(uint32_t time, const CEvent& event) = 0;
    virtual bool OnMetaEvent(uint32_t time, const CEvent& event) = 0;
    virtual bool OnSysEx(uint32_t time, const CEvent& event) = 0;
    // Writes a delay of `ticks`.
    virtual bool EncodeDelta(uint32_t ticks) = 0;
    // Copies one already packed event of `length` bytes; `recordChannel` is the running channel
    // the record was packed with, `channelAfter` the one after it. The base refuses (false).
    virtual bool OnSlotRecord(const uint8_t* record, uint32_t length, uint8_t recordChannel,
                              uint8_t channelAfter);

    // Time queries and adjustments
    // Time up to which output exists; the base answers the time of the last event written.
    virtual uint32_t GetEndTime() const { return lastTime; }
    // Moves deferred events later by `ticks` when the window is rounded up, else flushes them.
    virtual bool ShiftTime(uint32_t ticks);
    // False for events that must not be moved onto the grid; the base moves everything.
    virtual bool IsQuantizable(const CEvent&) const { return true; }

    // Driving
    // Step 2 of the protocol: sets the current time and writes the chain, quantised when a grid
    // is set. False when the chain is null or a write fails.
    bool WriteChainAt(uint32_t time, const CLinkedEvent* chain);
    // Writes one End of Track (Meta 0x2F, length 0) at `time` as WriteChainAt does; needs no pool
    // record unless quantisation defers it.
    bool WriteEndOfTrackAt(uint32_t time);
    // Writes the delay from the last written time to `time`; on success that becomes the last
    // written time.
    bool AdvanceTime(uint32_t time);
    // Writes a chain at `time`, each event by its kind class after one OnTime(time): filler events
    // are skipped, End of Track is first flushed and never written before the last written time.
    // False for a null chain, an event of no class (Empty, above 15) or the first failed write.
    bool WriteEvents(uint32_t time, const CLinkedEvent* chain);
    // Quantised counterpart of WriteEvents at `time` (the current time); needs a grid and a
    // preceding AdvanceTo(). False when a write fails or the event pool is exhausted.
    bool WriteEventsQuantized(uint32_t time, const CLinkedEvent* chain);
    // Moves the quantisation window to the current time, flushing the one that closed; answers the
    // flush result (true when nothing was flushed).
    bool AdvanceTo();
    // Writes every deferred event and resets the slots; true when every write succeeded.
    bool Flush();
    // Sets the quantisation step in ticks (0 or less: off) and recomputes the window.
    void SetQuantize(int32_t step);

    uint32_t LastTime() const { return lastTime; }
    uint32_t CurTime() const { return curTime; }
    void SetCurTime(uint32_t time) { curTime = time; }
    uint32_t SlotTime() const { return slotTime; }
    void SetSlotTime(uint32_t time) { slotTime = time; }
    bool IsOpen() const { return isOpen != 0; }
    int32_t Grid() const { return grid; }

    // Variable-length numbers
    // Writes `value` into `out` (room for 4 bytes) as 7-bit groups, most significant first, bit 7
    // set on all but the last, and answers the byte count (1 to 4). Values above 0x0FFFFFFF are
    // clamped to it after the trace "CEncoderBase::VarLenNum - dwValue >= 2^28".
    static int VarLenNum(uint32_t value, uint8_t* out);

protected:
    uint32_t lastTime = 0;
    uint32_t curTime = 0;
    uint32_t isOpen = 0;
    int32_t grid = 0;
    uint32_t windowEnd = 0;
    uint32_t gridTime = 0;
    uint32_t slotTime = 0;
    CLinkedEventsList* tailSlot = nullptr;
    CLinkedEventsList* headSlot = nullptr;
    CLinkedEvent* appendPoint = nullptr;
    uint32_t slotTag = 0;

private:
    void ComputeWindow();
    void TakeFreshSlots();
    bool WriteMeta(uint32_t& time, const CLinkedEvent& event);
    bool WriteChannelQuantized(uint32_t time, const CLinkedEvent& event);
    bool HasDeferredOn(uint32_t onKey) const;
    bool Defer(const CEvent& event);
    bool DeferChain(const CLinkedEvent* chain);
};
