// Reading and looking up the extended program list.
#include "shell/CExtProgList.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

struct CReadOutcome {
    CExtProgList list;
    std::vector<std::string> messages;
};

CReadOutcome ReadText(const std::string& text)
{
    CReadOutcome outcome;
    std::istringstream in(text);
    outcome.list.Read(in, [&](const std::string& caption, const std::string& message) {
        EXPECT_EQ(caption, "Extended Program List");
        outcome.messages.push_back(message);
    });
    return outcome;
}

std::string FormatError(const std::string& line)
{
    return "Format Error - Line : '" + line + "'";
}

struct CLineCase {
    const char* what;
    std::string line;
    bool stored;
    uint32_t key;
    uint8_t low;
    uint8_t high;
    bool reported;
};

const CLineCase LineCases[] = {
    {"bank 121, program 64, range 36..96", "121 0 64 36 96", true, 2030043200u, 36, 96, false},
    {"empty range", "121 0 64 96 96", false, 0, 0, 0, true},
    {"reversed range", "1 2 3 97 96", false, 0, 0, 0, true},
    {"commas: one field converts", "121,0,64,36,96", false, 0, 0, 0, true},
    {"four fields", "1 2 3 4", false, 0, 0, 0, true},
    {"digits then letters: one field", "12abc", false, 0, 0, 0, true},
    {"empty line", "", false, 0, 0, 0, false},
    {"blanks and tabs", " \t  \v\f ", false, 0, 0, 0, false},
    {"remark", "# bank msb lsb prog low high", false, 0, 0, 0, false},
    {"letter first", "x 1 2 3 4 5", false, 0, 0, 0, false},
    {"sign without digits", "- 1 2 3 4 5", false, 0, 0, 0, false},
    {"field 5 keeps its low 8 bits", "1 2 3 4 300", true, 0x01020003u, 4, 44, false},
    {"negative low note keeps its low 8 bits", "0 0 1 -5 10", true, 1, 251, 10, false},
    {"explicit signs", "+1 -0 +3 4 5", true, 0x01000003u, 4, 5, false},
    {"a sign ends the previous number", "1-2 3 4 5", true, 0x01000000u - 0x20000u + 3u, 4, 5, false},
    {"text after the fifth field", "0 0 7 1 2 and more 9 9", true, 7, 1, 2, false},
    {"letters right after the fifth field", "0 0 7 1 2x", true, 7, 1, 2, false},
    {"key wraps in 32 bits", "256 0 0 0 1", true, 0, 0, 1, false},
    {"huge numbers saturate", "99999999999 0 0 0 99999999999999", true, 0xFF000000u, 0, 255, false},
    {"huge negative low saturates at INT32_MIN", "0 0 0 -99999999999 1", true, 0, 0, 1, false},
    {"INT32_MIN written out", "0 0 0 -2147483648 1", true, 0, 0, 1, false},
};

} // namespace

TEST(ExtProgList, ScansEachLineAsFiveDecimalFields)
{
    for (const CLineCase& c : LineCases) {
        SCOPED_TRACE(c.what);
        const CReadOutcome outcome = ReadText(c.line + "\n");
        ASSERT_EQ(outcome.list.ExtProgCount, c.stored ? 1 : 0);
        if (c.stored) {
            EXPECT_EQ(outcome.list.ExtProgKeys[0], c.key);
            EXPECT_EQ(outcome.list.ExtProgLow[0], c.low);
            EXPECT_EQ(outcome.list.ExtProgHigh[0], c.high);
        }
        if (c.reported)
            EXPECT_EQ(outcome.messages, std::vector<std::string>{FormatError(c.line)});
        else
            EXPECT_TRUE(outcome.messages.empty());
    }
}

TEST(ExtProgList, AcceptsLfCrLfAndLoneCrLineEndsAndAFinalLineWithoutOne)
{
    const CReadOutcome outcome =
        ReadText("1 0 1 10 20\r\n1 0 2 20 20\r\n1 0 3 30 40\r1 0 4 40 50\n1 0 5 50 60");
    ASSERT_EQ(outcome.list.ExtProgCount, 4);
    EXPECT_EQ(outcome.list.ExtProgKeys[3], 0x01000005u);
    // The quoted line carries no line-break characters.
    EXPECT_EQ(outcome.messages, std::vector<std::string>{FormatError("1 0 2 20 20")});
}

TEST(ExtProgList, StoresTheFirst128EntriesAndReadsNoFurther)
{
    std::string text;
    for (int i = 0; i < 130; ++i)
        text += "0 0 " + std::to_string(i) + " 1 2\n";
    text += "bad 1\n1 2\n";
    const CReadOutcome outcome = ReadText(text);
    EXPECT_EQ(outcome.list.ExtProgCount, 128);
    EXPECT_EQ(outcome.list.ExtProgKeys[127], 127u);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST(ExtProgList, ReportsEachMalformedLineInFileOrder)
{
    const CReadOutcome outcome = ReadText("1\n\n0 0 1 2 3\n2 2\nabc\n3 3 3\n");
    EXPECT_EQ(outcome.list.ExtProgCount, 1);
    EXPECT_EQ(outcome.messages,
              (std::vector<std::string>{FormatError("1"), FormatError("2 2"), FormatError("3 3 3")}));
}

TEST(ExtProgList, ScansVeryLongLinesAndQuotesOnlyTheirStart)
{
    const CReadOutcome spaced = ReadText(std::string(1 << 20, ' ') + "0 0 9 1 2\n");
    ASSERT_EQ(spaced.list.ExtProgCount, 1);
    EXPECT_EQ(spaced.list.ExtProgKeys[0], 9u);

    const std::string digits(1 << 20, '7');
    const CReadOutcome longNumber = ReadText(digits + "\n");
    EXPECT_EQ(longNumber.list.ExtProgCount, 0);
    EXPECT_EQ(longNumber.messages, std::vector<std::string>{FormatError(std::string(256, '7') + "...")});
}

TEST(ExtProgList, ReadsAgainFromAnEmptyTable)
{
    CReadOutcome outcome = ReadText("0 0 1 1 2\n0 0 2 1 2\n");
    std::istringstream second("0 0 3 1 2\n");
    outcome.list.Read(second, [](const std::string&, const std::string&) {});
    EXPECT_EQ(outcome.list.ExtProgCount, 1);
    EXPECT_EQ(outcome.list.ExtProgKeys[0], 3u);
}

TEST(ExtProgList, SurvivesRandomBytes)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Bias towards the characters the scanner cares about so that many lines get far.
    const std::string alphabet = "0123456789+- \t\r\n\0\xff\x80x"s;
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 4000, '\0');
        for (char& c : text)
            c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        const CReadOutcome outcome = ReadText(text);
        ASSERT_GE(outcome.list.ExtProgCount, 0);
        ASSERT_LE(outcome.list.ExtProgCount, CExtProgList::Capacity);
        for (const std::string& message : outcome.messages) {
            ASSERT_EQ(message.rfind("Format Error - Line : '", 0), 0u);
            ASSERT_LE(message.size(), 24u + 256u + 4u);
        }
    }
}

TEST(ExtProgList, ReadFileReportsAMissingOrUnreadableFile)
{
    const auto folder = std::filesystem::temp_directory_path() / ("extprog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::vector<std::string> messages;
    const ExtProgMessageSink sink = [&](const std::string&, const std::string& text) {
        messages.push_back(text);
    };
    CExtProgList list;

    EXPECT_EQ(list.ReadFile((folder / "ExtProgList.txt").string(), sink), CExtProgList::ReadResult::NotFound);
    EXPECT_EQ(list.ReadFile(folder.string(), sink), CExtProgList::ReadResult::ReadError);
    std::ofstream(folder / "ExtProgList.txt") << "121 0 64 36 96\r\n";
    EXPECT_EQ(list.ReadFile((folder / "ExtProgList.txt").string(), sink), CExtProgList::ReadResult::Read);
    EXPECT_EQ(list.ExtProgCount, 1);
    EXPECT_EQ(messages, (std::vector<std::string>{"'ExtProgList.txt' - File not found",
                                                  "'ExtProgList.txt' - File read error"}));
    std::filesystem::remove_all(folder);
}

TEST(ExtProgList, LookupSetsTheRangeOfTheFirstMatchingEntryPerTrack)
{
    const CReadOutcome outcome = ReadText("121 0 64 36 96\n121 0 64 10 20\n8 0 1 0 127\n");
    // Track 2 plays the listed program, track 5 the one with the full range, the others unlisted ones.
    const TrackProgramLookup program = [](int element, int track) {
        EXPECT_EQ(element, 3);
        return track == 2 ? 2030043200 : track == 5 ? (8 << 24) + 1 : track;
    };
    CNoteRanges ranges;
    ranges[0] = {5, 6};
    EXPECT_TRUE(outcome.list.LookupNoteRanges(program, 3, ranges));
    EXPECT_EQ(ranges[2].low, 36);
    EXPECT_EQ(ranges[2].high, 96);
    EXPECT_EQ(ranges[5].low, 0);
    EXPECT_EQ(ranges[5].high, 127);
    EXPECT_EQ(ranges[0].low, 5); // no match: the caller's pair stays
    EXPECT_EQ(ranges[0].high, 6);
}

TEST(ExtProgList, LookupFailsWithoutAMatchOrWithoutAStyle)
{
    const CReadOutcome outcome = ReadText("121 0 64 36 96\n");
    CNoteRanges ranges;
    EXPECT_FALSE(outcome.list.LookupNoteRanges([](int, int) { return 0; }, 0, ranges));
    EXPECT_FALSE(outcome.list.LookupNoteRanges({}, 0, ranges));
    for (const CNoteRange& range : ranges) {
        EXPECT_EQ(range.low, 0);
        EXPECT_EQ(range.high, 127);
    }
}
