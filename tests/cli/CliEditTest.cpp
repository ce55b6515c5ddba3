// ry7style rename, upgrade and delete-cv: the window's rules, written to a new bank only.
#include "CliProgram.h"

using namespace clitest;

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CliEdit : public CCliTest {
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        CopyExampleBank();
    }
    // Runs an edit into out.sty and checks that the input bank kept every byte.
    CRun Edit(std::vector<std::string> args)
    {
        args.insert(args.begin() + 1, "demo.sty");
        args.insert(args.end(), {"-o", "out.sty"});
        const CRun run = Style(args);
        ExpectInputUntouched();
        return run;
    }
    // The next edit starts from the bank the last one wrote.
    void TakeOutputAsInput()
    {
        fs::rename(dir / "out.sty", dir / "demo.sty");
        original = ReadBytes(dir / "demo.sty");
    }
    std::string Show(const std::string& style) { return Style({"show", "out.sty", style}).out; }
};

TEST_F(CliEdit, RenamesToTheFirstElevenCharactersAndKeepsTheNameWhenEmpty)
{
    ASSERT_EQ(Edit({"rename", "4", "Rock Shuffle Slow"}).exitCode, 0);
    EXPECT_THAT(Style({"list", "out.sty"}).out, ::testing::ContainsRegex("  4  Rock Shuffl +new "));
    EXPECT_THAT(Show("Rock Shuffl"), HasSubstr("Style 4: Rock Shuffl (new format)"));

    ASSERT_EQ(Edit({"rename", "Bossa Nova", ""}).exitCode, 0);
    EXPECT_THAT(Style({"list", "out.sty"}).out, ::testing::ContainsRegex("  3  Bossa Nova +new "));
}

TEST_F(CliEdit, UpgradesAnOldStyleOnly)
{
    ASSERT_EQ(Edit({"upgrade", "Swing Jazz"}).exitCode, 0);
    EXPECT_THAT(Style({"list", "out.sty"}).out, ::testing::ContainsRegex("  2  Swing Jazz +new "));

    // A style already new: said without the failure prefix; the bank goes to another output as it is
    // and is not rewritten in place.
    const CRun again = Edit({"upgrade", "1"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.err, "note: the style already has the new format\n");
    EXPECT_THAT(Style({"list", "out.sty"}).out, ::testing::ContainsRegex("  1  Pop 8Beat +new "));
    const fs::file_time_type before = fs::last_write_time(dir / "demo.sty");
    const CRun inPlace = Style({"upgrade", "demo.sty", "1", "--in-place"});
    EXPECT_EQ(inPlace.exitCode, 0);
    EXPECT_EQ(inPlace.err,
              "note: the style already has the new format\nnote: nothing to change; demo.sty was "
              "not written\n");
    EXPECT_EQ(fs::last_write_time(dir / "demo.sty"), before);
    ExpectInputUntouched();
}

TEST_F(CliEdit, DeletingTheLastChordVariationsRemovesTheElement)
{
    ASSERT_EQ(Edit({"delete-cv", "1", "Ending 1", "2"}).exitCode, 0);
    const std::string block = ElementBlock(Show("1"), "Ending 1");
    EXPECT_THAT(block, HasSubstr("  Chord Var 1\n"));
    EXPECT_THAT(block, Not(HasSubstr("Chord Var 2")));

    TakeOutputAsInput();
    ASSERT_EQ(Edit({"delete-cv", "1", "e1", "1"}).exitCode, 0);
    const std::string tree = Show("1");
    EXPECT_THAT(tree, Not(HasSubstr("Ending 1")));
    EXPECT_THAT(tree, HasSubstr("Ending 2"));

    const CRun absent = Edit({"delete-cv", "2", "f3", "1"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_THAT(absent.err, HasSubstr("the style has no Fill 3 Chord Var 1"));
}

TEST_F(CliEdit, VariationOneComesBackEmptyWhenItsLastChordVariationIsDeleted)
{
    for (int cv = 1; cv <= 6; ++cv) {
        const CRun run = Edit({"delete-cv", "4", "v1", std::to_string(cv)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("must exists") != std::string::npos, cv == 6)
            << "after chord variation " << cv;
        TakeOutputAsInput();
    }
    EXPECT_EQ(ElementBlock(Style({"show", "demo.sty", "4"}).out, "Variation 1"),
              "Variation 1\n  Chord Var 1\n");
}

TEST_F(CliEdit, WritesOverTheInputOnlyWhenAskedTo)
{
    const CRun run = Style({"rename", "demo.sty", "1", "Pop Ballad", "--in-place"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(Style({"list", "demo.sty"}).out, HasSubstr("Pop Ballad"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "only the bank";
}

} // namespace
