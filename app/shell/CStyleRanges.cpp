// The extended program lookup for a style being edited.
#include "app/shell/CExtProgList.h"
#include "app/shell/CStyleTransfer.h"

// The ranges cross to the caller as plain bytes per track.
bool CStyleTransfer::LookupNoteRanges(CNstEditIfc& style, const CExtProgList& programs, int element,
                                      uint8_t (&low)[8], uint8_t (&high)[8])
{
    CNoteRanges ranges;
    const bool found = programs.LookupNoteRanges([&style](int e, int t) { return TrackProgram(style, e, t); },
                                                 element, ranges);
    for (size_t t = 0; t < ranges.size(); ++t) {
        low[t] = ranges[t].low;
        high[t] = ranges[t].high;
    }
    return found;
}
