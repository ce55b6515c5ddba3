// Tracks sounding notes, controller values and pitch bend while a pattern is walked.
#pragma once

#include "events/CEvent.h"

#include <cstdint>

// Neutral value per controller number: 0-127 the value a trimmed pattern is brought back to;
// ControllerFree (-1) allowed but not tracked; ControllerRemoved (-2) removed from trimmed patterns.
constexpr int8_t ControllerFree = -1;
constexpr int8_t ControllerRemoved = -2;
extern const int8_t ControllerDefaults[128];

// Events are applied in time order. Notes come in two forms: split, a NoteOn/SoundOn sounding until
// its NoteOff/SoundOff, and whole, a Note/Sound sounding from its time for its own duration.
class CPatternState {
public:
    CPatternState() { Reset(); }

    // No note or sound sounding, every tracked controller at its default, pitch bend centred.
    void Reset();
    // Records the effect of a channel event at absolute tick `time`. Returns true when the event is
    // to be removed from a trimmed pattern: an off without a sounding note, a Control of a removed
    // controller, a key or controller number above 127, and every kind other than NoteOn/NoteOff,
    // SoundOn/SoundOff, Note/Sound, Control and PitchBend.
    bool Apply(const CEvent& event, uint32_t time);
    // True when at tick `time` no note of either form applied so far still sounds and every tracked
    // value is the one Reset gives.
    bool IsNeutral(uint32_t time) const;
    // Builds, on channel 0, the events that bring the split notes and the tracked values back to
    // neutral: pitch bend centre, each tracked controller that differs (controller order), a NoteOff
    // (velocity 0) per sounding note and a SoundOff per sounding sound (key order). Whole notes end
    // by their durations and need none. Returns the number of events built, with the chain in
    // `chain` (null when none). When the event pool runs out the events built so far are released
    // and the result is 0 with `chain` null.
    int BuildResetEvents(CLinkedEvent*& chain) const;

private:
    static constexpr uint16_t PitchCentre = 64; // data1 0, data2 64

    int8_t noteCount[128];
    int8_t soundCount[128];
    uint8_t controller[128];
    uint16_t pitchBend;
    uint64_t wholeNotesEnd; // the latest end of the Note and Sound events applied so far
};
