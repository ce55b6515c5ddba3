// The one-file import and export steps of the MIDI commands, without their messages.
#pragma once

#include "bank/facade/CNstEditIfc.h"

#include <cstddef>
#include <cstdint>
#include <string>

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

    // Reads the file at `path` whole and imports it into chord variation `cv` of `element` (all tracks,
    // each from its channel). With `initialize` the chord variation is deleted first, so an element
    // whose only chord variation it was takes the file's signature and track parameters again; the file
    // is first tried on a scratch style, so that a file the facade refuses deletes nothing.
    // After a successful import the notes outside the ranges of the element's extended programs
    // (looked up in `programs`) are marked, and an old-format style (GetStyleVersion() <= 0) is
    // raised to version 1: Upgraded tells the caller to say so; Silent tells that no track took an event.
    // Ok is false when the file cannot be read in full (CFileReader: no regular file, larger than
    // MaxSmfSize, a read error) or is no format 0 file the facade takes; the style is then unchanged.
    static CImportOutcome ImportSmfFile(CNstEditIfc& style, const CExtProgList& programs,
                                        const std::string& path, int element, int cv, bool initialize);

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
