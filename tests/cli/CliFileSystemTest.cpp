// ry7style on a real file system: names that lead to no file, styles that cannot be read, files that give
// the style nothing, and the small options around them.
#include "CliProgram.h"
#include "bank/chunk/CStyleBank.h"
#include "tools/native/CNativeBank.h"

#include <chrono>
#include <functional>
#include <set>
#include <sys/stat.h>

using namespace clitest;

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CliFiles : public CCliTest {
protected:
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    void SetUp() override
    {
        CCliTest::SetUp();
        CopyExampleBank();
    }
    // Runs a python3 script that writes MIDI files with mido in the folder; false when mido is missing.
    bool WriteWithMido(const std::string& script)
    {
        if (std::string(RY7_PYTHON3).empty())
            return false;
        const CRun run = RunProgram(RY7_PYTHON3, {"-c", "import mido\n" + script}, dir);
        EXPECT_TRUE(run.exitCode == 0 || run.err.find("No module named 'mido'") != std::string::npos)
            << run.err;
        return run.exitCode == 0;
    }
};

TEST_F(CliFiles, NamesThatLeadToNoFileAreRefusedAtOnceAndTheOtherFilesImported)
{
    ASSERT_EQ(Style({"export", "demo.sty", "2", "--element", "v1", "--cv", "1", "-o", "in"}).exitCode, 0);
    fs::rename(dir / "in/v1cv1.mid", dir / "good_v3cv2.mid");
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> notFiles = {
        {"dir_v1cv1.mid", [](const fs::path& path) { fs::create_directory(path); }},
        {"zero_v1cv2.mid", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); }},
        {"pipe_v2cv1.mid", [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
    };
    std::vector<std::string> args = {"import", "demo.sty", "2"};
    for (const auto& [name, make] : notFiles) {
        make(dir / name);
        args.push_back(name);
    }
    args.insert(args.end(), {"good_v3cv2.mid", "--replace", "-o", "out.sty"});

    const auto start = std::chrono::steady_clock::now();
    const CRun run = Style(args);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::seconds(20)); // nothing waited or read on
    EXPECT_EQ(run.exitCode, 1) << run.err;
    for (const auto& [name, make] : notFiles)
        EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: SMF read error or wrong SMF Format! ('" +
                                       name + "')\n"));
    EXPECT_THAT(ElementBlock(Style({"show", "out.sty", "2"}).out, "Variation 3"),
                ::testing::StartsWith("Variation 3\n  Chord Var 2\n    Drum\n"));
    ExpectInputUntouched();
}

TEST_F(CliFiles, ADamagedStyleDoesNotStopTheExportOfTheOthers)
{
    // The native bank's first style made to be refused, put in place of the second style.
    const std::vector<CNativeStyle> expected = CNativeBank::Expected();
    const auto damaged =
        std::find_if(expected.begin(), expected.end(), [](const auto& s) { return !s.readable; });
    ASSERT_NE(damaged, expected.end());
    CStyleBank bank;
    ASSERT_EQ(bank.OpenFile(fs::path(RY7_EXAMPLES_DIR) / "native.sty"), BankResult::Ok);
    const std::optional<CStyleSelection> bad = bank.SelectStyle(static_cast<int>(damaged - expected.begin()));
    ASSERT_TRUE(bad);
    ASSERT_EQ(bank.CommitStyle(1, bad->content), BankResult::Ok);
    ASSERT_EQ(bank.SaveFile((dir / "damaged.sty").string(), bank.StyleNames()).result, BankResult::Ok);

    const CRun run = Style({"export", "damaged.sty", "--all-styles", "-o", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("ry7style: style 2 cannot be read\n"));
    for (const std::string prefix : {"out/01_", "out/03_"})
        EXPECT_THAT(run.out, HasSubstr(prefix)) << "the styles around the damaged one are exported";
    EXPECT_THAT(run.out, Not(HasSubstr("out/02_")));
}

TEST_F(CliFiles, TellsAFileThatGivesNoTrackAnyEventWithTheChannelsItUses)
{
    // Notes on channels 1 and 3, as many sequencers write them; and a file of meta events only.
    const bool written = WriteWithMido(R"(
for name, channels in (("low_v1cv1.mid", (0, 2)), ("meta_v1cv2.mid", ())):
    track = mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=500000)])
    for channel in channels:
        track.append(mido.Message("note_on", channel=channel, note=60, velocity=90, time=0))
        track.append(mido.Message("note_off", channel=channel, note=60, velocity=0, time=384))
    mido.MidiFile(type=0, ticks_per_beat=384, tracks=[track]).save(name)
)");
    if (!written)
        GTEST_SKIP() << "python3-mido is not installed";
    const CRun run = Style({"import", "demo.sty", "1", "low_v1cv1.mid", "meta_v1cv2.mid", "-o", "out.sty"});
    EXPECT_EQ(run.exitCode, 0) << run.err; // taken as the import always took such files
    EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: 'low_v1cv1.mid' gives no event to any track: the "
                                   "tracks play MIDI channels 9 to 16, the file uses channels 1, 3!\n"));
    EXPECT_THAT(run.err, HasSubstr("Import Style from SMF: 'meta_v1cv2.mid' gives no event to any track: the "
                                   "tracks play MIDI channels 9 to 16, the file uses no channel!\n"));
}

TEST_F(CliFiles, HelpAndAMissingProgramListNameWhatTheUserGave)
{
    const CRun help = Style({"help", "export"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, ::testing::StartsWith("usage: ry7style export BANK"));
    EXPECT_THAT(help.out, HasSubstr("--all-styles"));
    EXPECT_EQ(Style({"help", "play"}).exitCode, 2);

    const CRun missing = Style({"list", "demo.sty", "--ext-prog", "/missing/list.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Extended Program List: '/missing/list.txt' - File not found\n");
    fs::create_directory(dir / "folder.txt");
    const CRun folder = Style({"list", "demo.sty", "--ext-prog", "folder.txt"});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.err, "Extended Program List: 'folder.txt' - File read error\n");
}

TEST_F(CliFiles, EveryToolRefusesUnknownOptionsWithAUsageLine)
{
    const auto script = [](const std::string& name) { return (fs::path(RY7_TOOLS_DIR) / name).string(); };
    struct CRefusal {
        std::string program;
        std::vector<std::string> args;
        std::string usage;
    };
    const std::vector<CRefusal> refusals = {
        {RY7MKEXAMPLE_PATH, {}, "usage: ry7mkexample OUT.sty"},
        {RY7MKEXAMPLE_PATH, {"--help"}, "usage: ry7mkexample OUT.sty"},
        {RY7MKEXAMPLE_PATH, {"x.sty", "--ext-prog"}, "usage: ry7mkexample OUT.sty"},
        {RY7MKEXAMPLE_PATH, {"x.sty", "--bench", "0"}, "usage: ry7mkexample OUT.sty"},
        {RY7MKEXAMPLE_PATH, {"x.sty", "--bogus", "y"}, "usage: ry7mkexample OUT.sty"},
        {RY7MKEXAMPLE_PATH, {"x.sty", "--ext-prog", "--help"}, "usage: ry7mkexample OUT.sty"},
        {RY7MKNATIVE_PATH, {}, "usage: ry7mknative OUT.sty"},
        {RY7MKNATIVE_PATH, {"--help"}, "usage: ry7mknative OUT.sty"},
        {RY7MKNATIVE_PATH, {"-o", "x.sty"}, "usage: ry7mknative OUT.sty"},
        {RY7MKNATIVE_PATH, {"a.sty", "b.sty"}, "usage: ry7mknative OUT.sty"},
        {"/bin/bash", {script("demo.sh"), "--bogus"}, "usage: tools/demo.sh"},
        {"/bin/bash", {script("test.sh"), "--bogus"}, "usage: tools/test.sh"},
        {"/bin/bash", {script("install-deps.sh"), "--bogus"}, "usage: tools/install-deps.sh"},
        {"/bin/bash", {script("fuzz.sh"), "--bogus"}, "usage: tools/fuzz.sh"},
        {"/bin/bash", {script("fuzz.sh"), "5", "fuzz_nothing"}, "usage: tools/fuzz.sh"},
        {"/bin/bash", {script("peak-memory.sh"), "--bogus"}, "usage: tools/peak-memory.sh"},
        {"/bin/bash", {script("screenshot.sh"), "--bogus"}, "usage: tools/screenshot.sh"},
    };
    for (const CRefusal& refusal : refusals) {
        const CRun run = RunProgram(refusal.program, refusal.args, dir);
        EXPECT_EQ(run.exitCode, 2) << refusal.program << " " << ::testing::PrintToString(refusal.args);
        EXPECT_THAT(run.err, HasSubstr(refusal.usage));
    }
    // Nothing was written, built or changed on the way.
    EXPECT_EQ(Names(), std::set<std::string>{"demo.sty"});
    ExpectInputUntouched();
}

} // namespace
