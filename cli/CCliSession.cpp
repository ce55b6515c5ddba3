// The state of one run of ry7style.
#include "cli/CCliSession.h"

#include "bank/facade/CNstEditIfc.h"
#include "cli/CCliArgs.h"
#include "files/COsFile.h"
#include "shell/CStyleEdit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>

namespace {

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

CCliSession::CCliSession(std::ostream& output, std::ostream& errors) : out(output), err(errors) {}

CCliSession::~CCliSession()
{
    EndProgress();
}

void CCliSession::Message(const std::string& caption, const std::string& text)
{
    EndProgress();
    err << caption << ": " << text << "\n";
}

void CCliSession::Message(const CShellMessage& message)
{
    Message(message.Caption,
            message.Subject.empty() ? message.Text : message.Text + " (" + message.Subject + ")");
}

void CCliSession::Fail(const std::string& text)
{
    EndProgress();
    err << "ry7style: " << text << "\n";
}

void CCliSession::Note(const std::string& text)
{
    EndProgress();
    err << "note: " << text << "\n";
}

void CCliSession::Progress(const std::string& what, int done, int total)
{
    if (!COsFile::ErrorOutputIsTerminal())
        return;
    err << "\r" << what << " " << done << "/" << total << std::flush;
    progressShown = true;
}

void CCliSession::EndProgress()
{
    if (progressShown)
        err << "\n";
    progressShown = false;
}

bool CCliSession::LoadExtProgList(const std::optional<std::string>& file)
{
    const auto message = [this](const std::string& caption, const std::string& text) {
        Message(caption, text);
    };
    if (file)
        return programs.ReadFile(*file, message, *file) == CExtProgList::ReadResult::Read;
    // The window reads the list from the folder it starts in; a tool run without one works without
    // extended programs and says nothing.
    std::error_code error;
    if (std::filesystem::exists(CExtProgList::FileName, error))
        programs.ReadFile(CExtProgList::FileName, message);
    return true;
}

bool CCliSession::OpenBank(const std::string& path)
{
    const BankResult result = bank.OpenFile(path);
    if (result != BankResult::Ok) {
        Message("Open Style Bank", std::string(CStyleBank::Message(result)) + " (" + path + ")");
        return false;
    }
    bankPath = path;
    names = bank.StyleNames();
    names.resize(static_cast<size_t>(bank.StyleCount()));
    return true;
}

int CCliSession::FindStyle(const std::string& text)
{
    if (const std::optional<int> number = ParseNumber(text, bank.StyleCount()))
        return *number - 1;
    const auto exact = std::find(names.begin(), names.end(), text);
    if (exact != names.end())
        return static_cast<int>(exact - names.begin());
    const auto loose = std::find_if(names.begin(), names.end(), [&text](const std::string& name) {
        return Lowered(name) == Lowered(text);
    });
    if (loose != names.end())
        return static_cast<int>(loose - names.begin());
    Fail("no style '" + text + "' in " + bankPath + " (" + std::to_string(bank.StyleCount()) + " styles)");
    return -1;
}

std::unique_ptr<CNstEditIfc> CCliSession::EditStyle(int k)
{
    const std::optional<CStyleSelection> selection = bank.SelectStyle(k);
    if (!selection || selection->content.empty()) {
        Fail("style " + std::to_string(k + 1) + " holds no style content and cannot be edited");
        return nullptr;
    }
    auto style = std::make_unique<CNstEditIfc>(selection->content.data(), selection->content.size());
    if (!style->IsLoaded()) {
        Fail("style " + std::to_string(k + 1) + " cannot be read");
        Message(CStyleEdit::CorruptCaption, CStyleEdit::UnreadableText(*style));
        return nullptr;
    }
    // The list's name, from the bank's name table, is the one that counts.
    style->SetStyleName(names[static_cast<size_t>(k)]);
    return style;
}

std::unique_ptr<CNstEditIfc> CCliSession::OpenStyle(const std::string& path, const std::string& style, int& k)
{
    if (!OpenBank(path))
        return nullptr;
    k = FindStyle(style);
    return k < 0 ? nullptr : EditStyle(k);
}

bool CCliSession::CommitAndSave(int k, CNstEditIfc& style, const std::string& path)
{
    std::vector<uint8_t> chunk = style.BuildStyleChunk(true);
    if (chunk.empty()) {
        Fail("style " + std::to_string(k + 1) + " could not be built");
        Message("Style modified", CStyleEdit::UnstorableText);
        return false;
    }
    const BankResult committed = bank.CommitStyle(k, std::move(chunk));
    if (committed != BankResult::Ok) {
        Message("Save Style Bank", CStyleBank::Message(committed));
        return false;
    }
    char name[32];
    style.GetStyleName(name, 31);
    names[static_cast<size_t>(k)] = name;
    return SaveBank(path);
}

bool CCliSession::SaveBank(const std::string& path)
{
    const CSaveResult saved = bank.SaveFile(path, names);
    for (int i = 0; i < saved.compressionErrors; ++i)
        Message("Save Style Bank", CStyleBank::Message(BankResult::CompressionError));
    if (saved.result != BankResult::Ok) {
        Message("Save Style Bank", std::string(CStyleBank::Message(saved.result)) + " (" + path + ")");
        return false;
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    return std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

std::optional<std::string> OutputBankPath(const CCliArgs& args, const std::string& input, std::string& error)
{
    const std::optional<std::string> output = args.Value("--output");
    const bool inPlace = args.Has("--in-place");
    if (!output && !inPlace) {
        error = "give the output bank with -o OUT.sty (or --in-place)";
        return std::nullopt;
    }
    if (!output)
        return input;
    if (!inPlace && SameFile(*output, input)) {
        error = "the output is the input bank; add --in-place to overwrite it";
        return std::nullopt;
    }
    return output;
}

std::optional<int> ParseNumber(const std::string& text, int max)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (failure != std::errc() || stop != end || value < 1 || value > max)
        return std::nullopt;
    return value;
}
