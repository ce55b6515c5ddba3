// export and import: chord variations to and from MIDI files named by the standard names.
#include "cli/CCliTransfer.h"

#include "app/shell/CStandardNames.h"
#include "app/shell/CStyleTransfer.h"
#include "bank/CNstEditIfc.h"
#include "cli/CCliArgs.h"
#include "cli/CCliCommands.h"
#include "cli/CCliSession.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr const char* kExportCaption = "Export Chord Variation to SMF";
constexpr const char* kImportCaption = "Import Style from SMF";
constexpr int kMinTempo = 40;
constexpr int kMaxTempo = 300;

// What export writes: the selection of its options.
struct CExportChoice {
    std::optional<int> Element;
    std::optional<int> Cv;
    int Track = CNstEditIfc::AllTracks;
    int32_t Tempo = 0;
    std::string Prefix;
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
    if (const auto element = args.Value("--element")) {
        choice.Element = CCliCommands::ParseElement(*element);
        if (!choice.Element)
            error = "no element '" + *element + "'";
    }
    if (const auto cv = args.Value("--cv")) {
        choice.Cv = ParseNumber(*cv, CStandardNames::MaxCvCount);
        if (!choice.Cv)
            error = "no chord variation '" + *cv + "'";
        else
            --*choice.Cv;
    }
    if (const auto track = args.Value("--track")) {
        const std::optional<int> parsed = CCliCommands::ParseTrack(*track);
        if (!parsed)
            error = "no track '" + *track + "'";
        choice.Track = parsed.value_or(0);
    }
    if (const auto tempo = args.Value("--tempo")) {
        const std::optional<int> parsed = ParseNumber(*tempo, kMaxTempo);
        if (!parsed || *parsed < kMinTempo)
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
    for (int e = 0; e < CStandardNames::ElementCount; ++e) {
        if (choice.Element && *choice.Element != e)
            continue;
        for (int c = 0; c < CStandardNames::CvCount(e); ++c) {
            if ((choice.Cv && *choice.Cv != c) || style->GetCvState(e, c) == CNstEditIfc::StateAbsent)
                continue;
            const fs::path path = folder / (choice.Prefix + CStandardNames::CvName(e, c) + ".mid");
            if (!CStyleTransfer::ExportCvToFile(*style, session.Programs(), path.string(), e, c, choice.Track)) {
                session.Message(kExportCaption,
                                std::string(CStyleTransfer::WriteErrorText) + " (" + path.string() + ")");
                return kExitFailure;
            }
            session.Out() << path.string() << "\n";
            ++written;
        }
    }
    return kExitOk;
}

// Imports `files` into `style` by their standard names, as the window's many-file import does; the
// number of files refused (no standard name, unreadable).
int ImportFiles(CCliSession& session, CNstEditIfc& style, const std::vector<std::string>& files,
                const std::string& onDuplicate)
{
    int refused = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        session.Progress("importing", static_cast<int>(i + 1), static_cast<int>(files.size()));
        const std::string name = CStandardNames::LowerFileName(files[i]);
        const int row = CStandardNames::MatchFileName(files[i]);
        if (row < 0) {
            session.Message(kImportCaption, "'" + name + "'  is not a valid standard name!");
            ++refused;
            continue;
        }
        const CCvRef target = CStandardNames::RowToCv(row);
        if (target.Element >= 10 && style.GetStyleVersion() < 1) {
            style.SetStyleVersion(1);
            session.Message(kImportCaption,
                            "'" + name +
                                "'  is a new Ry version style element. Style version has been upgraded!");
        }
        if (style.GetCvState(target.Element, target.Cv) == CNstEditIfc::StateFilled) {
            session.Message(kImportCaption, "Warning! '" + name +
                                                "' is a duplicate - Initialize/Keep Track Parameters? " +
                                                onDuplicate);
            if (onDuplicate == "skip")
                continue;
        }
        const CImportOutcome outcome = CStyleTransfer::ImportSmfFile(
            style, session.Programs(), files[i], target.Element, target.Cv, onDuplicate == "initialize");
        if (!outcome.Ok) {
            session.Message(kImportCaption, std::string(CStyleTransfer::ReadErrorText) + " ('" + name + "')");
            ++refused;
        }
        if (outcome.Upgraded)
            session.Message(CStyleTransfer::ImportCaption, CStyleTransfer::UpgradeText);
    }
    session.EndProgress();
    return refused;
}

} // namespace

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
    const int count = session.Bank().StyleCount();
    for (int k = 0; k < count; ++k) {
        session.Progress("exporting styles", k + 1, count);
        const int result = ExportStyle(
            session, k, *choice, folder / StyleFolder(k, session.Names()[static_cast<size_t>(k)]), written);
        if (result != kExitOk)
            return result;
    }
    return kExitOk;
}

int CCliTransfer::Import(CCliSession& session, const CCliArgs& args)
{
    if (args.Has("--replace") && args.Has("--merge"))
        return CCliCommands::UsageError(session, "import", "--replace and --merge exclude each other");
    const std::string onDuplicate = args.Value("--on-duplicate").value_or("keep");
    if (onDuplicate != "keep" && onDuplicate != "initialize" && onDuplicate != "skip")
        return CCliCommands::UsageError(session, "import", "--on-duplicate takes keep, initialize or skip");
    const std::string& input = args.Positional()[0];
    std::string error;
    const std::optional<std::string> output = OutputBankPath(args, input, error);
    if (!output)
        return CCliCommands::UsageError(session, "import", error);
    int k = -1;
    std::unique_ptr<CNstEditIfc> style = session.OpenStyle(input, args.Positional()[1], k);
    if (!style)
        return kExitFailure;
    if (args.Has("--replace")) {
        // A new style that keeps the format of the one it replaces.
        const int32_t version = style->GetStyleVersion();
        style = std::make_unique<CNstEditIfc>(nullptr, 0);
        style->SetStyleVersion(version);
        style->SetStyleName("New Style");
    }
    const std::vector<std::string> files(args.Positional().begin() + 2, args.Positional().end());
    const int refused = ImportFiles(session, *style, files, onDuplicate);
    CCliCommands::EnsureVariationOne(session, *style, kImportCaption);
    if (!session.CommitAndSave(k, *style, *output))
        return kExitFailure;
    return refused ? kExitFailure : kExitOk;
}
