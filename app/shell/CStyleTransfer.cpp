// The one-file import and export steps shared by the window and the command-line tool.
#include "app/shell/CStyleTransfer.h"

#include "app/shell/CExtProgList.h"
#include "bank/CFileWriter.h"
#include "bank/CNstEditIfc.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The whole file, or nothing when it cannot be read to its end.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

CNoteRanges RangesOf(const uint8_t (&low)[8], const uint8_t (&high)[8])
{
    CNoteRanges ranges;
    for (size_t t = 0; t < ranges.size(); ++t)
        ranges[t] = {low[t], high[t]};
    return ranges;
}

// Marks the notes outside the element's extended program ranges; true when any track has one.
bool MarkExtendedNotes(CNstEditIfc& style, const CExtProgList& programs, int element, int cv)
{
    uint8_t low[8];
    uint8_t high[8];
    if (!CStyleTransfer::LookupNoteRanges(style, programs, element, low, high))
        return false;
    style.MarkNotesOutsideRanges(element, cv, RangesOf(low, high));
    return true;
}

} // namespace

int32_t CStyleTransfer::TrackProgram(CNstEditIfc& style, int element, int track)
{
    return style.GetTrackProgram(element, track);
}

CImportOutcome CStyleTransfer::ImportSmfFile(CNstEditIfc& style, const CExtProgList& programs,
                                             const std::string& path, int element, int cv, bool initialize)
{
    CImportOutcome outcome;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes))
        return outcome;
    if (initialize)
        style.DeleteCv(element, cv);
    outcome.Ok = style.ImportSmfToCv(bytes.data(), bytes.size(), element, cv, CNstEditIfc::AllTracks, false);
    if (outcome.Ok && MarkExtendedNotes(style, programs, element, cv) && style.GetStyleVersion() <= 0) {
        style.SetStyleVersion(1);
        outcome.Upgraded = true;
    }
    return outcome;
}

bool CStyleTransfer::ExportCvToFile(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                                    int element, int cv, int track)
{
    CFileWriter writer(path);
    return ExportCvToFile(style, programs, writer, element, cv, track);
}

bool CStyleTransfer::ExportCvToFile(CNstEditIfc& style, const CExtProgList& programs, CFileWriter& writer,
                                    int element, int cv, int track)
{
    style.ClearNoteMarks(element, cv);
    std::vector<uint8_t> image =
        style.ExportCvToSmf(element, cv, track < 8 ? track : static_cast<int>(CNstEditIfc::AllTracks));
    MarkExtendedNotes(style, programs, element, cv);
    // An empty image is no file; writing it would replace a good file with nothing.
    if (image.empty())
        return false;
    return writer.Write(image.data(), image.size());
}

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
