// The one-file import and export steps of the window's MIDI commands, without their dialogs.
#pragma once

#include <cstdint>
#include <string>

class CExtProgList;
class CFileWriter;
class CNstEditIfc;

// What importing one file did.
struct CImportOutcome {
    bool Ok = false;       // the file was read in full and taken by the facade
    bool Upgraded = false; // an extended program raised the style from the old to the new format
};

class CStyleTransfer {
public:
    // Texts of the steps' messages, shown by the caller with the caption ImportCaption.
    static constexpr const char* ImportCaption = "Import Chord Variation from SMF";
    static constexpr const char* UpgradeText = "Extendend Program used - Style version has been upgraded!";
    static constexpr const char* ReadErrorText = "SMF read error or wrong SMF Format!";
    static constexpr const char* WriteErrorText = "SMF write error!";

    // Reads the file at `path` whole and imports it into chord variation `cv` of `element` (all tracks,
    // each from its channel). With `initialize` the chord variation is deleted first, so an element
    // whose only chord variation it was takes the file's signature and track parameters again.
    // After a successful import the notes outside the ranges of the element's extended programs
    // (looked up in `programs`) are marked, and an old-format style (GetStyleVersion() <= 0) is
    // raised to version 1: Upgraded tells the caller to show UpgradeText. Ok is false when the file
    // cannot be read in full or is no format 0 file the facade takes; the style is then unchanged
    // apart from the deletion that `initialize` asked for.
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

    // The note ranges of the element's tracks from `programs`, as bytes per track (low, high), and
    // whether any track's program is in the list. Tracks without an entry keep (0, 127).
    static bool LookupNoteRanges(CNstEditIfc& style, const CExtProgList& programs, int element,
                                 uint8_t (&low)[8], uint8_t (&high)[8]);

private:
    static int32_t TrackProgram(CNstEditIfc& style, int element, int track);
};
