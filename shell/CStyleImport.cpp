// The import commands of both front ends.
#include "shell/CStyleImport.h"

#include "bank/facade/CNstEditIfc.h"
#include "shell/CMessageSink.h"
#include "shell/CQuestionAnswerer.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleEdit.h"
#include "shell/CStyleTransfer.h"

namespace {

constexpr const char* UpgradeText = "Extendend Program used - Style version has been upgraded!";
constexpr const char* ReadErrorText = "SMF read error or wrong SMF Format!";
// Fill 3 and Intro 3 exist in the new style format only.
constexpr int FirstNewFormatElement = 10;

std::string Quoted(const std::string& name)
{
    return "'" + name + "'";
}

// What the button that answered stands for.
template <typename Meaning> Meaning Pick(CAnswer answer, Meaning left, Meaning middle, Meaning right)
{
    return answer == CAnswer::Left ? left : answer == CAnswer::Middle ? middle : right;
}

void ReportReadError(const char* caption, const std::string& path, CMessageSink& messages)
{
    messages.Message({caption, ReadErrorText, Quoted(CStandardNames::LowerFileName(path))});
}

CTrackParameters Parameters(CAnswer answer)
{
    return Pick(answer, CTrackParameters::Initialize, CTrackParameters::Keep, CTrackParameters::Skip);
}

} // namespace

std::optional<CImportMode> CStyleImport::AskMode(CQuestionAnswerer& answers)
{
    const CAnswer answer =
        answers.Ask({CQuestionId::ImportMode, SetCaption, "Replace current style or merge with SMF files?",
                     "Replace", "Merge", "Cancel"});
    return Pick<std::optional<CImportMode>>(answer, CImportMode::Replace, CImportMode::Merge, std::nullopt);
}

CImportSetResult CStyleImport::ImportSet(std::unique_ptr<CNstEditIfc>& style, CImportMode mode,
                                         const std::vector<std::string>& paths, const CExtProgList& programs,
                                         CQuestionAnswerer& answers, CMessageSink& messages,
                                         const CSmfImportOptions& options)
{
    if (mode == CImportMode::Replace) {
        const int32_t version = style->GetStyleVersion();
        style = std::make_unique<CNstEditIfc>(nullptr, 0);
        style->SetStyleVersion(version);
        style->SetStyleName(NewStyleName);
    }
    CImportSetResult result;
    const int total = static_cast<int>(paths.size());
    for (int i = 0; i < total; ++i) {
        messages.Progress("importing", i + 1, total);
        ImportNamedFile(*style, paths[static_cast<size_t>(i)], programs, answers, messages, options, result);
    }
    CStyleEdit::EnsureVariationOne(*style, SetCaption, messages);
    return result;
}

void CStyleImport::ImportNamedFile(CNstEditIfc& style, const std::string& path, const CExtProgList& programs,
                                   CQuestionAnswerer& answers, CMessageSink& messages,
                                   const CSmfImportOptions& options, CImportSetResult& counts)
{
    const std::string name = Quoted(CStandardNames::LowerFileName(path));
    const int row = CStandardNames::MatchFileName(path);
    if (row < 0) {
        messages.Message({SetCaption, name + "  is not a valid standard name!", {}});
        ++counts.Invalid;
        return;
    }
    const CCvRef target = CStandardNames::RowToCv(row);
    if (target.Element >= FirstNewFormatElement && style.GetStyleVersion() < 1) {
        style.SetStyleVersion(1);
        messages.Message(
            {SetCaption, name + "  is a new Ry version style element. Style version has been upgraded!", {}});
    }
    CTrackParameters parameters = CTrackParameters::Keep;
    if (style.GetCvState(target.Element, target.Cv) == CNstEditIfc::StateFilled)
        parameters = Parameters(
            answers.Ask({CQuestionId::Duplicate, SetCaption,
                         "Warning! " + name + " is a duplicate - Initialize/Keep Track Parameters?",
                         "Initialize", "Keep", "Skip CV"}));
    if (parameters == CTrackParameters::Skip) {
        ++counts.Skipped;
        return;
    }
    const bool initialize = parameters == CTrackParameters::Initialize;
    if (ImportOne(style, programs, path, target.Element, target.Cv, initialize, SetCaption, messages,
                  options))
        ++counts.Imported;
    else
        ++counts.Failed;
}

std::string CStyleImport::SilentFileText(const std::string& name, uint16_t channels)
{
    std::string used;
    int count = 0;
    for (int c = 0; c < 16; ++c) {
        if ((channels >> c & 1) == 0)
            continue;
        used += (count++ == 0 ? " " : ", ") + std::to_string(c + 1);
    }
    const std::string file = count == 0   ? "the file uses no channel"
                             : count == 1 ? "the file uses channel" + used
                                          : "the file uses channels" + used;
    return name + " gives no event to any track: the tracks play MIDI channels 9 to 16, " + file + "!";
}

CTrackParameters CStyleImport::AskTrackParameters(CQuestionAnswerer& answers)
{
    return Parameters(answers.Ask({CQuestionId::TrackParameters, FileCaption,
                                   "Initialize/Keep Track Parameters?", "Initialize", "Keep", "Cancel"}));
}

bool CStyleImport::ImportFile(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                              int element, int cv, bool initialize, CMessageSink& messages,
                              const CSmfImportOptions& options)
{
    return ImportOne(style, programs, path, element, cv, initialize, FileCaption, messages, options);
}

CStyleImport::CMappedImport CStyleImport::ImportMappedFile(CNstEditIfc& style, const CExtProgList& programs,
                                                           const std::string& path, int element, int cv,
                                                           bool initialize, const CAskTrackMap& askMap,
                                                           CMessageSink& messages)
{
    CSmfSummary summary;
    if (CStyleTransfer::SummarizeSmfFile(path, summary) != CSmfTracks::Result::Ok) {
        ReportReadError(FileCaption, path, messages);
        return CMappedImport::Failed;
    }
    CSmfImportOptions options;
    options.MergeTracks = true;
    options.Map = askMap(summary, CTrackMap::Guess(summary));
    if (!options.Map)
        return CMappedImport::Cancelled;
    return ImportOne(style, programs, path, element, cv, initialize, FileCaption, messages, options)
               ? CMappedImport::Imported
               : CMappedImport::Failed;
}

bool CStyleImport::ImportOne(CNstEditIfc& style, const CExtProgList& programs, const std::string& path,
                             int element, int cv, bool initialize, const char* caption,
                             CMessageSink& messages, const CSmfImportOptions& options)
{
    const CImportOutcome outcome =
        CStyleTransfer::ImportSmfFile(style, programs, path, element, cv, initialize, options);
    if (outcome.Upgraded)
        messages.Message({FileCaption, UpgradeText, {}});
    if (!outcome.Ok)
        ReportReadError(caption, path, messages);
    if (outcome.Silent)
        messages.Message(
            {caption, SilentFileText(Quoted(CStandardNames::LowerFileName(path)), outcome.Channels), {}});
    return outcome.Ok;
}
