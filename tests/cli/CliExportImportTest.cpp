// ry7style export and import: files written, notes kept through a round trip, refused files.
#include "CliProgram.h"
#include "bank/facade/FacadeTestSupport.h"

#include <algorithm>

using namespace clitest;

namespace {

using facadetest::CNote;
using facadetest::NotesOf;
using ::testing::HasSubstr;

std::vector<fs::path> MidiFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().extension() == ".mid")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Strings(const std::vector<fs::path>& paths)
{
    return {paths.begin(), paths.end()};
}

class CliTransfer : public CCliTest {
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        CopyExampleBank();
    }
};

TEST_F(CliTransfer, ExportsEveryChordVariationOfEveryStyleIntoOneFolderPerStyle)
{
    const CRun run = Style({"export", "demo.sty", "--all-styles", "-o", "out"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<fs::path> files = MidiFiles(dir / "out");
    // Three new-format styles of 12 elements (40 chord variations) and one old style of 10 (36).
    EXPECT_EQ(files.size(), 3u * 40 + 36);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), static_cast<long>(files.size()));
    EXPECT_TRUE(fs::exists(dir / "out/01_Pop_8Beat/v1cv6.mid"));
    EXPECT_TRUE(fs::exists(dir / "out/04_Rock_Shuffle/i3cv2.mid"));
    EXPECT_FALSE(fs::exists(dir / "out/02_Swing_Jazz/f3cv1.mid"));
    for (const fs::path& file : files) {
        const Bytes image = ReadBytes(file);
        ASSERT_GT(image.size(), 14u) << file;
        EXPECT_EQ(image[9], 0) << file << " is not of format 0";
        EXPECT_FALSE(NotesOf(image).empty()) << file;
    }
    ExpectInputUntouched();
}

TEST_F(CliTransfer, ExportedFilesImportIntoAnotherBankWithTheSameNotes)
{
    ASSERT_EQ(Style({"export", "demo.sty", "Pop 8Beat", "-o", "first"}).exitCode, 0);
    const std::vector<fs::path> exported = MidiFiles(dir / "first");
    ASSERT_EQ(exported.size(), 40u);

    std::vector<std::string> args = {"import", "demo.sty", "Swing Jazz", "--replace", "-o", "new.sty"};
    const std::vector<std::string> names = Strings(exported);
    args.insert(args.end(), names.begin(), names.end());
    const CRun import = Style(args);
    ASSERT_EQ(import.exitCode, 0) << import.err;
    // The replaced style kept the old format until a Fill 3 file came in.
    EXPECT_THAT(import.err, HasSubstr("Import Style from SMF: 'f3cv1.mid'  is a new Ry version style "
                                      "element. Style version has been upgraded!"));
    ExpectInputUntouched();

    EXPECT_THAT(Style({"list", "new.sty"}).out, ::testing::ContainsRegex("  2  New Style +new "));
    ASSERT_EQ(Style({"export", "new.sty", "2", "-o", "again"}).exitCode, 0);
    for (const fs::path& file : exported) {
        const fs::path again = dir / "again" / file.filename();
        ASSERT_TRUE(fs::exists(again)) << again;
        const std::vector<CNote> expected = NotesOf(ReadBytes(file));
        const std::vector<CNote> actual = NotesOf(ReadBytes(again));
        ASSERT_EQ(actual.size(), expected.size()) << file.filename();
        const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin());
        EXPECT_TRUE(mismatch.first == actual.end())
            << file.filename() << ": " << *mismatch.first << ", expected " << *mismatch.second;
    }
}

TEST_F(CliTransfer, ExportsOneTrackOfOneChordVariationAtAGivenTempo)
{
    const CRun run = Style({"export", "demo.sty", "1", "--element", "Fill 1", "--cv", "2", "--track", "bass",
                            "--tempo", "90", "--prefix", "take_", "-o", "one"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(MidiFiles(dir / "one"), std::vector<fs::path>{dir / "one/take_f1cv2.mid"});
    const Bytes image = ReadBytes(dir / "one/take_f1cv2.mid");
    const std::vector<CNote> notes = NotesOf(image);
    ASSERT_FALSE(notes.empty());
    for (const CNote& note : notes)
        EXPECT_EQ(note.channel, 8) << note; // the Bass channel
    // 60,000,000 / 90 = 666,666 microseconds per quarter note.
    const Bytes tempo = {0xFF, 0x51, 3, 0x0A, 0x2C, 0x2A};
    EXPECT_NE(std::search(image.begin(), image.end(), tempo.begin(), tempo.end()), image.end());

    const CRun none = Style({"export", "demo.sty", "2", "--element", "i3", "-o", "none"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.err, HasSubstr("no chord variation of the style matches"));
}

TEST_F(CliTransfer, AFileThatCannotBeWrittenIsToldAndTheOthersAreWrittenBesideTheUsersOwnFiles)
{
    fs::create_directories(dir / "out/v1cv1.mid"); // a folder where a file should go
    fs::create_directories(dir / "out/v1cv2.mid.tmp");
    WriteBytes(dir / "out/v1cv3.mid.tmp", {'m', 'i', 'n', 'e'});
    const CRun run = Style({"export", "demo.sty", "1", "-o", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("Export Chord Variation to SMF: SMF write error! (out/v1cv1.mid)\n"));
    EXPECT_TRUE(fs::is_empty(dir / "out/v1cv1.mid"));
    EXPECT_TRUE(fs::is_directory(dir / "out/v1cv2.mid.tmp"));
    EXPECT_TRUE(ReadBytes(dir / "out/v1cv3.mid.tmp") == (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_THAT(run.out, HasSubstr("out/v1cv2.mid\nout/v1cv3.mid\n"));
    EXPECT_TRUE(fs::exists(dir / "out/v2cv1.mid"));
}

TEST_F(CliTransfer, WritesExtendedRangeNotesAsOrdinaryNotes)
{
    fs::copy_file(ExampleExtProgList(), dir / "ExtProgList.txt");
    ASSERT_EQ(Style({"export", "demo.sty", "Bossa Nova", "--element", "1", "--cv", "1", "-o", "x"}).exitCode,
              0);
    const std::vector<CNote> notes = NotesOf(ReadBytes(dir / "x/v1cv1.mid"));
    // The organ of Acc. 4 (channel 14) plays keys outside 48..84, which the style holds marked.
    const auto outside = std::count_if(notes.begin(), notes.end(), [](const CNote& note) {
        return note.channel == 14 && (note.key < 48 || note.key > 84);
    });
    EXPECT_GT(outside, 0);
    // Exporting again gives the same file: the marks were set again after the first export.
    ASSERT_EQ(Style({"export", "demo.sty", "3", "--element", "v1", "--cv", "1", "-o", "y"}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(dir / "x/v1cv1.mid") == ReadBytes(dir / "y/v1cv1.mid"));
}

TEST_F(CliTransfer, RefusesFilesWithoutStandardNamesAndFilesOfFormatOne)
{
    ASSERT_EQ(Style({"export", "demo.sty", "1", "--element", "v1", "--cv", "1", "-o", "in"}).exitCode, 0);
    fs::copy_file(dir / "in/v1cv1.mid", dir / "xyz.mid");
    fs::copy_file(dir / "in/v1cv1.mid", dir / "I1CV3.MID");
    // Format 1, one track holding only End of Track.
    WriteBytes(dir / "v2cv1.mid", {'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 1, 0,    1,    1,
                                   0x80, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0});
    const CRun run = Style({"import", "demo.sty", "1", "xyz.mid", "I1CV3.MID", "v2cv1.mid",
                            "absent_v3cv1.mid", "--replace", "-o", "out.sty"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: 'xyz.mid'  is not a valid standard name!\n"));
    EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: 'i1cv3.mid'  is not a valid standard name!\n"));
    EXPECT_THAT(run.err,
                HasSubstr("Import Style from SMF: SMF read error or wrong SMF Format! ('v2cv1.mid')\n"));
    EXPECT_THAT(run.err, HasSubstr("SMF read error or wrong SMF Format! ('absent_v3cv1.mid')\n"));
    // Nothing came in: the new style got an empty Variation 1, but a style that took no file is not
    // worth the user's own, so no bank is written.
    EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: Style Element 'Variation 1' must exists. An empty "
                                   "element has been added.\n"));
    EXPECT_THAT(run.err, HasSubstr("ry7style: no file was imported; out.sty was not written\n"));
    EXPECT_FALSE(fs::exists(dir / "out.sty"));
    ExpectInputUntouched();

    // A pattern that matched no file, written over the user's own bank.
    const CRun inPlace = Style({"import", "demo.sty", "Bossa Nova", "bossa*.mid", "--replace", "--in-place"});
    EXPECT_EQ(inPlace.exitCode, 1);
    EXPECT_THAT(inPlace.err, HasSubstr("'bossa*.mid'  is not a valid standard name!"));
    ExpectInputUntouched();
}

TEST_F(CliTransfer, InitializeKeepsTheChordVariationWhenTheFileIsRefused)
{
    ASSERT_EQ(Style({"export", "demo.sty", "1", "--element", "v1", "-o", "before"}).exitCode, 0);
    const Bytes whole = ReadBytes(dir / "before/v1cv1.mid");
    // Cut off inside its track: the header reads, the track does not.
    WriteBytes(dir / "cut_v1cv1.mid",
               Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)));
    // A good duplicate as well, so that the bank is written.
    const CRun run = Style({"import", "demo.sty", "1", "cut_v1cv1.mid", (dir / "before/v1cv2.mid").string(),
                            "--on-duplicate", "initialize", "-o", "out.sty"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err,
                HasSubstr("Import Style from SMF: SMF read error or wrong SMF Format! ('cut_v1cv1.mid')\n"));
    ASSERT_EQ(Style({"export", "out.sty", "1", "--element", "v1", "--cv", "1", "-o", "after"}).exitCode, 0);
    EXPECT_TRUE(ReadBytes(dir / "after/v1cv1.mid") == whole);
}

TEST_F(CliTransfer, AsksNothingAboutDuplicatesButFollowsTheChosenAnswer)
{
    ASSERT_EQ(
        Style({"export", "demo.sty", "Bossa Nova", "--element", "v2", "--cv", "3", "-o", "in"}).exitCode, 0);
    fs::rename(dir / "in/v2cv3.mid", dir / "in/soul_v1cv1.mid");
    const std::string file = (dir / "in/soul_v1cv1.mid").string();

    // Skipping the only file imports nothing, so nothing is written.
    const CRun skip = Style({"import", "demo.sty", "1", file, "--on-duplicate", "skip", "-o", "skip.sty"});
    EXPECT_EQ(skip.exitCode, 1);
    EXPECT_THAT(
        skip.err,
        HasSubstr("Warning! 'soul_v1cv1.mid' is a duplicate - Initialize/Keep Track Parameters? skip"));
    EXPECT_FALSE(fs::exists(dir / "skip.sty"));
    ExpectInputUntouched();

    // Keep (the default) takes the notes but leaves the element's programs.
    ASSERT_EQ(Style({"import", "demo.sty", "1", file, "-o", "keep.sty"}).exitCode, 0);
    ASSERT_EQ(Style({"export", "keep.sty", "1", "--element", "v1", "--cv", "1", "-o", "keep"}).exitCode, 0);
    EXPECT_EQ(NotesOf(ReadBytes(dir / "keep/v1cv1.mid")), NotesOf(ReadBytes(file)));
    EXPECT_THAT(Style({"show", "keep.sty", "1"}).out,
                ::testing::ContainsRegex("Acc. 4 +Prog Change: 0 0 61\n"));
}

} // namespace
