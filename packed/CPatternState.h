// Tracks sounding notes, controller values and pitch bend while a pattern is walked.
#pragma once

#include "events/CEvent.h"

#include <cstdint>

// Neutral value per controller number: 0-127 the value a trimmed pattern is brought back to;
// ControllerFree (-1) allowed but not tracked; ControllerRemoved (-2) removed from trimmed patterns.
constexpr int8_t ControllerFree = -1;
constexpr int8_t ControllerRemoved = -2;
extern const int8_t ControllerDefaults[128];

class CPatternState {
public:
    CPatternState() { Reset(); }

    // No note or sound sounding, every tracked controller at its default, pitch bend centred.
    void Reset();
    // Records a channel event's effect. Returns true when the event is to be removed from a trimmed
    // pattern: an off without a sounding note, a Control of a removed controller, a key or
    // controller number above 127, and every kind other than NoteOn/NoteOff, SoundOn/SoundOff,
    // Control and PitchBend.
    bool Apply(const CEvent& event);
    // True when the state is the one Reset gives for every tracked value.
    bool IsNeutral() const;
    // Builds, on channel 0, the events that bring the state back to neutral: pitch bend centre,
    // each tracked controller that differs (controller order), a NoteOff (velocity 0) per sounding
    // note and a SoundOff per sounding sound (key order). Returns the number of events built, with
    // the chain in `chain` (null when none). When the event pool runs out the events built so far
    // are released and the result is 0 with `chain` null.
    int BuildResetEvents(CLinkedEvent*& chain) const;

private:
    static constexpr uint16_t PitchCentre = 64; // data1 0, data2 64

    int8_t noteCount[128];
    int8_t soundCount[128];
    uint8_t controller[128];
    uint16_t pitchBend;
};
