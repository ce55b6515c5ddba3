// ry7style roll: a well-formed SVG with one bar per note of the exported file, and the tool's errors.
#include "CliProgram.h"
#include "bank/facade/FacadeTestSupport.h"

#include <algorithm>
#include <set>
#include <sstream>

using namespace clitest;

namespace {

using facadetest::CNote;
using facadetest::NotesOf;
using ::testing::HasSubstr;

// What svg_rects.py counts in a picture.
struct CSvgCounts {
    int notes = -1, outside = -1, legend = -1, titled = -1;
};

class CliRoll : public CCliTest {
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        CopyExampleBank();
    }

    // Parses `file` with python3's XML parser; false when python3 is missing.
    bool Count(const std::string& file, CSvgCounts& counts) const
    {
        if (std::string(RY7_PYTHON3).empty())
            return false;
        const CRun run = RunProgram(RY7_PYTHON3, {RY7_SVG_RECTS, file}, dir);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::istringstream line(run.out);
        std::string path;
        line >> path >> counts.notes >> counts.outside >> counts.legend >> counts.titled;
        return true;
    }
};

TEST_F(CliRoll, DrawsOneBarPerNoteOfTheExportedFile)
{
    fs::copy_file(ExampleExtProgList(), dir / "ExtProgList.txt");
    const struct {
        const char* style;
        const char* element;
        const char* cv;
        const char* track; // "" for every track
        bool organ;        // the split organ of Acc. 4 plays notes outside 48..84
    } cases[] = {
        {"Pop 8Beat", "v1", "1", "", false},        {"Swing Jazz", "Ending 1", "2", "", false},
        {"Bossa Nova", "1", "1", "", true},         {"Bossa Nova", "v1", "1", "Acc. 4", true},
        {"Rock Shuffle", "f1", "1", "Drum", false},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.style) + " " + c.element + " " + c.cv + " " + c.track;
        std::vector<std::string> node = {"demo.sty", c.style, "--element", c.element, "--cv", c.cv};
        if (*c.track)
            node.insert(node.end(), {"--track", c.track});
        std::vector<std::string> roll = {"roll"}, exported = {"export"};
        roll.insert(roll.end(), node.begin(), node.end());
        exported.insert(exported.end(), node.begin(), node.end());
        roll.insert(roll.end(), {"-o", "roll.svg"});
        exported.insert(exported.end(), {"-o", "midi"});

        const CRun drawn = Style(roll);
        ASSERT_EQ(drawn.exitCode, 0) << what << ": " << drawn.err;
        EXPECT_EQ(drawn.out, "roll.svg\n");
        const CRun written = Style(exported);
        ASSERT_EQ(written.exitCode, 0) << what << ": " << written.err;
        const std::vector<CNote> notes =
            NotesOf(ReadBytes(dir / written.out.substr(0, written.out.size() - 1)));
        fs::remove_all(dir / "midi");

        CSvgCounts counts;
        if (!Count("roll.svg", counts))
            GTEST_SKIP() << "python3 is not installed";
        std::set<int> channels;
        for (const CNote& note : notes)
            channels.insert(note.channel);
        const auto outside = std::count_if(notes.begin(), notes.end(), [&](const CNote& note) {
            return c.organ && note.channel == 14 && (note.key < 48 || note.key > 84);
        });
        ASSERT_FALSE(notes.empty()) << what;
        EXPECT_EQ(counts.notes, static_cast<int>(notes.size())) << what;
        EXPECT_EQ(counts.titled, counts.notes) << what;
        EXPECT_EQ(counts.outside, outside) << what;
        EXPECT_EQ(counts.legend, static_cast<int>(channels.size())) << what;
        EXPECT_EQ(c.organ, outside > 0) << what;
    }
    ExpectInputUntouched();
}

TEST_F(CliRoll, RefusesWhatItCannotDrawAndWritesNothing)
{
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"1", "--element", "v1", "-o", "x.svg"}, 2, "roll: give --element and --cv"},
        {{"1", "--element", "v9", "--cv", "1", "-o", "x.svg"}, 2, "roll: no element 'v9'"},
        {{"1", "--element", "v1", "--cv", "1", "--track", "Piano", "-o", "x.svg"},
         2,
         "roll: no track 'Piano'"},
        {{"1", "--element", "v1", "--cv", "1"}, 2, "roll: give -o FILE.svg"},
        {{"Swing Jazz", "--element", "i3", "--cv", "1", "-o", "x.svg"},
         1,
         "the style has no Intro 3 Chord Var 1"},
        {{"7", "--element", "v1", "--cv", "1", "-o", "x.svg"}, 1, "no style '7' in demo.sty"},
        {{"1", "--element", "v1", "--cv", "1", "-o", "missing/x.svg"}, 1, "cannot write missing/x.svg"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"roll", "demo.sty"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CRun run = Style(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << ::testing::PrintToString(c.args) << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_FALSE(fs::exists(dir / "x.svg"));
    }
    EXPECT_THAT(Style({"roll", "--help"}).out,
                HasSubstr("usage: ry7style roll BANK STYLE --element E --cv C"));
}

} // namespace
