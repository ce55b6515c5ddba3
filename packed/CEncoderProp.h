// Encoder of packed event streams: running channel, note mode and the closing checks.
#pragma once

#include "events/CEncoderBase.h"
#include "packed/CNotesTracer.h"

#include <cstdint>

// Writes a delay of `ticks` at `cursor` (room for 4 bytes) as 7-bit groups, every byte with bit 7
// set, no bytes at all for 0; advances `cursor` and sets `count` to the bytes written. Answers 1,
// or 0 with nothing written for a delay above 0x0FFFFFFF (trace "PropFormEncodeDelta - Tick out
// of range").
int PropFormEncodeDelta(uint32_t ticks, uint8_t*& cursor, int& count);

// Writes chains into a packed event stream (docs/formats/packed-pattern.md) inside a buffer it
// does not own. In note mode (the default) a NoteOn/SoundOn is written as a Note/Sound with a
// placeholder duration that the matching off patches in place; open notes are traced with records
// from the shared CNoteInfoPool. Every writer checks its room once (EnsureRoom) and writes nothing
// of an event it has no room for. Subclasses grow the buffer through Reserve.
class CEncoderProp : public CEncoderBase {
public:
    CEncoderProp() = default;
    // Returns the tracers' records to the note pool.
    ~CEncoderProp() override = default;

    // Life cycle
    // The base's Open; the running channel, both tracers and the latest off time start afresh.
    bool Open() override;
    // False when not open. Otherwise closes and answers true, reporting "CEncoderProp::OnClose() -
    // Note Tracer is not empty", "... - Sound Tracer is not empty" for notes still open (they keep
    // their placeholder) and "CEncoderProp::Close() - EOT not found" unless the output ends with an
    // End of Track.
    bool Close() override;
    // Closes every open note and sound at `time` (off velocity 64), most recent first, with one
    // trace line each. Answers 0.
    int ShutNotes(uint32_t time) override;

    // Writers: true on success, false with nothing written when there is no room or the event
    // cannot be written (OnChannelMsg: kinds 9-11 and above 14, and Note/Sound outside note mode;
    // Meta and SysEx longer than 16383 stored bytes).
    bool OnChannelMsg(uint32_t time, const CEvent& event) override;
    bool OnMetaEvent(uint32_t time, const CEvent& event) override;
    bool OnSysEx(uint32_t time, const CEvent& event) override;
    bool EncodeDelta(uint32_t ticks) override;
    // Copies the packed event `record` (its own delta bytes included, then dropped) at the current
    // time, rebasing its channel increment from `recordChannel` onto the running channel; the
    // running channel then becomes `channelAfter`. False when there is no room or no code byte.
    bool OnSlotRecord(const uint8_t* record, uint32_t length, uint8_t recordChannel,
                      uint8_t channelAfter) override;

    // Time
    // The later of the last written time and the latest patched note-off.
    uint32_t GetEndTime() const override;
    bool ShiftTime(uint32_t ticks) override;

    // Output
    void SetNoteMode(bool on) { noteMode = on; }
    // Writes from `buffer` (not owned) up to `capacity` bytes.
    void SetOutput(uint8_t* buffer, uint32_t capacity);
    // True when `bytes` more can be written, growing the buffer through Reserve when needed.
    bool EnsureRoom(uint32_t bytes);
    // Called when fewer than `bytes` remain: a subclass grows its buffer and answers true; this
    // class has a fixed buffer and answers false.
    virtual bool Reserve(uint32_t bytes);
    const uint8_t* Data() const { return begin; }
    uint32_t Size() const { return static_cast<uint32_t>(cursor - begin); }

protected:
    // Output moved to `buffer` of `capacity` bytes whose first `written` bytes are the output so far.
    void MoveOutput(uint8_t* buffer, uint32_t capacity, uint32_t written);
    void PutCode(uint8_t kind, uint8_t eventChannel);
    // Writes a Note or Sound with its own duration, in or outside note mode; false without room.
    bool WriteNote(uint32_t time, const CEvent& event);
    void CloseNote(int32_t position, uint32_t onTime, uint32_t offTime, uint8_t offVelocity);

    uint8_t* begin = nullptr;
    uint8_t* cursor = nullptr;
    uint8_t* limit = nullptr;
    int32_t channel = 0;
    uint32_t noteMode = 1;
    CNotesTracer soundTracer;
    CNotesTracer noteTracer;
    uint32_t maxOffTime = 0;
    uint32_t offTimeLimit = 0xFFFFFFFF;

private:
    void Put(uint8_t byte) { *cursor++ = byte; }
    void PutDuration(uint32_t ticks);
    void PutTime(uint32_t time);
    // Writes a Meta or SysEx event: delay, kind, type or form, `count` as two 7-bit groups and the
    // bytes; false with nothing written unless `room` bytes are available.
    bool PutDataEvent(uint32_t time, uint8_t kind, uint8_t typeOrForm, const uint8_t* bytes, uint32_t count,
                      uint32_t room);
    // The delay, then the code byte with any channel increment.
    void PutTimeAndCode(uint32_t time, uint8_t kind, uint8_t eventChannel);
    bool OpenNote(uint32_t time, const CEvent& event, bool sound);
    void CloseTraced(const CEvent& event, bool sound);
    void ShutTracer(uint32_t time, bool sound);
};
