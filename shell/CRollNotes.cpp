// The notes of a chord variation or track for the piano roll.
#include "shell/CRollNotes.h"

#include "events/CTimeBase.h"
#include "shell/CStyleTransfer.h"

#include <algorithm>

uint32_t CRollContent::BeatTicks() const
{
    return static_cast<uint32_t>(::MeasureTicks(1, denomExp));
}

uint32_t CRollContent::MeasureTicks() const
{
    return static_cast<uint32_t>(::MeasureTicks(numerator, denomExp));
}

std::optional<CRollContent> CRollNotes::Read(CNstEditIfc& style, const CExtProgList& programs, int element,
                                             int cv, int track)
{
    const CNstStyleElem* elem = style.Style().FindElement(element);
    const CNstChordVar* chordVar = elem ? elem->FindChordVar(cv) : nullptr;
    std::vector<CCvNote> notes;
    if (!chordVar || !style.ReadCvNotes(element, cv, track, notes))
        return std::nullopt;
    CRollContent content;
    content.element = element;
    content.cv = cv;
    content.track = track;
    content.numerator = std::max<uint8_t>(1, elem->numerator);
    content.denomExp = elem->denomExp;
    content.measures = chordVar->measures;
    content.lengthTicks = content.MeasureTicks() * chordVar->measures;
    // The element exists, so looking its programs up creates nothing.
    CNoteRanges ranges{};
    CStyleTransfer::LookupNoteRanges(style, programs, element, ranges);
    content.notes.reserve(notes.size());
    for (const CCvNote& note : notes) {
        const CNoteRange& range = ranges[note.track];
        content.notes.push_back({note, note.key < range.low || note.key > range.high});
    }
    return content;
}
