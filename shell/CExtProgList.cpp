// Reader and lookup of the extended program list.
#include "shell/CExtProgList.h"

#include "files/CFileReader.h"

#include <istream>
#include <sstream>
#include <vector>

namespace {

constexpr size_t MaxQuotedLine = 256;
constexpr int FieldCount = 5;

bool IsScanSpace(int c)
{
    // The C locale's white space; line breaks never reach the scanner.
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool IsDigit(int c)
{
    return c >= '0' && c <= '9';
}

// Scans one line a character at a time with the rules of "%d%d%d%d%d", so a line of any length is
// scanned without being held in memory; only its start is kept for the message.
class CLineScanner {
public:
    void Feed(int c)
    {
        if (quoted.size() < MaxQuotedLine)
            quoted.push_back(static_cast<char>(c));
        else
            truncated = true;
        Scan(c);
    }

    // Ends the line; returns the number of fields converted.
    int Finish()
    {
        if (state == State::Digits)
            EndField();
        return count;
    }

    int32_t Field(int i) const { return fields[i]; }

    std::string Quoted() const { return truncated ? quoted + "..." : quoted; }

private:
    enum class State { Space, Sign, Digits, Done };

    void Scan(int c)
    {
        switch (state) {
        case State::Space:
            if (IsScanSpace(c))
                return;
            negative = c == '-';
            magnitude = 0;
            if (c == '+' || c == '-')
                state = State::Sign;
            else if (IsDigit(c))
                AddDigit(c);
            else
                state = State::Done;
            return;
        case State::Sign:
            if (IsDigit(c))
                AddDigit(c);
            else
                state = State::Done;
            return;
        case State::Digits:
            if (IsDigit(c)) {
                AddDigit(c);
                return;
            }
            // The character that ends a number starts the next field (so "1-2" is 1 and -2).
            EndField();
            if (state == State::Space)
                Scan(c);
            return;
        case State::Done:
            return;
        }
    }

    void AddDigit(int c)
    {
        state = State::Digits;
        // Saturate one past INT32_MAX so that INT32_MIN can still be written as a negative number.
        constexpr int64_t limit = int64_t{INT32_MAX} + 1;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            magnitude = limit;
    }

    void EndField()
    {
        const int64_t value = negative ? -magnitude : magnitude;
        fields[count++] = value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
        state = count == FieldCount ? State::Done : State::Space;
    }

    State state = State::Space;
    bool negative = false;
    int64_t magnitude = 0;
    int count = 0;
    int32_t fields[FieldCount] = {};
    std::string quoted;
    bool truncated = false;
};

} // namespace

CExtProgList::ReadResult CExtProgList::ReadFile(const std::string& path, const ExtProgMessageSink& message,
                                                const std::string& shownName)
{
    ExtProgCount = 0;
    std::vector<uint8_t> bytes;
    const FileReadResult result = CFileReader::Read(path, MaxFileSize, bytes);
    if (result == FileReadResult::NotFound) {
        message(Caption, "'" + shownName + "' - File not found");
        return ReadResult::NotFound;
    }
    if (result != FileReadResult::Ok) {
        message(Caption, "'" + shownName + "' - File read error");
        return ReadResult::ReadError;
    }
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    Read(in, message);
    return ReadResult::Read;
}

void CExtProgList::Read(std::istream& in, const ExtProgMessageSink& message)
{
    ExtProgCount = 0;
    std::istream::int_type c = in.get();
    while (c != std::istream::traits_type::eof() && ExtProgCount < Capacity) {
        CLineScanner line;
        while (c != std::istream::traits_type::eof() && c != '\n' && c != '\r') {
            line.Feed(c);
            c = in.get();
        }
        // Step over the line break: LF, CR LF or a lone CR.
        if (c == '\r' && in.peek() == '\n')
            in.get();
        if (c != std::istream::traits_type::eof())
            c = in.get();

        const int converted = line.Finish();
        if (converted == FieldCount && line.Field(3) < line.Field(4)) {
            const auto key = [&](int i) { return static_cast<uint32_t>(line.Field(i)); };
            ExtProgKeys[ExtProgCount] = key(0) * 16777216u + key(1) * 65536u + key(2);
            ExtProgLow[ExtProgCount] = static_cast<uint8_t>(line.Field(3) & 0xFF);
            ExtProgHigh[ExtProgCount] = static_cast<uint8_t>(line.Field(4) & 0xFF);
            ++ExtProgCount;
        } else if (converted > 0) {
            message(Caption, "Format Error - Line : '" + line.Quoted() + "'");
        }
    }
}

bool CExtProgList::LookupNoteRanges(const TrackProgramLookup& program, int element, CNoteRanges& ranges) const
{
    if (!program)
        return false;
    bool found = false;
    for (int track = 0; track < static_cast<int>(ranges.size()); ++track) {
        const auto key = static_cast<uint32_t>(program(element, track));
        for (int i = 0; i < ExtProgCount; ++i) {
            if (ExtProgKeys[i] == key) {
                ranges[track] = {ExtProgLow[i], ExtProgHigh[i]};
                found = true;
                break;
            }
        }
    }
    return found;
}
