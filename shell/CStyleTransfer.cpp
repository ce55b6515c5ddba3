// The one-file import and export steps shared by the window and the command-line tool.
#include "shell/CStyleTransfer.h"

#include "files/CFileReader.h"
#include "files/CFileWriter.h"
#include "shell/CExtProgList.h"
#include "smf/CSmfTracks.h"

#include <vector>

namespace {

// Whether the import gave no track of the chord variation an event.
bool NoTrackFilled(const CNstEditIfc& style, int element, int cv)
{
    for (int track = 0; track < kStyleTracks; ++track)
        if (style.GetTrackState(element, cv, track) != CNstEditIfc::StateAbsent)
            return false;
    return true;
}

// The channels that the channel messages summed up in `summary` use, one bit per 0-based channel.
uint16_t ChannelsOf(const CSmfSummary& summary)
{
    uint16_t channels = 0;
    for (size_t c = 0; c < summary.channels.size(); ++c)
        if (summary.channels[c].track >= 0)
            channels = static_cast<uint16_t>(channels | 1u << c);
    return channels;
}

uint16_t ChannelsUsed(const std::vector<uint8_t>& bytes)
{
    CSmfTracks tracks;
    tracks.Read(bytes.data(), bytes.size());
    return ChannelsOf(tracks.Summary());
}

// The file as the facade reads it: with options other than the default, its tracks merged into one (a
// format 1 file only with MergeTracks) and its channels moved to the tracks' own, `channels` then
// telling which channels the file used before. False when the options refuse the file.
bool ApplyOptions(std::vector<uint8_t>& bytes, const CSmfImportOptions& options, uint16_t& channels)
{
    if (options.IsDefault())
        return true;
    CSmfTracks tracks;
    if (tracks.Read(bytes.data(), bytes.size()) != CSmfTracks::Result::Ok ||
        (tracks.Format() != 0 && !options.MergeTracks))
        return false;
    channels = ChannelsOf(tracks.Summary());
    bytes = tracks.Format0(options.Map.value_or(CTrackMap::StyleChannels()).Channels());
    return true;
}

// Whether the facade takes the file into that chord variation, tried on a new style.
bool FacadeTakes(const std::vector<uint8_t>& bytes, int element, int cv)
{
    CNstEditIfc scratch(nullptr, 0);
    return scratch.ImportSmfToCv(bytes.data(), bytes.size(), element, cv, CNstEditIfc::AllTracks, false);
}

// Marks the notes outside the element's extended program ranges; true when any track has one.
bool MarkExtendedNotes(CNstEditIfc& style, const CExtProgList& programs, int element, int cv)
{
    CNoteRanges ranges{};
    if (!CStyleTransfer::LookupNoteRanges(style, programs, element, ranges))
        return false;
    style.MarkNotesOutsideRanges(element, cv, ranges);
    return true;
}

} // namespace

CImportOutcome CStyleTransfer::ImportSmfFile(CNstEditIfc& style, const CExtProgList& programs,
                                             const std::string& path, int element, int cv, bool initialize,
                                             const CSmfImportOptions& options)
{
    CImportOutcome outcome;
    std::vector<uint8_t> bytes;
    if (!ReadSmfFile(path, bytes))
        return outcome;
    uint16_t channels = 0;
    if (!ApplyOptions(bytes, options, channels))
        return outcome;
    // The deletion must come before the import, which takes the file's track parameters only into an
    // element without data; a file that would then be refused must not cost the chord variation.
    if (initialize) {
        if (!FacadeTakes(bytes, element, cv))
            return outcome;
        style.DeleteCv(element, cv);
    }
    outcome.Ok = style.ImportSmfToCv(bytes.data(), bytes.size(), element, cv, CNstEditIfc::AllTracks, false);
    if (outcome.Ok && MarkExtendedNotes(style, programs, element, cv) && style.GetStyleVersion() <= 0) {
        style.SetStyleVersion(1);
        outcome.Upgraded = true;
    }
    // With a channel map the user chose the channels, and saw what each one plays.
    if (outcome.Ok && !options.Map && NoTrackFilled(style, element, cv)) {
        // Said of the file as the user has it: the bytes themselves unless the options moved channels.
        outcome.Silent = true;
        outcome.Channels = options.IsDefault() ? ChannelsUsed(bytes) : channels;
    }
    return outcome;
}

std::optional<CSmfTracks::Result> CStyleTransfer::SummarizeSmfFile(const std::string& path,
                                                                   CSmfSummary& summary)
{
    std::vector<uint8_t> bytes;
    if (!ReadSmfFile(path, bytes))
        return std::nullopt;
    CSmfTracks tracks;
    const CSmfTracks::Result result = tracks.Read(bytes.data(), bytes.size());
    if (result == CSmfTracks::Result::Ok)
        summary = tracks.Summary();
    return result;
}

bool CStyleTransfer::ReadSmfFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    return CFileReader::Read(path, MaxSmfSize, bytes) == FileReadResult::Ok;
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

bool CStyleTransfer::LookupNoteRanges(CNstEditIfc& style, const CExtProgList& programs, int element,
                                      CNoteRanges& ranges)
{
    return programs.LookupNoteRanges([&style](int e, int t) { return style.GetTrackProgram(e, t); }, element,
                                     ranges);
}
