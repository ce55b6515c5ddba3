// ry7style with MIDI files from sequencers: inspect, import --merge-tracks --channel-map, and the notes kept.
#include "CliProgram.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <tuple>

using namespace clitest;

namespace {

using ::testing::HasSubstr;
// start, channel (from 0), key, velocity, end: ticks at 384 per quarter note.
using CNoteLine = std::tuple<int, int, int, int, int>;

std::vector<CNoteLine> NoteLines(std::istream& lines, bool withPath)
{
    std::vector<CNoteLine> notes;
    std::string path;
    CNoteLine note;
    while ((!withPath || lines >> path) && lines >> std::get<0>(note) >> std::get<1>(note) >>
                                               std::get<2>(note) >> std::get<3>(note) >> std::get<4>(note))
        notes.push_back(note);
    std::sort(notes.begin(), notes.end());
    return notes;
}

class CliMidiImport : public CCliTest {
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        CopyExampleBank();
    }

    // Runs a helper script of the independent MIDI library; false when python3 or mido is missing.
    bool Mido(const std::string& script, const std::string& file, CRun& run) const
    {
        if (std::string(RY7_PYTHON3).empty())
            return false;
        run = RunProgram(RY7_PYTHON3, {script, file}, dir);
        if (run.exitCode == 77)
            return false;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return true;
    }
};

TEST_F(CliMidiImport, TakesASequencerFileIntoAChordVariationWithItsNotesOnTheStylesChannels)
{
    CRun song;
    if (!Mido(RY7_MIDO_SONG, "song_v1cv1.mid", song))
        GTEST_SKIP() << "python3-mido is not installed";
    std::istringstream written(song.out);
    const std::vector<CNoteLine> fileNotes = NoteLines(written, false);

    // inspect names each channel's notes, keys, first program and track: what the map is written from.
    const CRun inspect = Style({"inspect", "song_v1cv1.mid"});
    ASSERT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_THAT(inspect.out, HasSubstr("format 1, 5 tracks, division 480, 4 measures of 4/4\n"));
    EXPECT_THAT(inspect.out, HasSubstr("      2     12  33-47         35  Fretless\n"));
    EXPECT_THAT(inspect.out, HasSubstr("     10     32  36-42          0  Drums\n"));
    const CRun json = Style({"inspect", "song_v1cv1.mid", "--json"});
    EXPECT_THAT(json.out,
                HasSubstr("{\"channel\": 3, \"notes\": 1, \"low\": 76, \"high\": 76, \"program\": 48, "
                          "\"track\": \"Strings\"}"));

    const CRun import = Style({"import", "demo.sty", "1", "song_v1cv1.mid", "--merge-tracks", "--channel-map",
                               "10=Drum,2=Bass,1=Acc1", "-o", "out.sty"});
    ASSERT_EQ(import.exitCode, 0) << import.err;
    ExpectInputUntouched();
    EXPECT_THAT(Style({"show", "out.sty", "1"}).out,
                HasSubstr("    Chord Var 1          Length in measures: 4\n"));
    ASSERT_EQ(Style({"export", "out.sty", "1", "--element", "v1", "--cv", "1", "-o", "again"}).exitCode, 0);

    // Every note of the mapped channels comes back on its track's channel; the strings (channel 3) are
    // left out.
    const std::map<int, int> styleChannel = {{9, 9}, {1, 8}, {0, 11}};
    std::vector<CNoteLine> expected;
    for (CNoteLine note : fileNotes) {
        const auto moved = styleChannel.find(std::get<1>(note));
        if (moved == styleChannel.end())
            continue;
        std::get<1>(note) = moved->second;
        expected.push_back(note);
    }
    std::sort(expected.begin(), expected.end());
    CRun exported;
    ASSERT_TRUE(Mido(RY7_MIDO_NOTES, "again/v1cv1.mid", exported));
    std::istringstream read(exported.out);
    EXPECT_EQ(NoteLines(read, true), expected);
    EXPECT_EQ(expected.size(), 68u);
}

TEST_F(CliMidiImport, WithoutMergeTracksAFormatOneFileIsRefusedAsBefore)
{
    CSmfBuilder drums;
    drums.Note(0, 100, 9, 36);
    WriteBytes(dir / "v1cv1.mid",
               SmfFileImage(1, {CSmfBuilder().Tempo(0, 500000).TrackData(0), drums.TrackData(384)}));
    const CRun refused = Style({"import", "demo.sty", "1", "v1cv1.mid", "-o", "out.sty"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("SMF read error or wrong SMF Format! ('v1cv1.mid')"));
    EXPECT_FALSE(fs::exists(dir / "out.sty"));
    EXPECT_EQ(Style({"import", "demo.sty", "1", "v1cv1.mid", "--merge-tracks", "-o", "out.sty"}).exitCode, 0);
}

TEST_F(CliMidiImport, AWrongChannelMapIsAUsageErrorNamingTheEntry)
{
    WriteBytes(dir / "v1cv1.mid", CSmfBuilder().Note(0, 100, 0, 60).Image(384));
    const struct {
        const char* map;
        const char* error;
    } rows[] = {
        {"1=Acc1,17=Bass", "--channel-map: entry '17=Bass': the channel is not a number from 1 to 16"},
        {"1=Lead", "--channel-map: entry '1=Lead': no track 'Lead'"},
        {"1=Bass,1=Drum", "--channel-map: entry '1=Drum': channel 1 is mapped twice"},
        {"Bass", "--channel-map: entry 'Bass' is not CHANNEL=TRACK"},
    };
    for (const auto& row : rows) {
        const CRun run = Style({"import", "demo.sty", "1", "v1cv1.mid", "--merge-tracks", "--channel-map",
                                row.map, "-o", "out.sty"});
        EXPECT_EQ(run.exitCode, 2) << row.map;
        EXPECT_THAT(run.err, HasSubstr(row.error)) << row.map;
        EXPECT_FALSE(fs::exists(dir / "out.sty")) << row.map;
    }
}

TEST_F(CliMidiImport, InspectSaysWhyItCannotReadAFile)
{
    const Bytes track = CSmfBuilder().Note(0, 100, 0, 60).TrackData(384);
    WriteBytes(dir / "junk.mid", {'n', 'o', 't', ' ', 'M', 'I', 'D', 'I'});
    WriteBytes(dir / "patterns.mid", SmfFileImage(2, {track, track}));
    Bytes cut = SmfImage(track);
    cut.resize(cut.size() - 3);
    WriteBytes(dir / "cut.mid", cut);
    const struct {
        const char* file;
        const char* error;
    } rows[] = {
        {"missing.mid", "ry7style: cannot read missing.mid"},
        {"junk.mid", "ry7style: junk.mid is no MIDI file"},
        {"patterns.mid", "ry7style: patterns.mid is a MIDI file of format 2"},
        {"cut.mid", "ry7style: cut.mid: a track cannot be read to its End of Track"},
    };
    for (const auto& row : rows) {
        const CRun run = Style({"inspect", row.file});
        EXPECT_EQ(run.exitCode, 1) << row.file;
        EXPECT_THAT(run.err, HasSubstr(row.error)) << row.file;
    }
}

} // namespace
