// What the piano roll shows of a node of the style tree: its notes, the signature and the length.
#pragma once

#include "bank/facade/CNstEditIfc.h"

#include <cstdint>
#include <optional>
#include <vector>

class CExtProgList;

// A note of the roll: the note as the MIDI export writes it, and whether its key lies outside the note
// range of its track's program (an extended program of the program list).
struct CRollNote {
    CCvNote note;
    bool outsideRange = false;
};

// The notes of a chord variation (every track) or of one of its tracks, with the element's signature
// and the chord variation's length for the grid. Ticks are 384 per quarter note.
struct CRollContent {
    int element = 0;
    int cv = 0;
    int track = CNstEditIfc::AllTracks; // 0..7 for one track
    uint8_t numerator = 4;
    uint8_t denomExp = 2; // denominator 2^denomExp
    int measures = 1;
    uint32_t lengthTicks = 1536;  // measures of the element's signature
    std::vector<CRollNote> notes; // sorted by start, track and key

    // Ticks of one beat (the denominator's note value) and of one measure.
    uint32_t BeatTicks() const;
    uint32_t MeasureTicks() const;
};

class CRollNotes {
public:
    // The content of chord variation `cv` of `element` with `track` AllTracks, or of that one track
    // (0..7). The notes are the facade's ReadCvNotes: the notes of the exported MIDI file of the same
    // node. The note ranges come from `programs` for the element's track programs. Nothing of the style
    // is created or changed. Nullopt when the chord variation is absent or its notes cannot be read.
    static std::optional<CRollContent> Read(CNstEditIfc& style, const CExtProgList& programs, int element,
                                            int cv, int track);
};
