// The one-file import and export steps shared by the window and the command-line tool.
#include "app/shell/CStyleTransfer.h"

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

// The first Set Tempo sits at tick 0 in front of every other event the facade writes, so it is the
// first FF 51 03 after the track header.
void ReplaceFirstTempo(std::vector<uint8_t>& image, int32_t tempo)
{
    const uint32_t micros = 60000000u / static_cast<uint32_t>(tempo);
    constexpr size_t kTrackStart = 22; // file header (14) and track header (8)
    for (size_t i = kTrackStart; i + 6 <= image.size(); ++i) {
        if (image[i] == 0xFF && image[i + 1] == 0x51 && image[i + 2] == 0x03) {
            image[i + 3] = static_cast<uint8_t>(micros >> 16);
            image[i + 4] = static_cast<uint8_t>(micros >> 8);
            image[i + 5] = static_cast<uint8_t>(micros);
            return;
        }
    }
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
                                    int element, int cv, int track, int32_t tempo)
{
    CFileWriter writer(path);
    return ExportCvToFile(style, programs, writer, element, cv, track, tempo);
}

bool CStyleTransfer::ExportCvToFile(CNstEditIfc& style, const CExtProgList& programs, CFileWriter& writer,
                                    int element, int cv, int track, int32_t tempo)
{
    style.ClearNoteMarks(element, cv);
    std::vector<uint8_t> image =
        style.ExportCvToSmf(element, cv, track < 8 ? track : static_cast<int>(CNstEditIfc::AllTracks));
    MarkExtendedNotes(style, programs, element, cv);
    // An empty image is no file; writing it would replace a good file with nothing.
    if (image.empty())
        return false;
    if (tempo > 0)
        ReplaceFirstTempo(image, tempo);
    return writer.Write(image.data(), image.size());
}
