// The subcommand table, the dispatcher and the subcommands that list, show and edit styles.
#include "cli/CCliCommands.h"

#include "bank/facade/CNstEditIfc.h"
#include "cli/CCliRoll.h"
#include "cli/CCliSession.h"
#include "cli/CCliTransfer.h"
#include "cli/CStyleReport.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleEdit.h"

#include <array>
#include <cctype>
#include <iostream>
#include <limits>

namespace {

constexpr size_t kMany = std::numeric_limits<size_t>::max();
const std::string kHelp = "--help";

CCliArgs::COptionSet Options(std::set<std::string> values, std::set<std::string> flags)
{
    values.insert("--ext-prog");
    flags.insert(kHelp);
    std::map<std::string, std::string> aliases{{"-h", kHelp}};
    if (values.count("--output"))
        aliases["-o"] = "--output";
    return {values, flags, aliases};
}

const CCliArgs::COptionSet kEditOptions = Options({"--output"}, {"--in-place"});

const std::array<CCliCommand, 9> kCommands = {{
    {"list", "list BANK [--json]", "list the styles of a bank",
     "Lists every style: its number, name, format (old or new) and uncompressed size.\n"
     "  --json    print a JSON array instead of a table\n",
     Options({}, {"--json"}), 1, 1, &CCliCommands::List},
    {"show", "show BANK STYLE [--json] [--ext-prog FILE]", "show the tree of one style",
     "Shows the elements, chord variations and tracks of a style with their info texts\n"
     "(signature, length in measures, program change; \" ***\" marks a restricted note range).\n"
     "STYLE is a number from the list or a name.\n"
     "  --json            print JSON instead of a tree\n"
     "  --ext-prog FILE   extended program list (default: ExtProgList.txt in the current folder)\n",
     Options({}, {"--json"}), 2, 2, &CCliCommands::Show},
    {"export", "export BANK (STYLE | --all-styles) [-o DIR] [options]",
     "write chord variations as MIDI files",
     "Writes every chord variation of the style as DIR/<prefix><standard name>.mid (format 0).\n"
     "  -o DIR            folder to write into (default: the current folder); created when missing\n"
     "  --element E       only element E (1-12, v1..i3, or a name such as \"Fill 2\")\n"
     "  --cv C            only chord variation C (1-6)\n"
     "  --track T         only track T (1-8 or a name such as \"Bass\") in each file\n"
     "  --tempo BPM       tempo written into the files, 40 to 300 (default: 120)\n"
     "  --prefix P        text in front of each standard name (default: none)\n"
     "  --all-styles      every style of the bank, each into DIR/<number>_<name>/\n"
     "  --ext-prog FILE   extended program list (default: ExtProgList.txt in the current folder)\n",
     Options({"--output", "--element", "--cv", "--track", "--tempo", "--prefix"}, {"--all-styles"}), 1, 2,
     &CCliTransfer::Export},
    {"roll", "roll BANK STYLE --element E --cv C [--track T] -o FILE.svg",
     "draw the notes of a chord variation as an SVG piano roll",
     "Draws the notes that export writes for one chord variation (every track, or only --track) as\n"
     "an SVG picture: a bar per note on its key's row, one colour per track, shaded by velocity, over a\n"
     "grid of measures and beats; each bar's tool tip gives its key, start (measure:beat:tick), length\n"
     "and velocity. Notes outside the range of their track's extended program are outlined in red.\n"
     "  --element E       the element (1-12, v1..i3, or a name such as \"Fill 2\")\n"
     "  --cv C            the chord variation (1-6)\n"
     "  --track T         only track T (1-8 or a name such as \"Bass\")\n"
     "  -o FILE.svg       the picture to write\n"
     "  --ext-prog FILE   extended program list (default: ExtProgList.txt in the current folder)\n",
     Options({"--output", "--element", "--cv", "--track"}, {}), 2, 2, &CCliRoll::Roll},
    {"import", "import BANK STYLE FILES... -o OUT.sty [options]", "import MIDI files with standard names",
     "Imports MIDI files (format 0, or 1 with --merge-tracks) into the chord variations their names\n"
     "give (v1cv1 .. i3cv2 anywhere in the file name), then writes the bank to OUT.sty.\n"
     "  --merge                 add the files to the style (default)\n"
     "  --replace               start from a new, empty style named \"New Style\"\n"
     "  --on-duplicate ACTION   for a chord variation that already holds data: keep (keep the\n"
     "                          track parameters, default), initialize (take the file's), skip\n"
     "  --merge-tracks          take format 1 files too, their tracks merged into one\n"
     "  --channel-map MAP       the track each channel of the files feeds, e.g. 10=Drum,2=Bass,1=Acc1\n"
     "                          (channels 1-16; tracks 1-8 or by name, or none); channels not named\n"
     "                          are left out (default: each track from its own channel)\n"
     "  -o OUT.sty              the bank to write; never the input unless --in-place\n"
     "  --in-place              allow writing over BANK\n"
     "  --ext-prog FILE         extended program list (default: ExtProgList.txt in the current folder)\n"
     "Exit code 1 when a file was refused (the others are imported and the bank is written), and\n"
     "when no file was imported (nothing is written).\n",
     Options({"--output", "--on-duplicate", "--channel-map"},
             {"--replace", "--merge", "--in-place", "--merge-tracks"}),
     3, kMany, &CCliTransfer::Import},
    {"inspect", "inspect FILE.mid [--json]", "show what a MIDI file plays on each channel",
     "Shows a MIDI file's format, tracks, division and length in measures, and for each channel\n"
     "with events its notes, key range, first program and the name of the track that plays it:\n"
     "what --channel-map of import needs.\n"
     "  --json    print JSON instead of a table\n",
     Options({}, {"--json"}), 1, 1, &CCliTransfer::Inspect},
    {"rename", "rename BANK STYLE NAME -o OUT.sty [--in-place]", "rename a style",
     "Renames the style to the first 11 characters of NAME; an empty NAME keeps the name.\n", kEditOptions, 3,
     3, &CCliCommands::Rename},
    {"upgrade", "upgrade BANK STYLE -o OUT.sty [--in-place]", "raise a style to the new format",
     "Raises an old-format style to the new format (which adds Fill 3 and Intro 3).\n", kEditOptions, 2, 2,
     &CCliCommands::Upgrade},
    {"delete-cv", "delete-cv BANK STYLE E C -o OUT.sty [--in-place]", "delete a chord variation",
     "Deletes chord variation C (1-6) of element E (1-12, v1..i3, or a name). An element left\n"
     "without data is removed; Variation 1 is created empty when it would be missing.\n",
     kEditOptions, 4, 4, &CCliCommands::DeleteCv},
}};

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

const CCliCommand* CCliCommands::Find(const std::string& name)
{
    for (const CCliCommand& command : kCommands)
        if (name == command.Name)
            return &command;
    return nullptr;
}

void CCliCommands::WriteToolHelp(std::ostream& out)
{
    out << "usage: ry7style COMMAND ARGS...   (ry7style help COMMAND for details)\n\n"
           "Works on Ry7 style banks (*.sty) and moves music between them and MIDI files.\n\n";
    for (const CCliCommand& command : kCommands)
        out << "  " << command.Name << std::string(12 - std::string(command.Name).size(), ' ')
            << command.Summary << "\n";
}

void CCliCommands::WriteCommandHelp(std::ostream& out, const CCliCommand& command)
{
    out << "usage: ry7style " << command.Usage << "\n\n" << command.Help;
}

int CCliCommands::Main(CCliSession& session, int argc, char** argv)
{
    if (argc < 2) {
        WriteToolHelp(session.Err());
        return kExitUsage;
    }
    const std::string name = argv[1];
    const bool help = name == "--help" || name == "-h" || name == "help";
    if (help && argc == 2) {
        WriteToolHelp(session.Out());
        return kExitOk;
    }
    if (help) {
        const CCliCommand* asked = argc == 3 ? Find(argv[2]) : nullptr;
        if (!asked) {
            session.Fail(argc == 3 ? "unknown command '" + std::string(argv[2]) + "'"
                                   : "help takes one command");
            WriteToolHelp(session.Err());
            return kExitUsage;
        }
        WriteCommandHelp(session.Out(), *asked);
        return kExitOk;
    }
    const CCliCommand* command = Find(name);
    if (!command) {
        session.Fail("unknown command '" + name + "'");
        WriteToolHelp(session.Err());
        return kExitUsage;
    }
    CCliArgs args;
    std::string error;
    if (!args.Parse(argc, argv, 2, command->Options, error))
        return UsageError(session, name, error);
    if (args.Has(kHelp)) {
        WriteCommandHelp(session.Out(), *command);
        return kExitOk;
    }
    const size_t count = args.Positional().size();
    if (count < command->MinPositional || count > command->MaxPositional)
        return UsageError(session, name, "wrong number of arguments");
    if (!session.LoadExtProgList(args.Value("--ext-prog")))
        return kExitFailure;
    return command->Run(session, args);
}

int CCliCommands::UsageError(CCliSession& session, const std::string& command, const std::string& text)
{
    session.Fail(command + ": " + text);
    if (const CCliCommand* found = Find(command))
        session.Err() << "usage: ry7style " << found->Usage << "\n";
    return kExitUsage;
}

std::optional<int> CCliCommands::ParseElement(const std::string& text)
{
    if (const std::optional<int> number = ParseNumber(text, CStandardNames::ElementCount))
        return *number - 1;
    const std::string lowered = Lowered(text);
    for (int e = 0; e < CStandardNames::ElementCount; ++e) {
        const std::string prefix = std::string(CStandardNames::Name(CStandardNames::CvToRow(e, 0)), 2);
        if (lowered == prefix || lowered == Lowered(CStandardNames::ElementName(e)))
            return e;
    }
    return std::nullopt;
}

std::optional<int> CCliCommands::ParseTrack(const std::string& text)
{
    return CStandardNames::FindTrack(text);
}

int CCliCommands::List(CCliSession& session, const CCliArgs& args)
{
    if (!session.OpenBank(args.Positional()[0]))
        return kExitFailure;
    const std::vector<CStyleRow> rows = CStyleReport::Rows(session);
    if (args.Has("--json"))
        CStyleReport::WriteRowsJson(session.Out(), rows);
    else
        CStyleReport::WriteRows(session.Out(), rows);
    return kExitOk;
}

int CCliCommands::Show(CCliSession& session, const CCliArgs& args)
{
    int k = -1;
    std::unique_ptr<CNstEditIfc> style = session.OpenStyle(args.Positional()[0], args.Positional()[1], k);
    if (!style)
        return kExitFailure;
    const CStyleRow row{k + 1, session.Names()[static_cast<size_t>(k)],
                        style->GetStyleVersion() > 0 ? "new" : "old",
                        session.Bank().SelectStyle(k)->uncompressedSize};
    const CStyleTree tree = CStyleReport::Tree(row, *style, session.Programs());
    if (args.Has("--json"))
        CStyleReport::WriteTreeJson(session.Out(), tree);
    else
        CStyleReport::WriteTree(session.Out(), tree);
    return kExitOk;
}

template <typename Edit>
int CCliCommands::EditAndSave(CCliSession& session, const CCliArgs& args, const char* command, Edit&& edit)
{
    const std::string& input = args.Positional()[0];
    std::string error;
    const std::optional<std::string> output = OutputBankPath(args, input, error);
    if (!output)
        return UsageError(session, command, error);
    int k = -1;
    std::unique_ptr<CNstEditIfc> style = session.OpenStyle(input, args.Positional()[1], k);
    if (!style)
        return kExitFailure;
    const CEditOutcome outcome = edit(*style);
    if (outcome == CEditOutcome::Failed)
        return kExitFailure;
    if (outcome == CEditOutcome::Changed)
        return session.CommitAndSave(k, *style, *output) ? kExitOk : kExitFailure;
    // Nothing to change: the bank goes to another output as it is, and is not rewritten in place.
    if (SameFile(*output, input)) {
        session.Note("nothing to change; " + input + " was not written");
        return kExitOk;
    }
    return session.SaveBank(*output) ? kExitOk : kExitFailure;
}

int CCliCommands::Rename(CCliSession& session, const CCliArgs& args)
{
    return EditAndSave(session, args, "rename", [&args](CNstEditIfc& style) {
        CStyleEdit::Rename(style, args.Positional()[2]);
        return CEditOutcome::Changed;
    });
}

int CCliCommands::Upgrade(CCliSession& session, const CCliArgs& args)
{
    return EditAndSave(session, args, "upgrade", [&session](CNstEditIfc& style) {
        if (CStyleEdit::Upgrade(style))
            return CEditOutcome::Changed;
        session.Note("the style already has the new format");
        return CEditOutcome::Unchanged;
    });
}

int CCliCommands::DeleteCv(CCliSession& session, const CCliArgs& args)
{
    const std::optional<int> element = ParseElement(args.Positional()[2]);
    if (!element)
        return UsageError(session, "delete-cv", "no element '" + args.Positional()[2] + "'");
    const std::optional<int> cv = ParseNumber(args.Positional()[3], CStandardNames::CvCount(*element));
    if (!cv)
        return UsageError(session, "delete-cv",
                          "no chord variation '" + args.Positional()[3] + "' in " +
                              CStandardNames::ElementName(*element));
    return EditAndSave(session, args, "delete-cv", [&](CNstEditIfc& style) {
        const int c = *cv - 1;
        if (CStyleEdit::DeleteCv(style, *element, c, session))
            return CEditOutcome::Changed;
        session.Fail(std::string("the style has no ") + CStandardNames::ElementName(*element) + " " +
                     CStandardNames::ChordVarText(c));
        return CEditOutcome::Failed;
    });
}
