// Importing MIDI files from sequencers: format 1 files merged, channels mapped to tracks, through the files.
#include "bank/facade/FacadeTestSupport.h"
#include "events/Trace.h"
#include "shell/CExtProgList.h"
#include "shell/CMessageSink.h"
#include "shell/CStyleImport.h"
#include "shell/CStyleTransfer.h"
#include "shell/CTrackMap.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace {

namespace fs = std::filesystem;
using facadetest::Bytes;
using facadetest::CNote;
using facadetest::NotesOf;

constexpr uint8_t kSetTempo = 0x51;

class CRecordedMessages final : public CMessageSink {
public:
    void Message(const CShellMessage& message) override
    {
        Texts.push_back(message.Caption + ": " + message.Text);
    }
    std::vector<std::string> Texts;
};

class MidiImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("ry7_midi_import_" + std::to_string(std::random_device()()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const Bytes& image) const
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return path.string();
    }
    // Imports the file into Variation 1, chord variation 1 of `style`; true when it was taken.
    bool Import(CNstEditIfc& style, const std::string& path, const CSmfImportOptions& options) const
    {
        return CStyleTransfer::ImportSmfFile(style, programs, path, 0, 0, false, options).Ok;
    }

    fs::path dir;
    CExtProgList programs;
};

CSmfImportOptions MergeTracks(std::optional<CTrackMap> map = std::nullopt)
{
    CSmfImportOptions options;
    options.MergeTracks = true;
    options.Map = std::move(map);
    return options;
}

// A sequencer's song in 3/4: a tempo track, then drums, bass and Acc. 1 on the style's channels, each with
// its program and expression; the bass track changes the tempo in measure 2; the tracks end at different
// times, the bass last, in measure 3.
struct CSong {
    CSmfBuilder tempo, drums, bass, acc;
    static constexpr uint32_t BassEnd = 2 * 1152 + 500;
    CSong()
    {
        tempo.Tempo(0, 600000).Signature(0, 3, 2);
        drums.Add(0, {0xC9, 16}).Add(0, {0xB9, 11, 90});
        bass.Add(0, {0xC8, 33}).Add(0, {0xB8, 11, 100}).Tempo(1152, 400000);
        acc.Add(0, {0xCB, 4});
        for (uint32_t beat = 0; beat < 6; ++beat) {
            drums.Note(beat * 384, beat * 384 + 60, 9, beat % 3 ? 42 : 36);
            bass.Note(beat * 384, beat * 384 + 300, 8, static_cast<uint8_t>(40 + beat));
            acc.Note(beat * 384 + 96, beat * 384 + 380, 11, static_cast<uint8_t>(60 + beat));
        }
        bass.Note(2 * 1152, BassEnd, 8, 28);
    }
    Bytes Format1() const
    {
        return SmfFileImage(
            1, {tempo.TrackData(0), drums.TrackData(1152), bass.TrackData(BassEnd), acc.TrackData(2 * 1152)});
    }
    // The same messages in one track, in the order the merge keeps at equal ticks.
    Bytes Format0() const
    {
        CSmfBuilder one;
        one.Tempo(0, 600000).Signature(0, 3, 2);
        one.Add(0, {0xC9, 16}).Add(0, {0xB9, 11, 90});
        for (uint32_t beat = 0; beat < 6; ++beat)
            one.Note(beat * 384, beat * 384 + 60, 9, beat % 3 ? 42 : 36);
        one.Add(0, {0xC8, 33}).Add(0, {0xB8, 11, 100}).Tempo(1152, 400000);
        for (uint32_t beat = 0; beat < 6; ++beat)
            one.Note(beat * 384, beat * 384 + 300, 8, static_cast<uint8_t>(40 + beat));
        one.Note(2 * 1152, BassEnd, 8, 28);
        one.Add(0, {0xCB, 4});
        for (uint32_t beat = 0; beat < 6; ++beat)
            one.Note(beat * 384 + 96, beat * 384 + 380, 11, static_cast<uint8_t>(60 + beat));
        return one.Image(BassEnd);
    }
};

TEST_F(MidiImport, AFormatOneFileImportsAsTheSameMusicInFormatZero)
{
    const CSong song;
    const std::string format1 = Write("song1.mid", song.Format1());
    const std::string format0 = Write("song0.mid", song.Format0());
    CNstEditIfc fromFormat0(nullptr, 0);
    CNstEditIfc fromFormat1(nullptr, 0);
    ASSERT_TRUE(Import(fromFormat0, format0, {}));
    ASSERT_TRUE(Import(fromFormat1, format1, MergeTracks()));

    const Bytes exported = fromFormat1.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
    EXPECT_EQ(exported, fromFormat0.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks));
    for (int track = 0; track < 8; ++track)
        EXPECT_EQ(fromFormat1.GetTrackProgram(0, track), fromFormat0.GetTrackProgram(0, track)) << track;
    EXPECT_EQ(fromFormat1.GetTrackProgram(0, 2) & 0xFF, 33);
    // The bass track ends last: three measures of 3/4.
    EXPECT_EQ(fromFormat1.GetCvLength(0, 0), 3);
    EXPECT_EQ(fromFormat1.GetSignature(0), 2 + 16 * 2);
    // The tempo of the first track is the style's; the change in the bass track is kept at its time.
    EXPECT_EQ(fromFormat1.StyleTempo(), 100);
    bool changed = false;
    for (const facadetest::CFileEvent& event : facadetest::EventsOf(exported))
        changed |= event.tick == 1152 && (event.header & 0xFF) == uint32_t(EventKind::Meta) &&
                   ((event.header >> 8) & 0xFF) == kSetTempo && event.data == Bytes{0x06, 0x1A, 0x80};
    EXPECT_TRUE(changed) << "the tempo change of a later track was lost";
}

TEST_F(MidiImport, WithoutMergeTracksAFormatOneFileIsRefusedAndFormatTwoAlways)
{
    const CSong song;
    Bytes format2 = song.Format1();
    format2[9] = 2;
    const std::string format1Path = Write("song1.mid", song.Format1());
    const std::string format2Path = Write("song2.mid", format2);
    CTrackMap map = CTrackMap::StyleChannels();
    CSmfImportOptions mapOnly;
    mapOnly.Map = map;
    const struct {
        const char* what;
        std::string path;
        CSmfImportOptions options;
    } rows[] = {
        {"format 1, no options", format1Path, {}},
        {"format 1, a map without merging", format1Path, mapOnly},
        {"format 2", format2Path, MergeTracks(map)},
    };
    CTraceCapture quiet;
    for (const auto& row : rows) {
        CNstEditIfc style(nullptr, 0);
        EXPECT_FALSE(Import(style, row.path, row.options)) << row.what;
        EXPECT_EQ(style.GetElementState(0), CNstEditIfc::StateAbsent) << row.what;
    }
}

TEST_F(MidiImport, AMapMovesMergesAndDropsChannelsBeforeTheFileIsSplit)
{
    // Channels 1 and 2 into Acc. 1, channel 3 to nothing, channel 4 (silent) into Bass; channel 10 is not
    // named and is left out although it is the drums' own.
    CSmfBuilder one, two, three, drums;
    one.Add(0, {0xC0, 5}).Note(0, 300, 0, 60).Note(384, 700, 0, 62);
    two.Add(10, {0xC1, 33}).Add(10, {0xB1, 11, 70}).Note(192, 500, 1, 64);
    three.Add(0, {0xC2, 99}).Note(0, 300, 2, 67);
    drums.Note(0, 50, 9, 36);
    const std::string path =
        Write("mapped.mid", SmfFileImage(1, {one.TrackData(768), two.TrackData(768), three.TrackData(768),
                                             drums.TrackData(768)}));
    std::string error;
    const std::optional<CTrackMap> map = CTrackMap::Parse("1=Acc1,2=Acc1,3=none,4=Bass", error);
    ASSERT_TRUE(map) << error;
    CNstEditIfc style(nullptr, 0);
    ASSERT_TRUE(Import(style, path, MergeTracks(map)));

    const std::vector<CNote> expected = {
        {0, 11, 60, 100, 300}, {192, 11, 64, 100, 500}, {384, 11, 62, 100, 700}};
    EXPECT_EQ(NotesOf(style.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks)), expected);
    for (int track = 0; track < 8; ++track)
        EXPECT_EQ(style.GetTrackState(0, 0, track) == CNstEditIfc::StateFilled, track == 3) << track;
    // The element was empty: Acc. 1 takes the last program and expression of its channels; program 99 of
    // the dropped channel reaches no track.
    EXPECT_EQ(style.GetTrackProgram(0, 3) & 0xFF, 33);
    for (int track = 0; track < 8; ++track)
        EXPECT_NE(style.GetTrackProgram(0, track) & 0xFF, 99) << track;
}

TEST_F(MidiImport, ImportMappedFileAsksWithAGuessAndCancelsOrReportsWithoutChanges)
{
    const std::string path = Write("song1.mid", CSong().Format1());
    const std::string junk = Write("junk.mid", {'M', 'T', 'h', 'd'});
    CNstEditIfc style(nullptr, 0);
    CRecordedMessages messages;
    int asked = 0;
    const auto cancel = [&asked](const CSmfSummary& summary,
                                 const CTrackMap& guess) -> std::optional<CTrackMap> {
        ++asked;
        EXPECT_EQ(summary.channels[8].notes, 7u);
        EXPECT_EQ(guess, CTrackMap::Guess(summary));
        return std::nullopt;
    };
    using Result = CStyleImport::CMappedImport;
    EXPECT_EQ(CStyleImport::ImportMappedFile(style, programs, path, 0, 0, false, cancel, messages),
              Result::Cancelled);
    EXPECT_EQ(style.GetElementState(0), CNstEditIfc::StateAbsent);
    EXPECT_EQ(CStyleImport::ImportMappedFile(style, programs, junk, 0, 0, false, cancel, messages),
              Result::Failed);
    EXPECT_EQ(asked, 1) << "a file that cannot be read asks nothing";
    EXPECT_EQ(messages.Texts, std::vector<std::string>{
                                  "Import Chord Variation from SMF: SMF read error or wrong SMF Format!"});

    const auto bassOnly = [](const CSmfSummary&, const CTrackMap&) -> std::optional<CTrackMap> {
        CTrackMap map;
        map.Set(8, 2);
        return map;
    };
    EXPECT_EQ(CStyleImport::ImportMappedFile(style, programs, path, 0, 0, false, bassOnly, messages),
              Result::Imported);
    for (int track = 0; track < 8; ++track)
        EXPECT_EQ(style.GetTrackState(0, 0, track) == CNstEditIfc::StateFilled, track == 2) << track;
}

} // namespace
