// An encoder that keeps the notes of what it is given instead of writing bytes.
#pragma once

#include "events/CEncoderBase.h"

#include <cstdint>
#include <deque>
#include <map>
#include <utility>
#include <vector>

// A note as a reader of the written MIDI file sees it: channel, key, on velocity, start and end tick.
struct CCollectedNote {
    uint8_t channel;
    uint8_t key;
    uint8_t velocity;
    uint32_t start;
    uint32_t end;
};

// Receives chains as the format 0 file writer (CEncoderSMF0) does and pairs the note-ons and note-offs
// that writer would put into the file, as a MIDI file reader pairs them: per channel and key the first
// note still sounding ends first. The writer's rules are followed: keys and velocities keep their low
// seven bits, a note-on of velocity 0 is a note-off, a Note ends `Duration()` ticks after its start (at
// once for duration 0), Note ends still due at End of Track end there, and kinds a file cannot carry
// (SoundOff, SoundOn, Sound, Unused) are refused. A note-off with no note sounding is passed over; a
// note-on never ended lasts to End of Track (or to the last time written when the stream has none).
// Constructed closed: Open() it before writing.
class CNoteCollector final : public CEncoderBase {
public:
    // The notes in the order they ended; valid after Close().
    const std::vector<CCollectedNote>& Notes() const { return notes; }

    bool Close() override;
    bool OnTime(uint32_t time) override;
    bool OnChannelMsg(uint32_t time, const CEvent& event) override;
    bool OnMetaEvent(uint32_t time, const CEvent& event) override;
    bool OnSysEx(uint32_t, const CEvent&) override { return true; }
    bool EncodeDelta(uint32_t) override { return true; }

private:
    using CKey = std::pair<uint8_t, uint8_t>; // channel, key

    void Start(uint32_t time, uint8_t channel, uint8_t key, uint8_t velocity);
    void End(uint32_t time, uint8_t channel, uint8_t key);
    // Ends the held Note ends due at or before `due`, each at its due time but not after `latest`.
    void EndHeld(uint32_t due, uint32_t latest);

    std::map<CKey, std::deque<CCollectedNote>> sounding;
    // Ends of Notes by due time; those due together keep the order of their notes.
    std::multimap<uint32_t, CKey> held;
    std::vector<CCollectedNote> notes;
    uint32_t endOfTrack = 0;
    bool ended = false;
};
