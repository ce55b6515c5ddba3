// export and import: chord variations to and from MIDI files named by the standard names.
#include "cli/CCliTransfer.h"

#include "bank/facade/CNstEditIfc.h"
#include "cli/CCliArgs.h"
#include "cli/CCliCommands.h"
#include "cli/CCliSession.h"
#include "cli/CStyleReport.h"
#include "shell/CQuestionAnswerer.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleExport.h"
#include "shell/CStyleImport.h"
#include "shell/CStyleTransfer.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace {

namespace fs = std::filesystem;

// What export writes: the selection of its options; every element, Fill 3 and Intro 3 too.
struct CExportChoice {
    CExportSelection Selection{true, {}, {}, CNstEditIfc::AllTracks, false};
    int32_t Tempo = 0;
    std::string Prefix;
};

// The questions of import, answered from the command line: --replace and --on-duplicate. The duplicate
// question is told on stderr with its answer.
class CImportOptions final : public CQuestionAnswerer {
public:
    CImportOptions(CCliSession& session_, bool replace_, std::string onDuplicate_)
        : session(session_), replace(replace_), onDuplicate(std::move(onDuplicate_))
    {
    }

    CAnswer Ask(const CQuestion& question) override
    {
        if (question.Id == CQuestionId::ImportMode)
            return replace ? CAnswer::Left : CAnswer::Middle;
        session.Message(question.Caption, question.Text + " " + onDuplicate);
        if (onDuplicate == "initialize")
            return CAnswer::Left;
        return onDuplicate == "skip" ? CAnswer::Right : CAnswer::Middle;
    }

private:
    CCliSession& session;
    bool replace;
    std::string onDuplicate;
};

// Folder name of a style for --all-styles: its number and its name with only letters, digits, '-'
// and '_' kept, everything else turned into '_'.
std::string StyleFolder(int k, const std::string& name)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", k + 1);
    std::string folder = number;
    if (!name.empty())
        folder += '_';
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool safe = (byte < 0x80 && std::isalnum(byte)) || c == '-' || c == '_';
        folder += safe ? c : '_';
    }
    return folder;
}

// Reads the export options; a usage error text when one is malformed.
std::optional<CExportChoice> ReadExportChoice(const CCliArgs& args, std::string& error)
{
    CExportChoice choice;
    CCliTransfer::ReadSelection(args, choice.Selection, error);
    if (const auto tempo = args.Value("--tempo")) {
        const std::optional<int> parsed = ParseNumber(*tempo, CStyleExport::MaxTempo);
        if (!parsed || *parsed < CStyleExport::MinTempo)
            error = "--tempo takes a whole number from 40 to 300";
        choice.Tempo = parsed.value_or(0);
    }
    choice.Prefix = args.Value("--prefix").value_or("");
    if (choice.Prefix.find('/') != std::string::npos)
        error = "--prefix must not hold a '/'";
    if (!error.empty())
        return std::nullopt;
    return choice;
}

// Exports the chosen chord variations of style k into `folder`; counts the files written.
int ExportStyle(CCliSession& session, int k, const CExportChoice& choice, const fs::path& folder,
                int& written)
{
    std::unique_ptr<CNstEditIfc> style = session.EditStyle(k);
    if (!style)
        return kExitFailure;
    if (choice.Tempo > 0)
        style->SetStyleTempo(choice.Tempo);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        session.Fail("cannot create the folder " + folder.string() + ": " + error.message());
        return kExitFailure;
    }
    const CExportResult result = CStyleExport::ExportAll(*style, session.Programs(), choice.Selection,
                                                         (folder / choice.Prefix).string());
    for (const std::string& path : result.Written)
        session.Out() << path << "\n";
    written += static_cast<int>(result.Written.size());
    for (const std::string& path : result.FailedPaths)
        session.Message({CStyleExport::Caption, CStyleExport::WriteErrorText, path});
    return result.Failed() ? kExitFailure : kExitOk;
}

} // namespace

void CCliTransfer::ReadSelection(const CCliArgs& args, CExportSelection& selection, std::string& error)
{
    if (const auto element = args.Value("--element")) {
        selection.Element = CCliCommands::ParseElement(*element);
        if (!selection.Element)
            error = "no element '" + *element + "'";
    }
    if (const auto cv = args.Value("--cv")) {
        selection.Cv = ParseNumber(*cv, CStandardNames::MaxCvCount);
        if (!selection.Cv)
            error = "no chord variation '" + *cv + "'";
        else
            --*selection.Cv;
    }
    if (const auto track = args.Value("--track")) {
        const std::optional<int> parsed = CCliCommands::ParseTrack(*track);
        if (!parsed)
            error = "no track '" + *track + "'";
        selection.Track = parsed.value_or(0);
    }
}

int CCliTransfer::Export(CCliSession& session, const CCliArgs& args)
{
    const bool allStyles = args.Has("--all-styles");
    if (args.Positional().size() != (allStyles ? 1u : 2u))
        return CCliCommands::UsageError(session, "export",
                                        allStyles ? "--all-styles takes no STYLE" : "give a STYLE");
    std::string error;
    const std::optional<CExportChoice> choice = ReadExportChoice(args, error);
    if (!choice)
        return CCliCommands::UsageError(session, "export", error);
    if (!session.OpenBank(args.Positional()[0]))
        return kExitFailure;
    const fs::path folder = args.Value("--output").value_or(".");
    int written = 0;
    if (!allStyles) {
        const int k = session.FindStyle(args.Positional()[1]);
        if (k < 0)
            return kExitFailure;
        const int result = ExportStyle(session, k, *choice, folder, written);
        if (result == kExitOk && written == 0) {
            session.Fail("no chord variation of the style matches");
            return kExitFailure;
        }
        return result;
    }
    // A style that cannot be read or written does not stop the others: what is left of a damaged bank
    // may be just what the user needs.
    const int count = session.Bank().StyleCount();
    int exit = kExitOk;
    for (int k = 0; k < count; ++k) {
        session.Progress("exporting styles", k + 1, count);
        if (ExportStyle(session, k, *choice, folder / StyleFolder(k, session.Names()[static_cast<size_t>(k)]),
                        written) != kExitOk)
            exit = kExitFailure;
    }
    return exit;
}

int CCliTransfer::Import(CCliSession& session, const CCliArgs& args)
{
    if (args.Has("--replace") && args.Has("--merge"))
        return CCliCommands::UsageError(session, "import", "--replace and --merge exclude each other");
    const std::string onDuplicate = args.Value("--on-duplicate").value_or("keep");
    if (onDuplicate != "keep" && onDuplicate != "initialize" && onDuplicate != "skip")
        return CCliCommands::UsageError(session, "import", "--on-duplicate takes keep, initialize or skip");
    CSmfImportOptions options;
    options.MergeTracks = args.Has("--merge-tracks");
    std::string error;
    if (const auto map = args.Value("--channel-map")) {
        options.Map = CTrackMap::Parse(*map, error);
        if (!options.Map)
            return CCliCommands::UsageError(session, "import", "--channel-map: " + error);
    }
    const std::string& input = args.Positional()[0];
    const std::optional<std::string> output = OutputBankPath(args, input, error);
    if (!output)
        return CCliCommands::UsageError(session, "import", error);
    int k = -1;
    std::unique_ptr<CNstEditIfc> style = session.OpenStyle(input, args.Positional()[1], k);
    if (!style)
        return kExitFailure;
    CImportOptions answers(session, args.Has("--replace"), onDuplicate);
    // The options never cancel.
    const CImportMode mode = *CStyleImport::AskMode(answers);
    const std::vector<std::string> files(args.Positional().begin() + 2, args.Positional().end());
    const CImportSetResult result =
        CStyleImport::ImportSet(style, mode, files, session.Programs(), answers, session, options);
    session.EndProgress();
    // Without Undo a style that took no file would only lose what the bank holds.
    if (result.Imported == 0) {
        session.Fail("no file was imported; " + *output + " was not written");
        return kExitFailure;
    }
    if (!session.CommitAndSave(k, *style, *output))
        return kExitFailure;
    return result.Refused() ? kExitFailure : kExitOk;
}

int CCliTransfer::Inspect(CCliSession& session, const CCliArgs& args)
{
    const std::string& path = args.Positional()[0];
    CSmfSummary summary;
    const std::optional<CSmfTracks::Result> result = CStyleTransfer::SummarizeSmfFile(path, summary);
    if (!result) {
        session.Fail("cannot read " + path);
        return kExitFailure;
    }
    switch (*result) {
    case CSmfTracks::Result::Ok:
        break;
    case CSmfTracks::Result::NotMidi:
        session.Fail(path + " is no MIDI file");
        return kExitFailure;
    case CSmfTracks::Result::Format2:
        session.Fail(path + " is a MIDI file of format 2, whose tracks are independent patterns");
        return kExitFailure;
    case CSmfTracks::Result::Malformed:
        session.Fail(path + ": a track cannot be read to its End of Track");
        return kExitFailure;
    }
    if (args.Has("--json"))
        CStyleReport::WriteSmfSummaryJson(session.Out(), summary);
    else
        CStyleReport::WriteSmfSummary(session.Out(), summary);
    return kExitOk;
}
