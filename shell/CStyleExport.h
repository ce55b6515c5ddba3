// Export All: every chord variation of a style as a MIDI file named by its standard name.
#pragma once

#include "bank/facade/CNstEditIfc.h"

#include <optional>
#include <string>
#include <vector>

class CExtProgList;

// Which chord variations Export All writes, and with which tracks.
struct CExportSelection {
    // Fill 3 and Intro 3 as well: the window leaves them out, the command-line tool writes all twelve.
    bool NewFormatElements = false;
    std::optional<int> Element;         // only this element (0..11)
    std::optional<int> Cv;              // only this chord variation (0..5)
    int Track = CNstEditIfc::AllTracks; // 0..7 writes that track alone into each file
    // The window stops at the first file that cannot be written; the command-line tool goes on.
    bool StopAtFailure = true;
};

// What Export All wrote.
struct CExportResult {
    std::vector<std::string> Written;     // the paths, in the order written
    std::vector<std::string> FailedPaths; // the files that could not be written, in the same order
    bool Failed() const { return !FailedPaths.empty(); }
};

class CStyleExport {
public:
    static constexpr const char* Caption = "Export Chord Variation to SMF";
    static constexpr const char* WriteErrorText = "SMF write error!";

    // Writes every present chord variation that `selection` names, element by element and chord
    // variation by chord variation, to `prefix` + standard name + ".mid" (CStyleTransfer::ExportCvToFile).
    // A file that cannot be written ends the export when the selection says StopAtFailure. The front
    // end tells the failures.
    static CExportResult ExportAll(CNstEditIfc& style, const CExtProgList& programs,
                                   const CExportSelection& selection, const std::string& prefix);

    // Tempo of the exported files, in beats per minute
    static constexpr int MinTempo = 40;
    static constexpr int MaxTempo = 300;
    // The tempo a test play takes from the text of the tempo field: the number at its start as C's atoi
    // reads it (blanks, then a sign, then digits; 0 without digits), however many digits it has, held
    // to MinTempo..MaxTempo.
    static int PlayTempo(const std::string& field);
};
