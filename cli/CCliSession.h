// What one run of ry7style works with: its output streams, the extended program list and the open bank.
#pragma once

#include "bank/chunk/CStyleBank.h"
#include "shell/CExtProgList.h"
#include "shell/CMessageSink.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class CCliArgs;
class CNstEditIfc;

// Exit codes of the tool.
enum CliExit : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// The shell's commands tell the user through the session (CMessageSink).
class CCliSession final : public CMessageSink {
public:
    CCliSession(std::ostream& out, std::ostream& err);
    ~CCliSession() override;

    // Output. Messages of the window's commands go to stderr as "caption: text", followed by
    // " (subject)" when the message names a file; the tool's own failures as "ry7style: text".
    std::ostream& Out() { return out; }
    std::ostream& Err() { return err; }
    void Message(const std::string& caption, const std::string& text);
    void Message(const CShellMessage& message) override;
    void Fail(const std::string& text);
    // Something the user should know that is no failure: "note: text", without the failure prefix.
    void Note(const std::string& text);
    // A "what done/total" line on stderr that rewrites itself, only when stderr is a terminal.
    void Progress(const std::string& what, int done, int total) override;
    void EndProgress();

    // The extended program list: from `file` when given (a missing file is a failure), otherwise from
    // "ExtProgList.txt" in the current folder when it exists. Format errors are reported and skipped.
    bool LoadExtProgList(const std::optional<std::string>& file);
    const CExtProgList& Programs() const { return programs; }

    // The bank. OpenBank reports why a file is refused, with the window's texts.
    bool OpenBank(const std::string& path);
    CStyleBank& Bank() { return bank; }
    // One name per style, "" where the name table has none.
    const std::vector<std::string>& Names() const { return names; }
    // Style by 1-based number or by name (exact, then ignoring case); -1 after a message when none.
    int FindStyle(const std::string& text);
    // A facade over style k with the list's name, as selecting it in the window gives; null after a
    // message when the style holds no content chunk.
    std::unique_ptr<CNstEditIfc> EditStyle(int k);
    // OpenBank, FindStyle and EditStyle in one: the facade over the style named `style` of the bank at
    // `path`, its index in `k`; null after the message of the step that failed.
    std::unique_ptr<CNstEditIfc> OpenStyle(const std::string& path, const std::string& style, int& k);
    // Writes `style` back into style k (built and compacted) and saves the bank at `path` (SaveBank).
    bool CommitAndSave(int k, CNstEditIfc& style, const std::string& path);
    // Saves the bank at `path`, telling each style left uncompressed and a failed write.
    bool SaveBank(const std::string& path);

private:
    std::ostream& out;
    std::ostream& err;
    bool progressShown = false;
    CExtProgList programs;
    CStyleBank bank;
    std::string bankPath;
    std::vector<std::string> names;
};

// Where an edit writes the bank: -o OUT, or the input itself with --in-place. Usage errors (no output,
// or an output that is the input without --in-place) give nullopt with `error` set.
std::optional<std::string> OutputBankPath(const CCliArgs& args, const std::string& input, std::string& error);

// Both names lead to the same file (or would, once created).
bool SameFile(const std::string& a, const std::string& b);

// A 1-based number in [1, max], or nullopt.
std::optional<int> ParseNumber(const std::string& text, int max);
