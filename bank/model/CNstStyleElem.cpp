// A style element: chord variations created on first access, chord table repair and selective copy.
#include "bank/model/CNstStyleElem.h"

#include "bank/model/CNstStyle.h"

#include <cassert>

CNstStyleElem::CNstStyleElem(CNstStyle* owner) : style(owner)
{
    for (auto& entry : tracks)
        entry = {100, 0, 0, 0, 21, 108};
}

CNstChordVar& CNstStyleElem::GetChordVar(int index)
{
    assert(index >= 0 && index < kChordVars);
    if (!chordVars[index]) {
        auto chordVar = std::make_unique<CNstChordVar>(style);
        chordVar->numerator = numerator;
        chordVar->denomExp = denomExp;
        chordVar->measures = cvMeasures;
        chordVar->lengthTicks = MeasureTicks() * cvMeasures;
        chordVars[index] = std::move(chordVar);
        if (style)
            style->OnChordVarCreated(*chordVars[index], index);
    }
    return *chordVars[index];
}

bool CNstStyleElem::IsEmpty() const
{
    for (const auto& chordVar : chordVars)
        if (chordVar && !chordVar->IsEmpty())
            return false;
    return true;
}

int CNstStyleElem::EstimateSize(bool repeat) const
{
    int size = 102;
    for (const auto& chordVar : chordVars)
        if (chordVar)
            size += chordVar->EstimateSize(repeat);
    return size;
}

void CNstStyleElem::FixChordTable()
{
    int lowest = 0;
    while (lowest < kChordVars && !chordVars[lowest])
        ++lowest;
    if (lowest == kChordVars)
        lowest = 0;
    for (uint8_t& entry : chordTable)
        if (entry >= kChordVars || !chordVars[entry])
            entry = static_cast<uint8_t>(lowest);
}

void CNstStyleElem::CopyFrom(CNstStyleElem& source, int srcCv, int srcTrack, int dstCv, int dstTrack)
{
    if (IsEmpty() || (srcCv == kAllIndices && srcTrack == kAllIndices)) {
        numerator = source.numerator;
        denomExp = source.denomExp;
        cvMeasures = source.cvMeasures;
        elementAux = source.elementAux;
        chordTable = source.chordTable;
        CIndexRange::Of(srcTrack, kStyleTracks).ForEach(dstTrack, kStyleTracks, [&](int from, int to) {
            tracks[to] = source.tracks[from];
        });
    }
    CIndexRange::Of(srcCv, kChordVars).ForEach(dstCv, kChordVars, [&](int from, int to) {
        if (CNstChordVar* chordVar = source.FindChordVar(from))
            GetChordVar(to).CopyFrom(*chordVar, srcTrack, dstTrack);
        else
            DeleteChordVar(to);
    });
    FixChordTable();
}
