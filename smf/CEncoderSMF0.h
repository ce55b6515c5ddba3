// Encoder of event chains into a Standard MIDI File of format 0 with one track.
#pragma once

#include "events/CEncoderBase.h"
#include "events/CStream.h"

#include <cstdint>
#include <map>

// Writes the header chunk (division 384), one track chunk and the events, each after its delay,
// into `output` (set by the owner before Open; not owned). Driven by the encoder protocol of
// CEncoderBase; the driver writes End of Track as an ordinary Meta event before Close.
// docs/formats/smf.md shows the bytes written per event kind.
//
//   - Channel messages use running status; a NoteOff is written as a note-on of velocity 0.
//   - A Note is written as its note-on; its note-off is held back and written when the time of a
//     later event reaches it. Note-offs still held when End of Track is written are written just
//     before it, at its time, so no written note is left sounding.
//   - The private meta type 0x7E is written as a sequencer-specific event FF 7F with the prefix
//     42 60; system exclusive data starting with F0 in the standard form, other data in the escape
//     form F7. Meta and system exclusive messages cancel running status.
// Every write answers false when the output's error flag is set; SoundOff, SoundOn, Sound, kind 11
// and Empty cannot be written (false, nothing written).
class CEncoderSMF0 : public CEncoderBase {
public:
    static constexpr uint32_t HeaderBytes = 22; // header chunk and track chunk header

    CEncoderSMF0();
    ~CEncoderSMF0() override;

    // The stream the file is written into; must be set before Open.
    void SetOutput(COut* stream) { output = stream; }

    // Life cycle
    // Writes the header chunk and an empty track header at offset 0, forgetting running status and
    // held note-offs. False when already open or on an output error.
    bool Open() override;
    // Rewrites the header chunk and patches the track length (size reached - 22); the output is
    // left at offset 22. False when not open or on an output error. Writes no End of Track.
    bool Close() override;
    // Writes the held note-offs due at or before `time`, each at its own time.
    bool OnTime(uint32_t time) override;

    // Writers
    bool OnChannelMsg(uint32_t time, const CEvent& event) override;
    bool OnMetaEvent(uint32_t time, const CEvent& event) override;
    bool OnSysEx(uint32_t time, const CEvent& event) override;
    bool EncodeDelta(uint32_t ticks) override;

protected:
    COut* output = nullptr;

private:
    bool Succeeded() const { return output->GetError() == 0; }
    // Writes the header chunk and the track header with `trackLength` at offset 0.
    bool PutHeaders(uint32_t trackLength);
    void PutStatus(uint8_t status);
    void PutVarLen(uint32_t value);
    void PutData(const CEvent& event, uint32_t from);
    bool PutNoteOff(uint32_t time, uint8_t channel, uint8_t key);
    bool PutNote(uint32_t time, const CEvent& event);
    // Writes the held note-offs due at or before `due`, each at its due time but not after `latest`.
    bool PutHeldNoteOffs(uint32_t due, uint32_t latest);

    uint8_t runningStatus = 0;
    // Held note-offs by due time; those due at the same time keep the order of their notes.
    // A value is channel << 8 | key: the note-on of velocity 0 carries no release velocity.
    std::multimap<uint32_t, uint16_t> pendingOffs;
};
