// Decoder of packed event streams: the byte format of every stored track pattern.
#pragma once

#include "events/CDecBase.h"
#include "events/CEncoderBase.h"
#include "events/CEvent.h"
#include "events/CEventsPool.h"

#include <cstdint>
#include <memory>

class CGrowBuffer;

// The photo list installed while a snapshot is in force; its hooks do nothing and accept.
class CPhotosList : public CPhotogenic {};

// Turns a packed event stream (docs/formats/packed-pattern.md) into chains of simultaneous events
// of one kind class, with the delay to the next chain, through the CDecBase protocol. It works in
// place with one event of look-ahead; it never writes into the stream and never owns it.
//
// The decoder reads nothing at or beyond `buffer + size`: a stream that runs out before its End of
// Track, or that holds an invalid kind, ends decoding there. The chain gathered so far is handed
// out with -1; every further ExtractEvent answers -1 with a null chain and IsFinished stays false
// (the decoder has failed rather than finished).
class CDecProp : public CDecBase {
public:
    // Binds `buffer` (not owned; must outlive the decoder) of `size` bytes with SetBuffer.
    CDecProp(const uint8_t* buffer = nullptr, int32_t size = 0);
    // Copies every field; the look-ahead event is duplicated from the event pool sharing its
    // buffer. When the pool is exhausted the copy has no look-ahead and reports failure (-1).
    CDecProp(const CDecProp& other);
    CDecProp& operator=(const CDecProp& other);
    // Releases the look-ahead event.
    ~CDecProp() override;

    // Identification and reset
    int TypeNumber() const override { return CDecBase::TypeNumber() + 5; }
    // Clears the elapsed time and decodes the first event again.
    int Reset() override;

    // State queries
    EventClass PendingClass() const override { return pending ? pendingClass : EventClass::None; }
    // True once the end-of-stream event has been handed out, or at once for an empty stream.
    bool IsFinished() const override { return pending == nullptr && finished; }
    // End time of the events last stored with StoreEvents, -1 when none were.
    int32_t StoredEndTime() const override { return endTime; }

    // Decoding
    // Hands out the chain at the current time (owned by the caller) and answers the delay to the
    // next chain: 0 when it has the same time but another class; -1 with the last chain (the end
    // of the stream, or the point where damaged data stopped decoding); -1 with a null chain once
    // everything has been handed out.
    int32_t ExtractEvent(CLinkedEvent*& chain) override;
    // Starts over from the first byte: answers the delay to the first chain, or -1 when the stream
    // is empty or its first event cannot be decoded.
    int32_t OnRewind() override;
    // As ExtractEvent, but each event is first offered to the accept hook of its class. Refused
    // events are released; when every event of a chain is refused, the chain is one filler event
    // (Meta 0x7E, length 1, data 0) so that its delay is still delivered.
    int32_t ExtractFiltered(CLinkedEvent*& chain);
    // Accept hooks of ExtractFiltered; all accept.
    virtual bool AcceptChannel(const CEvent&) { return true; }
    virtual bool AcceptMeta(const CEvent&) { return true; }
    virtual bool AcceptSysEx(const CEvent&) { return true; }
    // Called for a skippable block (kind 30) with the cursor on its first operand byte. Answers 0
    // to have the block skipped (up to and including its first byte with bit 7 set); a derived
    // decoder that consumes the block itself advances `cursor` and answers non-zero.
    virtual int SkipBlock() { return 0; }

    // Snapshot of the time pair
    int Snapshot() override;
    int Restore() override;

    // Binding
    // Binds a stream (a negative size counts as 0), clears the elapsed time and rewinds; the
    // rewind's answer becomes the current delay.
    void SetBuffer(const uint8_t* buffer, int32_t size);
    // Restarts decoding at `cursor` with running channel `channel`: answers the delay to the next
    // event (kept as the current delay), or -1 for an empty stream or when no event can be
    // decoded (trace "CDecProp::Prepare() - stream of events is corrupted").
    int32_t Prepare(uint8_t channel);

    // Re-encoding
    // Inserts the events of `source` in front of this decoder's stream, which must lie inside
    // `target`: `source` is rewound and transcoded into a CEncResource over `target` (growth step
    // 4096, note mode when `noteMode`). Answers true on success: `size` grows by the bytes
    // inserted, the end time becomes the encoder's end time, and the decoder is bound to the
    // stream's new place in `target` and rewound. False on failure (traces "CDecProp::StoreEvents -
    // Events decoding failed" / "... encoding failed"), with `size` 0; false with nothing changed
    // when the stream does not lie inside `target`.
    bool StoreEvents(CDecBase& source, CGrowBuffer& target, bool noteMode);
    // Writes every chain of `source` (already rewound; `firstDelay` is the delay to its first
    // chain) into `encoder` at its absolute time, keeping the source's time pair. Answers 0 when
    // the source finished, 1 when decoding failed, 2 when a write failed.
    virtual int Transcode(int32_t firstDelay, CDecBase& source, CEncoderBase& encoder);

    // Position of the look-ahead event in the stream and the running channel before it.
    const uint8_t* PendingStart() const { return pendingStart; }
    uint8_t PendingChannel() const { return pendingChannel; }
    const uint8_t* Buffer() const { return buffer; }
    int32_t Size() const { return size; }

protected:
    const uint8_t* cursor = nullptr;
    int32_t size = 0;
    int32_t endTime = -1;
    const uint8_t* buffer = nullptr;
    uint8_t channel = 0;
    uint32_t finished = 1;
    EventClass pendingClass = EventClass::None;
    CLinkedEvent* pending = nullptr;
    const uint8_t* pendingStart = nullptr;
    uint8_t pendingChannel = 0;
    std::unique_ptr<CPhotosList> photos;

private:
    // The global event pool, looked up once rather than per decoded event.
    CEventsPool& events = EventsPool();

    // Decodes the next packed event from `cursor` into a new pool record with its delta; null at
    // the end of the stream, on damaged data or when the event pool is exhausted.
    CLinkedEvent* DecodeOne(uint32_t& delta);
    bool Accept(const CEvent& event);
    void CopyFrom(const CDecProp& other);
};
