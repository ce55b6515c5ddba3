// The import commands: a whole style from files with standard names, and one chord variation from one file.
#pragma once

#include "shell/CTrackMap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CExtProgList;
struct CSmfSummary;
class CMessageSink;
class CNstEditIfc;
class CQuestionAnswerer;

// Whether the files of a many-file import replace the style or are added to it.
enum class CImportMode { Merge, Replace };

// What an import does with a chord variation: keep the element's track parameters, take the file's
// (the chord variation is deleted before the file comes in), or leave the chord variation alone.
enum class CTrackParameters { Keep, Initialize, Skip };

// What a many-file import did, counted by file.
struct CImportSetResult {
    int Imported = 0; // taken into the style
    int Failed = 0;   // tried but not taken: unreadable, or no file the import takes
    int Invalid = 0;  // no standard name in the file name
    int Skipped = 0;  // duplicates answered with Skip CV

    // Files whose import was tried: the window counts each as a change of the style.
    int Tried() const { return Imported + Failed; }
    // Files the user should hear about once more: the command-line tool's exit code.
    int Refused() const { return Failed + Invalid; }
};

class CStyleImport {
public:
    static constexpr const char* SetCaption = "Import Style from SMF";
    static constexpr const char* FileCaption = "Import Chord Variation from SMF";
    static constexpr const char* NewStyleName = "New Style";

    // Import Style from SMFs with Standard Names
    // Asks the ImportMode question (caption SetCaption; Left "Replace", Middle "Merge", Right
    // "Cancel"). Nullopt when the user cancels.
    static std::optional<CImportMode> AskMode(CQuestionAnswerer& answers);
    // Imports the files at `paths`, in their order, into the chord variations their standard names give
    // (CStandardNames::MatchFileName). With Replace `style` is first replaced by a new, empty style named
    // NewStyleName that keeps the old one's format. Per file, under SetCaption:
    // - no standard name: "'<name>'  is not a valid standard name!" and the next file;
    // - Fill 3 or Intro 3 into an old-format style: the style is upgraded and told so, once;
    // - a chord variation that holds data: the Duplicate question (Left "Initialize", Middle "Keep",
    //   Right "Skip CV"); Skip CV leaves it and goes on;
    // - otherwise the file is imported as by ImportFile, a failure told as "SMF read error or wrong
    //   SMF Format!" with the Subject "'<name>'".
    // <name> is the lower-cased file name without its folder. Afterwards Variation 1 exists
    // (CStyleEdit::EnsureVariationOne). `style` must hold a style; Replace destroys it and puts the new
    // one in its place. Nothing is written to a bank: that is the caller's decision. Every file is read as
    // `options` say (CStyleTransfer::ImportSmfFile).
    static CImportSetResult ImportSet(std::unique_ptr<CNstEditIfc>& style, CImportMode mode,
                                      const std::vector<std::string>& paths, const CExtProgList& programs,
                                      CQuestionAnswerer& answers, CMessageSink& messages,
                                      const CSmfImportOptions& options = {});

    // Import Chord Variation from SMF
    // Asks the TrackParameters question (caption FileCaption; Left "Initialize", Middle "Keep", Right
    // "Cancel"); Skip stands for Cancel.
    static CTrackParameters AskTrackParameters(CQuestionAnswerer& answers);
    // Imports the file at `path` into chord variation `cv` of `element` (CStyleTransfer::ImportSmfFile)
    // and tells an upgrade by an extended program under FileCaption. A failure is told under FileCaption
    // too; the style is then as it was. A file taken without giving any track an event (read without a
    // channel map) is told with SilentFileText (ImportSet does the same under SetCaption). True when the
    // file was taken. The file is read as `options` say.
    static bool ImportFile(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                           int element, int cv, bool initialize, CMessageSink& messages,
                           const CSmfImportOptions& options = {});

    // Import MIDI File
    // Asks which track each channel of a file feeds: given what the file plays per channel and a first
    // guess, the map the user confirmed, or nullopt when the user cancelled.
    using CAskTrackMap = std::function<std::optional<CTrackMap>(const CSmfSummary&, const CTrackMap& guess)>;
    enum class CMappedImport { Imported, Failed, Cancelled };
    // Reads the file at `path` (format 0 or 1), asks `askMap` with CTrackMap::Guess as its guess, and
    // imports the file with its tracks merged and the chosen map as ImportFile does. A file that cannot be
    // read or summed up is told as ImportFile tells a failure, without a question. Cancelled leaves the
    // style as it was.
    static CMappedImport ImportMappedFile(CNstEditIfc& style, const CExtProgList& programs,
                                          const std::string& path, int element, int cv, bool initialize,
                                          const CAskTrackMap& askMap, CMessageSink& messages);

    // "'<name>' gives no event to any track: the tracks play MIDI channels 9 to 16, the file uses
    // channels 1, 2, 3!" (or "channel 1", or "no channel" for a file of meta events only); `channels` has
    // bit c set for each 0-based channel the file uses.
    static std::string SilentFileText(const std::string& name, uint16_t channels);

private:
    // One file of ImportSet, counted in `counts`.
    static void ImportNamedFile(CNstEditIfc& style, const std::string& path, const CExtProgList& programs,
                                CQuestionAnswerer& answers, CMessageSink& messages,
                                const CSmfImportOptions& options, CImportSetResult& counts);
    static bool ImportOne(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                          int element, int cv, bool initialize, const char* caption, CMessageSink& messages,
                          const CSmfImportOptions& options);
};
