// The one-file import and export steps of the MIDI commands, without their messages.
#pragma once

#include "bank/facade/CNstEditIfc.h"
#include "shell/CTrackMap.h"
#include "smf/CSmfTracks.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CExtProgList;
class CFileWriter;

// What importing one file did.
struct CImportOutcome {
    bool Ok = false;       // the file was read in full and taken by the facade
    bool Upgraded = false; // an extended program raised the style from the old to the new format
    // Taken, but no track received an event: the file's messages lie on channels without a track (1 to
    // 8), or it holds meta events only. Channels: bit c set when the file uses 0-based channel c.
    bool Silent = false;
    uint16_t Channels = 0;
};

class CStyleTransfer {
public:
    // Largest MIDI file read, 16 MiB: far more than 32 measures of any style need (a whole bank is at
    // most 3 MiB), yet enough for a long song file of which the import takes the start.
    static constexpr size_t MaxSmfSize = 16777216;

    // Reads the file at `path` whole and imports it into chord variation `cv` of `element`: all tracks,
    // each from its channel, or as `options` say (a format 1 file with MergeTracks, read as the format 0
    // file of the same messages; with a Map each track from the channels mapped to it, every other
    // channel left out, also when the file's programs and controllers are taken). With `initialize` the chord
    // variation is deleted first, so an element whose only chord variation it was takes the file's signature
    // and track parameters again; the file is first tried on a scratch style, so that a file the facade
    // refuses deletes nothing. After a successful import the notes outside the ranges of the element's
    // extended programs (looked up in `programs`) are marked, and an old-format style (GetStyleVersion() <=
    // 0) is raised to version 1: Upgraded tells the caller to say so. Without a Map, Silent tells that no
    // track took an event. Ok is false when the file cannot be read in full (ReadSmfFile) or is no file the
    // facade takes (format 0, or with MergeTracks also format 1); the style is then unchanged.
    static CImportOutcome ImportSmfFile(CNstEditIfc& style, const CExtProgList& programs,
                                        const std::string& path, int element, int cv, bool initialize,
                                        const CSmfImportOptions& options = {});
    // Reads the file at `path` (format 0 or 1) and sums up what it plays on each channel into `summary`.
    // Nullopt when the file cannot be read in full; otherwise how CSmfTracks took it (`summary` is only
    // filled on Ok).
    static std::optional<CSmfTracks::Result> SummarizeSmfFile(const std::string& path, CSmfSummary& summary);
    // The whole file at `path` (CFileReader, at most MaxSmfSize bytes); false when it is no regular file
    // or cannot be read to its end. Every MIDI file is read here.
    static bool ReadSmfFile(const std::string& path, std::vector<uint8_t>& bytes);

    // Writes chord variation `cv` of `element` as a format 0 file at `path`: `track` 0..7 that track
    // alone, any larger value every track. Marked notes are written as notes and marked again
    // afterwards from `programs`. The file is replaced only once the new image is
    // written in full. False when no image could be made or the file could not be written; an
    // existing file then keeps its contents.
    static bool ExportCvToFile(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                               int element, int cv, int track);
    // The same through `writer`, which names the file (and can be made to fail in tests).
    static bool ExportCvToFile(CNstEditIfc& style, const CExtProgList& programs, CFileWriter& writer,
                               int element, int cv, int track);

    // Sets ranges[t] to the note range of the program of each track t of `element` that `programs`
    // lists; the other tracks keep what the caller put in. True when any track's program is listed.
    static bool LookupNoteRanges(CNstEditIfc& style, const CExtProgList& programs, int element,
                                 CNoteRanges& ranges);
};
