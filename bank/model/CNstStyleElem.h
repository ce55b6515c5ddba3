// One style element (Variation, Intro, Fill, Ending): its track parameters, chord table and chord variations.
#pragma once

#include "bank/model/CNstChordVar.h"
#include "bank/model/CNstRecords.h"
#include "events/CTimeBase.h"

#include <array>
#include <cstdint>
#include <memory>

class CNstStyle;

class CNstStyleElem {
public:
    explicit CNstStyleElem(CNstStyle* owner);

    // Contents
    // Per track: expression, bank MSB, bank LSB, program, key range low, key range high.
    CTrackParamRec::Entries tracks;
    uint8_t numerator = 4;
    uint8_t denomExp = 2;
    uint8_t elementAux = 0;
    std::array<uint8_t, kChordTableSize> chordTable{}; // chord variation index played per chord entry
    uint8_t cvMeasures = 1;                            // measures of chord variations created here
    std::array<std::unique_ptr<CNstChordVar>, kChordVars> chordVars;
    CNstStyle* style; // not owned; may be null

    // Chord variations
    // The chord variation `index` (0..5), created when absent with this element's signature, cvMeasures and
    // their length in ticks, then the style's OnChordVarCreated hook.
    CNstChordVar& GetChordVar(int index);
    CNstChordVar* FindChordVar(int index) const { return chordVars[index].get(); }
    void DeleteChordVar(int index) { chordVars[index].reset(); }

    // Queries
    bool IsEmpty() const;
    int EstimateSize(bool repeat) const;
    // Ticks of one measure of this element's signature.
    int32_t MeasureTicks() const { return ::MeasureTicks(numerator, denomExp); }

    // Edits
    // Points every chord table entry naming an absent chord variation at the lowest present one (0 if none).
    void FixChordTable();
    // 255 as srcCv or srcTrack means all (a 255 destination: the same index).
    void CopyFrom(CNstStyleElem& source, int srcCv, int srcTrack, int dstCv, int dstTrack);
};
