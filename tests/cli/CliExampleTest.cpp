// ry7style list and show on the example bank, refused banks, usage errors, and the example generator.
#include "CliProgram.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/model/CNstRyIfc.h"
#include "sharing/CMakeMark.h"

#include <algorithm>

using namespace clitest;

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CliList : public CCliTest {};

TEST_F(CliList, ListsEveryStyleWithNumberNameFormatAndSize)
{
    const CRun run = Style({"list", ExampleBank()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, ::testing::ContainsRegex("  1  Pop 8Beat +new +16031\n"));
    EXPECT_THAT(run.out, ::testing::ContainsRegex("  2  Swing Jazz +old +11440\n"));
    EXPECT_THAT(run.out, ::testing::ContainsRegex("  3  Bossa Nova +new +18470\n"));
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1 + 4); // a heading, then four styles
    EXPECT_EQ(run.err, "");

    const CRun json = Style({"list", "--json", ExampleBank()});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_THAT(json.out,
                HasSubstr("{\"number\": 2, \"name\": \"Swing Jazz\", \"format\": \"old\", \"size\": 11440}"));
}

TEST_F(CliList, ShowsTheStyleTreeWithTheWindowsInfoTexts)
{
    const CRun byNumber = Style({"show", ExampleBank(), "4"});
    ASSERT_EQ(byNumber.exitCode, 0) << byNumber.err;
    EXPECT_THAT(byNumber.out, HasSubstr("Style 4: Rock Shuffle (new format)"));
    EXPECT_THAT(byNumber.out, ::testing::ContainsRegex("\n  Intro 3 +Signature: 6 / 8\n"));
    EXPECT_THAT(byNumber.out, ::testing::ContainsRegex("\n    Chord Var 2 +Length in measures: 2\n"));
    EXPECT_THAT(byNumber.out, ::testing::ContainsRegex("\n      Bass +Prog Change: 0 0 34\n"));
    // A name, in any case, picks the same style.
    EXPECT_EQ(Style({"show", ExampleBank(), "rock SHUFFLE"}).out, byNumber.out);

    // The old-format style has no Fill 3 and no Intro 3.
    const CRun old = Style({"show", ExampleBank(), "2"});
    EXPECT_THAT(old.out, HasSubstr("Ending 2"));
    EXPECT_THAT(old.out, Not(HasSubstr("Fill 3")));
}

TEST_F(CliList, MarksTracksWithAnExtendedProgramFromTheListInTheCurrentFolder)
{
    const CRun without = Style({"show", ExampleBank(), "Bossa Nova"});
    EXPECT_THAT(without.out, ::testing::ContainsRegex("Acc. 4 +Prog Change: 0 100 17\n"));

    fs::copy_file(ExampleExtProgList(), dir / "ExtProgList.txt");
    const CRun listed = Style({"show", ExampleBank(), "Bossa Nova", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_THAT(
        listed.out,
        HasSubstr("\"program\": [0, 100, 17], \"extended\": true, \"info\": \" Prog Change: 0 100 17 ***\""));
    EXPECT_THAT(listed.out, Not(HasSubstr("\"extended\": true, \"info\": \" Prog Change: 0 0")));

    // A list given by name wins; its format errors are the window's messages.
    WriteBytes(dir / "other.txt", {'1', ' ', '2', '\n', '0', ' ', '1', '0', '0', ' ', '1', '7', ' ', '9', '6',
                                   ' ', '9', '6', '\n'});
    const CRun bad = Style({"show", ExampleBank(), "3", "--ext-prog", "other.txt"});
    EXPECT_EQ(bad.exitCode, 0);
    EXPECT_THAT(bad.err, HasSubstr("Extended Program List: Format Error - Line : '1 2'\n"));
    EXPECT_THAT(bad.err, HasSubstr("Extended Program List: Format Error - Line : '0 100 17 96 96'\n"));
    EXPECT_THAT(bad.out, Not(HasSubstr("***")));

    const CRun missing = Style({"show", ExampleBank(), "3", "--ext-prog", "none.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("Extended Program List: 'none.txt' - File not found"));
}

TEST_F(CliList, RefusesBanksThatAreTruncatedOrNoBanks)
{
    const Bytes bank = ReadBytes(ExampleBank());
    WriteBytes(dir / "short.sty", Bytes(bank.begin(), bank.begin() + static_cast<long>(bank.size() / 2)));
    const CRun truncated = Style({"list", "short.sty"});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_THAT(truncated.err, HasSubstr("Open Style Bank: File corrupt - Error! (short.sty)"));
    EXPECT_EQ(truncated.out, "");

    WriteBytes(dir / "text.sty", {'h', 'e', 'l', 'l', 'o'});
    const CRun text = Style({"show", "text.sty", "1"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_THAT(text.err, HasSubstr("File read error - File in use - or not a Quelon Ry Style File!"));

    const CRun absent = Style({"list", "absent.sty"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_THAT(absent.err, HasSubstr("not a Quelon Ry Style File!"));

    const CRun noStyle = Style({"show", ExampleBank(), "Tango"});
    EXPECT_EQ(noStyle.exitCode, 1);
    EXPECT_THAT(noStyle.err, HasSubstr("no style 'Tango'"));
}

TEST_F(CliList, UsageErrorsExitWithTwoAndWriteNothing)
{
    const std::string bank = ExampleBank();
    const std::vector<std::vector<std::string>> cases = {
        {},                                             // no subcommand
        {"play", bank},                                 // unknown subcommand
        {"list"},                                       // no bank
        {"list", bank, "extra"},                        // one argument too many
        {"list", "--jsn", bank},                        // unknown option
        {"show", bank},                                 // no style
        {"show", bank, "1", "--json=yes"},              // a flag given a value
        {"export", bank, "1", "--tempo", "20"},         // tempo below 40
        {"export", bank, "1", "--tempo"},               // option without its value
        {"export", bank, "1", "--element", "v5"},       // no such element
        {"export", bank, "1", "--all-styles"},          // a style and every style
        {"import", bank, "1", "v1cv1.mid"},             // no output
        {"import", bank, "1", "v1cv1.mid", "-o", bank}, // output over the input
        {"import", bank, "1", "v1cv1.mid", "-o", "o.sty", "--replace", "--merge"},
        {"import", bank, "1", "v1cv1.mid", "-o", "o.sty", "--on-duplicate", "ask"},
        {"delete-cv", bank, "1", "i1", "3", "-o", "o.sty"},         // intros hold two chord variations
        {"rename", bank, "1", "New", "-o", "a.sty", "-o", "b.sty"}, // output twice
    };
    for (const std::vector<std::string>& args : cases) {
        const CRun run = Style(args);
        std::string line;
        for (const std::string& arg : args)
            line += arg + " ";
        EXPECT_EQ(run.exitCode, 2) << line << "\n" << run.err;
        EXPECT_THAT(run.err, HasSubstr("usage: ry7style")) << line;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);

    const CRun help = Style({"import", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--on-duplicate"));
}

class CliExample : public CCliTest {};

TEST_F(CliExample, TheGeneratorWritesTheCommittedExampleFilesAgain)
{
    const CRun run = RunProgram(RY7MKEXAMPLE_PATH, {"demo.sty", "--ext-prog", "ExtProgList.txt"}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ReadBytes(dir / "demo.sty") == ReadBytes(ExampleBank())) << "regenerate examples/demo.sty";
    EXPECT_TRUE(ReadBytes(dir / "ExtProgList.txt") == ReadBytes(ExampleExtProgList()));
}

TEST_F(CliExample, TheExampleStylesAreStoredCompact)
{
    CStyleBank bank;
    ASSERT_EQ(bank.OpenFile(ExampleBank()), BankResult::Ok);
    ASSERT_EQ(bank.StyleCount(), 4);
    for (int k = 0; k < bank.StyleCount(); ++k) {
        const CStyleSelection style = *bank.SelectStyle(k);
        std::unique_ptr<CStyleContent> content =
            CStyleContent::CopyOf(style.content.data(), style.content.size(), int32_t(style.content.size()));
        ASSERT_TRUE(content);
        // Shared and split patterns make a tree that needs expanding before the model can read it.
        EXPECT_GT(CMakeMark::MeasureExpansion(*content->nav, false), 0) << "style " << k + 1;
    }
}

} // namespace
