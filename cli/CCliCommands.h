// The subcommands of ry7style and their help texts.
#pragma once

#include "cli/CCliArgs.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

class CCliSession;

struct CCliCommand {
    const char* Name;
    const char* Usage;   // the line after "usage: ry7style "
    const char* Summary; // one line for the tool's own help
    const char* Help;    // what --help prints after the usage line
    CCliArgs::COptionSet Options;
    size_t MinPositional;
    size_t MaxPositional;
    int (*Run)(CCliSession& session, const CCliArgs& args);
};

// What an edit of a style did: Changed is committed and saved, Unchanged has nothing to save, Failed has
// told the user why.
enum class CEditOutcome { Changed, Unchanged, Failed };

class CCliCommands {
public:
    // Runs argv[1] with the rest of the command line; the exit code (CliExit).
    static int Main(CCliSession& session, int argc, char** argv);

    // Element by 1-based number (1 = Variation 1 .. 12 = Intro 3), by its two-letter standard
    // prefix ("v1", "i3") or by its name ("Fill 2"), ignoring case.
    static std::optional<int> ParseElement(const std::string& text);
    // Track by 1-based number or by name ("Bass", "Acc. 2", "acc2"), ignoring case, blanks and dots.
    static std::optional<int> ParseTrack(const std::string& text);

    // A usage error: the message and the subcommand's usage line on stderr; returns kExitUsage.
    static int UsageError(CCliSession& session, const std::string& command, const std::string& text);

    // Handlers of the subcommands that only read or edit a style; import and export are CCliTransfer's.
    static int List(CCliSession& session, const CCliArgs& args);
    static int Show(CCliSession& session, const CCliArgs& args);
    static int Rename(CCliSession& session, const CCliArgs& args);
    static int Upgrade(CCliSession& session, const CCliArgs& args);
    static int DeleteCv(CCliSession& session, const CCliArgs& args);

private:
    static const CCliCommand* Find(const std::string& name);
    static void WriteToolHelp(std::ostream& out);
    static void WriteCommandHelp(std::ostream& out, const CCliCommand& command);
    // Opens the bank and the style named by the first two positional arguments, lets `edit` change the
    // style (returning a CEditOutcome) and saves the bank where -o or --in-place says: a changed style
    // committed; an unchanged bank only to an output that is not the input.
    template <typename Edit>
    static int EditAndSave(CCliSession& session, const CCliArgs& args, const char* command, Edit&& edit);
};
