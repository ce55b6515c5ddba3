// The music of the native-form bank: pieces of patterns and when each track plays which.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A note of a piece, `time` ticks from the piece's start. A sound is a note the keyboard marks as
// lying outside its program's range; it is stored as a Sound event and exported as a note.
struct CPieceNote {
    uint32_t time;
    uint8_t key;
    uint8_t velocity;
    uint32_t duration;
    bool sound = false;
};

struct CPieceControl {
    uint32_t time;
    uint8_t controller;
    uint8_t value;
};

// One stored pattern record: music of its own length that a slot plays from its start, repeated
// back to back for as long as it plays.
struct CPiece {
    uint8_t trackType = 0; // 0 drum, 1 bass, 2 accompaniment
    uint8_t channel = 0;   // the running channel its events are written on
    uint32_t lengthTicks = 0;
    std::vector<CPieceNote> notes;
    std::vector<CPieceControl> controls;
    // Above 0: a kind-11 code byte is written at this tick, before the events from here on.
    uint32_t damagedAt = 0;
};

// A time in which one track plays one piece, from `start` up to `end` (a whole number of the
// piece's lengths later).
struct CSpan {
    int piece;
    uint32_t start;
    uint32_t end;
};

// The spans of one track in time order; no two overlap.
struct CTrackPlay {
    int track;
    std::vector<CSpan> spans;
};

struct CTempoMark {
    uint32_t time;
    uint8_t percent;
};

struct CChordVarPlan {
    int cv;
    uint32_t lengthTicks;
    std::vector<CTrackPlay> tracks; // in track order
    std::vector<CTempoMark> tempoMarks;
};

// Bank select MSB, LSB and program of each track.
using CTrackPrograms = std::array<std::array<uint8_t, 3>, 8>;

struct CElementPlan {
    int element;
    uint8_t numerator;
    uint8_t denomExp;
    std::vector<CChordVarPlan> chordVars; // in chord variation order
};

struct CStylePlan {
    std::string name;
    uint8_t version;
    bool compressed;
    // False for the styles made to be refused: a pattern of more simultaneous events than the event
    // pool holds, or a damaged pattern stream.
    bool readable;
    CTrackPrograms programs;
    std::vector<CPiece> pieces;
    std::vector<CElementPlan> elements; // in element order
};

class CNativeMusic {
public:
    // The styles of the bank, in bank order: three readable ones in 4/4 (with an Ending in 3/4), 3/4
    // and 6/8, then the overfull and the damaged style.
    static std::vector<CStylePlan> Styles();
};
