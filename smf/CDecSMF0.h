// Decoder of the one track of a Standard MIDI File of format 0 into timed event chains.
#pragma once

#include "events/CDecStream.h"
#include "events/CStream.h"

#include <cstdint>
#include <memory>
#include <vector>

// Reads the track data (the bytes after "MTrk" and its length) message by message and delivers them
// as event chains at 384 ticks per quarter note, rescaled from the file's division. Driven by the
// decoder protocol of CDecBase: SetChunk once, OnRewind, ExtractEvent until -1.
//
// What each message becomes (docs/formats/smf.md has the details):
//   - channel messages, with running status; a note-on of velocity 0 is a NoteOff of velocity 64,
//     a control change of controller 120 or above a ChannelMode event. A status byte followed by
//     another status byte, or a second data byte with bit 7 set (except a note-off's velocity,
//     which becomes 64), gives the filler event;
//   - meta events: up to 4 data bytes inline, more in an event buffer; End of Track always of
//     length 0, whatever length the file gives it. Dropped (filler event):
//     types 0x7E and 0x80-0xFF, empty sequencer-specific events, and a Set Tempo of fewer than 3
//     bytes or of 0 microseconds, so that no consumer divides by it. Sequencer-specific events
//     with the prefix 42 60 s (s from 5 to 11) become the system's private meta type 0x7E;
//   - system exclusive: F0 n data gives n + 1 bytes starting with F0, F7 n data the n bytes alone
//     (F7 00 gives the filler event); always in an event buffer.
// Running status survives meta and system exclusive events.
//
// Failures (the decoder then stays failed, every later ExtractEvent answers -1), one trace each:
//   "\nCDecSMF0::OnExtract() - Unexpected end of file reached": the track data end before End of
//     Track, or inside a message;
//   "\nCDecSMF0::OnExtractEvent() - Missing status byte": a data byte before any status byte;
//   "\nCDecSMF0::OnExtractEvent() - Illegal status code": F1 to FE other than F0 and F7;
//   "\nCDecSMF0::OnExtractEvent() - Bad variable-length number": a delay or length of five bytes;
//   "\nCDecSMF0::OnExtractEvent() - Event too long: %u bytes": more data than an event holds
//     (CEvent::MaxLength).
// The track data are never read beyond their end, whatever a length field claims.
class CDecSMF0 : public CDecStream {
public:
    // `division`: ticks per quarter note of the file (0: no rescaling).
    explicit CDecSMF0(uint32_t division);
    // Closes and destroys the track stream.
    ~CDecSMF0() override;

    // Gives the decoder its track data; the decoder takes ownership of `chunk` in every case.
    // False when a track is already set (trace "\nCDecSMF0::SetChunk() - Cannot decode more than
    // one chunk") or the stream cannot be opened for reading (trace "\nCDecSMF0::SetChunk() -
    // Failed to open CIn"); the given stream is then destroyed.
    bool SetChunk(std::unique_ptr<CIn> chunk);

protected:
    int OnExtractEvent(uint32_t& delay, CEvent& event) override;
    // Seeks the track to its start and forgets running status; false when no track is set.
    bool RewindInput() override;

private:
    // `phase` values
    static constexpr uint8_t PhaseDelay = 0;   // next read is a delay
    static constexpr uint8_t PhaseWaiting = 1; // waiting for input before the delay
    static constexpr uint8_t PhaseData = 2;    // delay and message head read, waiting for the data

    void ResetMessageState();
    bool ReadByte(uint8_t& byte);
    int ReadVarLen(uint32_t& value);
    int ReadChannelMessage(uint8_t first, CEvent& event);
    int ReadMessageHead(uint8_t status);
    int ReadPendingData(CEvent& event);
    void MakeMeta(CEvent& event);
    void MakeSequencerSpecific(CEvent& event);
    void MakeSysEx(CEvent& event);

    uint8_t phase = PhaseDelay;
    std::unique_ptr<CIn> input;
    uint8_t runningStatus = 0;
    uint32_t savedDelay = 0xFFFFFFFF;
    uint32_t isMeta = 0;
    uint8_t pendingType = 0;
    uint32_t pendingLength = 0;
    // The data of the pending meta or system exclusive message, reused from message to message.
    std::vector<uint8_t> scratch;
};
