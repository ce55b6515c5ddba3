// Styles of generated patterns taken through every step that rewrites patterns, checking that each
// step exports the same notes: the property behind the note round-trip test and fuzz target.
#pragma once

#include "events/CTimeBase.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A note as an exported MIDI file plays it.
struct CHeardNote {
    uint8_t channel = 0;
    uint32_t start = 0;
    uint8_t key = 0;
    uint8_t velocity = 0;
    uint32_t end = 0;
    auto operator<=>(const CHeardNote&) const = default;
};
using CHeardNotes = std::vector<CHeardNote>;
std::string ToString(const CHeardNote& note);

// The notes of a format 0 file image with one track, sorted; each note-on is paired with the first
// note-off of its channel and key that follows it. False when the image is not such a file ending
// with End of Track, a note-off finds no note sounding, or a note is left sounding.
bool ReadHeardNotes(const std::vector<uint8_t>& image, CHeardNotes& notes);

// One note of a generated pattern: a Note/Sound with its duration (`whole`) or a NoteOn/SoundOn
// with its NoteOff/SoundOff `duration` ticks later.
struct CPlanNote {
    uint32_t start = 0;
    uint32_t duration = 0;
    uint8_t key = 60;
    uint8_t velocity = 100;
    uint8_t offVelocity = 0;
    bool whole = true;
    bool sound = false;
};

// A controller, pitch bend or program change of a generated pattern.
struct CPlanControl {
    uint32_t time = 0;
    uint8_t kind = 3; // EventKind value
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct CPlanPattern {
    int track = 0;
    uint32_t length = 0; // below, equal to or above the chord variation's length
    std::vector<CPlanNote> notes;
    std::vector<CPlanControl> controls;
};

struct CPlanChordVar {
    int element = 0;
    int cv = 0;
    uint8_t measures = 1;
    std::vector<CPlanPattern> patterns;
};

// Every element has the style's signature.
struct CStylePlan {
    uint8_t numerator = 4;
    uint8_t denomExp = 2;
    std::vector<CPlanChordVar> chordVars;

    uint32_t MeasureTicks() const { return static_cast<uint32_t>(::MeasureTicks(numerator, denomExp)); }
};

// A style read from `size` bytes: any bytes give a valid style (bytes run out as zeros). Notes of one
// key never overlap on a track, and none starts at or one tick before a chord variation's end,
// where trimming moves events and the pairing of ons and offs of one key could not be told.
CStylePlan StylePlanFrom(const uint8_t* bytes, size_t size);

// The notes `chordVar` of `plan` must export: each pattern repeated while it is shorter than the
// chord variation, notes starting after the end dropped, notes sounding past the last tick ended
// there.
CHeardNotes ExpectedNotes(const CStylePlan& plan, const CPlanChordVar& chordVar);

// Builds the style in the facade and takes it through building (expanded and compacted), storing in
// a bank, saving and reopening, a second rename and save, and marking and clearing notes outside
// note ranges, exporting every chord variation after each step. "" when every export holds the
// expected notes, else the first difference.
std::string CheckNoteRoundTrip(const CStylePlan& plan);
