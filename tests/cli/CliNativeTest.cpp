// ry7style on the native-form bank: the keyboard's own Note and Sound events reach the exported files
// (read back by an independent MIDI reader), survive renaming and saving, and the overfull and the
// damaged style are refused without a byte written.
#include "CliProgram.h"
#include "bank/facade/CNstEditIfc.h"
#include "tools/native/CNativeBank.h"

#include <algorithm>
#include <iomanip>
#include <map>
#include <sstream>
#include <tuple>

using namespace clitest;

namespace {

using ::testing::HasSubstr;
// start, channel, key, velocity, end
using CFileNote = std::tuple<uint32_t, int, int, int, uint32_t>;
using CFileNotes = std::map<std::string, std::vector<CFileNote>>;

const std::vector<CNativeStyle> kStyles = CNativeBank::Expected();

fs::path NativeBank()
{
    return fs::path(RY7_EXAMPLES_DIR) / "native.sty";
}

// The standard file name of a chord variation: v1cv1 .. i3cv2.
std::string StandardName(int element, int cv)
{
    static const char* const prefixes[] = {"v1", "v2", "v3", "v4", "i1", "i2",
                                           "f1", "f2", "e1", "e2", "f3", "i3"};
    return std::string(prefixes[element]) + "cv" + std::to_string(cv + 1) + ".mid";
}

std::vector<CFileNote> FileNotesOf(const CNativeChordVar& chordVar)
{
    std::vector<CFileNote> notes;
    for (const CNativeNote& note : chordVar.notes)
        notes.emplace_back(note.start, CNstEditIfc::TrackChannels[note.track], note.key, note.velocity,
                           note.end);
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::string Text(const CFileNote& note)
{
    const auto& [start, channel, key, velocity, end] = note;
    std::ostringstream text;
    text << "start " << start << " channel " << channel << " key " << key << " velocity " << velocity
         << " end " << end;
    return text.str();
}

void ExpectSameNotes(const std::vector<CFileNote>& actual, const std::vector<CFileNote>& expected,
                     const std::string& file)
{
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (mismatch.first == actual.end() && mismatch.second == expected.end())
        return;
    ADD_FAILURE() << file << ": " << actual.size() << " notes, expected " << expected.size()
                  << "; first difference: "
                  << (mismatch.first == actual.end() ? "none" : Text(*mismatch.first)) << ", expected "
                  << (mismatch.second == expected.end() ? "none" : Text(*mismatch.second));
}

class CliNative : public CCliTest {
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        fs::copy_file(NativeBank(), dir / "native.sty");
        original = ReadBytes(dir / "native.sty");
    }

    // The notes of each file as the independent reader (python3-mido) sees them, by path; false when
    // the reader is not installed.
    bool ReadWithMido(const std::vector<fs::path>& files, CFileNotes& notes) const
    {
        if (std::string(RY7_PYTHON3).empty())
            return false;
        std::vector<std::string> args = {RY7_MIDO_NOTES};
        args.insert(args.end(), files.begin(), files.end());
        const CRun run = RunProgram(RY7_PYTHON3, args, dir);
        if (run.exitCode == 77)
            return false;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::istringstream lines(run.out);
        std::string path;
        CFileNote note;
        while (lines >> path >> std::get<0>(note) >> std::get<1>(note) >> std::get<2>(note) >>
               std::get<3>(note) >> std::get<4>(note))
            notes[path].push_back(note);
        return true;
    }

    // Checks the files of every chord variation of each (readable style, folder it was exported into)
    // against the generator's notes.
    void ExpectExportedNotes(const std::vector<std::pair<size_t, fs::path>>& exports) const
    {
        std::vector<fs::path> files;
        for (const auto& [k, folder] : exports)
            for (const CNativeChordVar& chordVar : kStyles[k].chordVars) {
                files.push_back(folder / StandardName(chordVar.element, chordVar.cv));
                EXPECT_TRUE(fs::exists(files.back())) << files.back();
            }
        CFileNotes notes;
        if (!ReadWithMido(files, notes))
            GTEST_SKIP() << "python3-mido is not installed";
        size_t file = 0;
        for (const auto& [k, folder] : exports)
            for (const CNativeChordVar& chordVar : kStyles[k].chordVars) {
                const std::string path = files[file++];
                ExpectSameNotes(notes[path], FileNotesOf(chordVar), path);
            }
    }

    // The folder --all-styles gives style k: its number, then its name.
    fs::path StyleFolder(const fs::path& out, size_t k) const
    {
        std::ostringstream prefix;
        prefix << std::setw(2) << std::setfill('0') << k + 1 << '_';
        const std::string number = prefix.str();
        for (const fs::directory_entry& entry : fs::directory_iterator(out))
            if (entry.path().filename().string().rfind(number, 0) == 0)
                return entry.path();
        return {};
    }

    void ExpectBankUntouched() const
    {
        EXPECT_TRUE(ReadBytes(dir / "native.sty") == original) << "native.sty changed";
    }

    Bytes original;
};

TEST_F(CliNative, TheGeneratorWritesTheCommittedNativeBankAgain)
{
    const CRun run = RunProgram(RY7MKNATIVE_PATH, {"again.sty"}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ReadBytes(dir / "again.sty") == original) << "regenerate examples/native.sty";
}

TEST_F(CliNative, ExportsEveryNoteOfTheReadableStylesWithItsOwnDuration)
{
    const CRun run = Style({"export", "native.sty", "--all-styles", "-o", "out"});
    // The styles that cannot be read are told and the exit code says so; the others are all exported.
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("style 4 cannot be read"));
    EXPECT_THAT(
        run.err,
        HasSubstr("Style corrupt - Error!\nThe Drum pattern of Variation 1, Chord Var 1 cannot be read."));
    std::vector<std::pair<size_t, fs::path>> exports;
    for (size_t k = 0; k < kStyles.size(); ++k) {
        const fs::path folder = StyleFolder(dir / "out", k);
        if (!kStyles[k].readable) {
            EXPECT_TRUE(folder.empty()) << "a folder for the refused style " << k + 1;
            continue;
        }
        ASSERT_FALSE(folder.empty()) << "no folder for style " << k + 1;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  static_cast<long>(kStyles[k].chordVars.size()))
            << folder;
        exports.emplace_back(k, folder);
    }
    ExpectExportedNotes(exports);
    ExpectBankUntouched();
}

TEST_F(CliNative, RenamingAndSavingAReadableStyleKeepsEveryNote)
{
    std::vector<std::pair<size_t, fs::path>> exports;
    for (size_t k = 0; k < kStyles.size(); ++k) {
        if (!kStyles[k].readable)
            continue;
        const std::string style = std::to_string(k + 1);
        const std::string once = "once" + style + ".sty";
        const std::string twice = "twice" + style + ".sty";
        // An empty name keeps the old one; the second save starts from what the first one wrote.
        ASSERT_EQ(Style({"rename", "native.sty", style, "", "-o", once}).exitCode, 0);
        ASSERT_EQ(Style({"rename", once, style, "Renamed", "-o", twice}).exitCode, 0);
        for (const std::string& bank : {once, twice}) {
            const fs::path folder = dir / (bank + ".out");
            const CRun run = Style({"export", bank, style, "-o", folder});
            ASSERT_EQ(run.exitCode, 0) << bank << ": " << run.err;
            exports.emplace_back(k, folder);
        }
    }
    ExpectExportedNotes(exports);
    ExpectBankUntouched();
}

TEST_F(CliNative, RefusesTheOverfullAndTheDamagedStyleAndWritesNothing)
{
    for (size_t k = 0; k < kStyles.size(); ++k) {
        if (kStyles[k].readable)
            continue;
        const std::string style = std::to_string(k + 1);
        const std::string message = "style " + style + " cannot be read";
        const CRun exported = Style({"export", "native.sty", style, "-o", "out"});
        EXPECT_EQ(exported.exitCode, 1) << style;
        EXPECT_THAT(exported.err, HasSubstr(message));
        EXPECT_FALSE(fs::exists(dir / "out"));

        const CRun renamed = Style({"rename", "native.sty", style, "New", "-o", "renamed.sty"});
        EXPECT_EQ(renamed.exitCode, 1) << style;
        EXPECT_THAT(renamed.err, HasSubstr(message));
        EXPECT_FALSE(fs::exists(dir / "renamed.sty"));

        const CRun inPlace = Style({"rename", "native.sty", style, "New", "--in-place"});
        EXPECT_EQ(inPlace.exitCode, 1) << style;
        EXPECT_THAT(inPlace.err, HasSubstr(message));
        ExpectBankUntouched();
    }
    // The other styles of the bank are not held back by them.
    const CRun other = Style({"export", "native.sty", "Native Jig", "-o", "jig"});
    EXPECT_EQ(other.exitCode, 0) << other.err;
    EXPECT_TRUE(fs::exists(dir / "jig/v1cv1.mid"));
}

} // namespace
