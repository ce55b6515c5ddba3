// The extended program lookup for a style being edited.
#include "app/shell/CExtProgList.h"
#include "app/shell/CStyleTransfer.h"

// Kept apart from CStyleTransfer.cpp: the list and the facade each declare a note range record of
// their own, and only plain bytes cross between them.
bool CStyleTransfer::LookupNoteRanges(CNstEditIfc& style, const CExtProgList& programs, int element,
                                      uint8_t (&low)[8], uint8_t (&high)[8])
{
    CNoteRanges ranges;
    const bool found = programs.LookupNoteRanges([&style](int e, int t) { return TrackProgram(style, e, t); },
                                                 element, ranges);
    for (size_t t = 0; t < ranges.size(); ++t) {
        low[t] = ranges[t].Low;
        high[t] = ranges[t].High;
    }
    return found;
}
