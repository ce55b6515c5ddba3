// Files of format 0 and 1 read track by track, merged into format 0 on new channels, and summed up.
#include "bank/facade/CNstEditIfc.h"
#include "events/Trace.h"
#include "smf/CSmfTracks.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;
using R = CSmfTracks::Result;

// A file of `format` over the given track data (each with its End of Track already).
Bytes FileOf(uint16_t format, const std::vector<Bytes>& tracks, uint16_t division = 384)
{
    return SmfFileImage(format, tracks, division);
}

Bytes Merged(const Bytes& image, const CSmfTracks::CChannelMap& map = CSmfTracks::SameChannels())
{
    CSmfTracks tracks;
    EXPECT_EQ(tracks.Read(image.data(), image.size()), R::Ok);
    return tracks.Format0(map);
}

// A sequencer's layout: a tempo track, then one track per instrument, each ending at its own time.
struct CSong {
    CSmfBuilder tempo, drums, bass;
    CSong()
    {
        tempo.Tempo(0, 500000).Signature(0, 3, 2).Tempo(1152, 400000);
        drums.Add(0, {0xFF, 0x03, 5, 'D', 'r', 'u', 'm', 's'}).Add(0, {0xC9, 0});
        drums.Note(0, 100, 9, 36).Note(384, 480, 9, 38).Note(1152, 1200, 9, 36);
        bass.Add(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'}).Add(0, {0xC1, 33});
        bass.Note(0, 380, 1, 40).Note(384, 760, 1, 43).Note(768, 1100, 1, 31);
    }
    Bytes Format1() const
    {
        return FileOf(1, {tempo.TrackData(0), drums.TrackData(2304), bass.TrackData(1200)});
    }
};

TEST(SmfTracks, MergesAFormatOneFileAsTheFormatZeroFileOfTheSameEvents)
{
    const CSong song;
    // The same events in one track: at equal ticks the tempo track's first, then the drums', then the
    // bass's, each in its own order; End of Track at the latest track end.
    CSmfBuilder one;
    one.Tempo(0, 500000).Signature(0, 3, 2).Tempo(1152, 400000);
    one.Add(0, {0xFF, 0x03, 5, 'D', 'r', 'u', 'm', 's'}).Add(0, {0xC9, 0});
    one.Note(0, 100, 9, 36).Note(384, 480, 9, 38).Note(1152, 1200, 9, 36);
    one.Add(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'}).Add(0, {0xC1, 33});
    one.Note(0, 380, 1, 40).Note(384, 760, 1, 43).Note(768, 1100, 1, 31);
    const Bytes expected = one.Image(2304);
    EXPECT_EQ(Merged(song.Format1()), expected);
    // A format 0 file comes out as it went in (with explicit status bytes).
    EXPECT_EQ(Merged(expected), expected);
}

TEST(SmfTracks, MovesOrDropsChannelsAndMergesThoseMovedTogether)
{
    const CSong song;
    CSmfTracks::CChannelMap map{};
    map.fill(CSmfTracks::Dropped);
    map[9] = 9;
    map[1] = 9; // the bass joins the drums
    const Bytes merged = Merged(song.Format1(), map);
    CSmfTracks again;
    ASSERT_EQ(again.Read(merged.data(), merged.size()), R::Ok);
    const CSmfSummary summary = again.Summary();
    EXPECT_EQ(summary.channels[9].notes, 6u);
    EXPECT_EQ(summary.channels[1].notes, 0u);
    EXPECT_EQ(summary.channels[1].track, -1);
    map[1] = CSmfTracks::Dropped;
    const Bytes drumsOnly = Merged(song.Format1(), map);
    ASSERT_EQ(again.Read(drumsOnly.data(), drumsOnly.size()), R::Ok);
    EXPECT_EQ(again.Summary().channels[9].notes, 3u);
    EXPECT_EQ(again.Summary().endTick, 2304u) << "the latest track end stays";
}

TEST(SmfTracks, SumsUpEveryChannelForWritingAMap)
{
    CSmfTracks tracks;
    const Bytes image = CSong().Format1();
    ASSERT_EQ(tracks.Read(image.data(), image.size()), R::Ok);
    const CSmfSummary summary = tracks.Summary();
    EXPECT_EQ(summary.format, 1);
    EXPECT_EQ(summary.tracks, 3);
    EXPECT_EQ(summary.division, 384);
    EXPECT_EQ(summary.endTick, 2304u);
    EXPECT_EQ(summary.Measures(), 2u) << "two measures of 3/4";
    const CSmfChannelSummary& bass = summary.channels[1];
    EXPECT_EQ(bass.notes, 3u);
    EXPECT_EQ(bass.lowKey, 31);
    EXPECT_EQ(bass.highKey, 43);
    EXPECT_EQ(bass.firstProgram, 33);
    EXPECT_EQ(bass.track, 2);
    EXPECT_EQ(bass.trackName, "Bass");
    EXPECT_EQ(summary.channels[9].trackName, "Drums");
    EXPECT_EQ(summary.channels[0].track, -1);
    EXPECT_GT(summary.channels[0].lowKey, summary.channels[0].highKey);
}

TEST(SmfTracks, RefusesWhatItCannotReadWhole)
{
    const Bytes good = CSmfBuilder().Note(0, 96, 0, 60).TrackData(96);
    Bytes unknownChunk = FileOf(1, {good});
    Bytes cutShort = FileOf(1, {good});
    cutShort.resize(cutShort.size() - 2);
    Bytes fewerTracks = FileOf(1, {good});
    fewerTracks[11] = 2;
    unknownChunk.insert(unknownChunk.begin() + 14, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 7, 7});
    const struct {
        const char* what;
        Bytes image;
        R result;
    } rows[] = {
        {"a chunk of another type before the track", unknownChunk, R::Ok},
        {"running status carried into a track's first event",
         FileOf(1, {{0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}}), R::Malformed},
        {"format 2", FileOf(2, {good}), R::Format2},
        {"no header", Bytes(good.begin(), good.end()), R::NotMidi},
        {"a header shorter than six bytes",
         {'M', 'T', 'h', 'd', 0, 0, 0, 5, 0, 1, 0, 1, 1, 0x80},
         R::NotMidi},
        {"a track without End of Track", FileOf(1, {CSmfBuilder().Note(0, 96, 0, 60).TrackData(96, false)}),
         R::Malformed},
        {"a system message a file cannot hold", FileOf(1, {{0x00, 0xF4, 0x00, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"a second data byte above 127, passed over",
         FileOf(1, {{0x00, 0x90, 0x3C, 0x80, 0x00, 0xFF, 0x2F, 0x00}}), R::Ok},
        {"a meta event longer than an event holds",
         FileOf(1, {[] {
                    Bytes track = {0x00, 0xFF, 0x01, 0x82, 0x80, 0x00};
                    track.resize(track.size() + 0x8000, 'x');
                    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
                    return track;
                }()}),
         R::Malformed},
        {"a delta of five bytes", FileOf(1, {{0x81, 0x81, 0x81, 0x81, 0x01, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"a meta longer than the track", FileOf(1, {{0x00, 0xFF, 0x03, 0x20, 'x', 0x00, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"fewer tracks than announced", fewerTracks, R::Malformed},
        {"a track cut short by the end of the file", cutShort, R::Malformed},
    };
    for (const auto& row : rows) {
        CTraceCapture quiet;
        CSmfTracks tracks;
        EXPECT_EQ(tracks.Read(row.image.data(), row.image.size()), row.result) << row.what;
    }
}

// The chord variation a new style makes of `image`, as an exported file; empty when it is refused.
Bytes Imported(const Bytes& image)
{
    CNstEditIfc style(nullptr, 0);
    if (!style.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false))
        return {};
    return style.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
}

// A format 0 file and its merge on the same channels import alike: both refused, or to the same chord
// variation. False (with a failure) when they do not.
bool ExpectImportedAlike(const Bytes& image, const std::string& what)
{
    CSmfTracks tracks;
    const Bytes plain = Imported(image);
    if (tracks.Read(image.data(), image.size()) != R::Ok) {
        EXPECT_TRUE(plain.empty()) << what << ": the file imports, its merge is refused";
        return plain.empty();
    }
    const Bytes merged = Imported(tracks.Format0(CSmfTracks::SameChannels()));
    EXPECT_EQ(merged, plain) << what;
    return merged == plain;
}

TEST(SmfTracks, AFormatZeroFileMergedOnItsOwnChannelsImportsExactlyAsTheFileItself)
{
    const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
    const auto track = [&end](Bytes messages) {
        messages.insert(messages.end(), end.begin(), end.end());
        return SmfImage(messages, 96);
    };
    // Messages the format 0 reader is lenient with, each around a note on Acc. 1's channel.
    const struct {
        const char* what;
        Bytes image;
        bool imports;
    } rows[] = {
        {"running status across a meta event",
         track({0x00, 0x9B, 60, 100, 0x10, 0xFF, 0x01, 1, 'x', 0x50, 60, 0}), true},
        {"a status byte after a status byte",
         track({0x00, 0x9B, 0x9B, 0x00, 0x9B, 62, 90, 0x60, 0x8B, 62, 0}), true},
        {"a note-off velocity above 127",
         track({0x00, 0x9B, 60, 100, 0x60, 0x8B, 60, 0xC0, 0x60, 0xFF, 0x01, 1, 'y'}), true},
        {"a controller value above 127", track({0x00, 0xBB, 7, 0x90, 0x00, 0x9B, 60, 100, 0x60, 0x8B, 60, 0}),
         true},
        {"meta types the reader drops and an empty F7 packet",
         track({0x00, 0xFF, 0x7E, 1,    5,  0x00, 0xFF, 0x90, 0,  0x00,
                0xF7, 0x00, 0x00, 0x9B, 60, 100,  0x60, 0x8B, 60, 0}),
         true},
        {"a Set Tempo of 0 and a private sequencer-specific event",
         track({0x00, 0xFF, 0x51, 3,    0,    0,  0,   0x00, 0xFF, 0x7F, 4, 0x42,
                0x60, 0x09, 0x05, 0x00, 0x9B, 60, 100, 0x60, 0x8B, 60,   0}),
         true},
        {"a data byte before any status byte", track({0x00, 60, 100}), false},
        {"a delay of five bytes", track({0x81, 0x81, 0x81, 0x81, 0x01, 0x9B, 60, 100}), false},
        {"a meta event running past the track", SmfImage({0x00, 0xFF, 0x01, 0x20, 'x'}), false},
    };
    CTraceCapture quiet;
    for (const auto& row : rows) {
        EXPECT_EQ(!Imported(row.image).empty(), row.imports) << row.what;
        ExpectImportedAlike(row.image, row.what);
    }
}

TEST(SmfTracks, MergesCorruptedFormatZeroFilesAsTheReaderReadsThem)
{
    // A song on the style's channels, some of its bytes changed at random: whatever the reader makes of
    // the file, the merge must make the same.
    CSmfBuilder song;
    song.Tempo(0, 500000).Signature(0, 4, 2).Add(0, {0xC9, 0}).Add(0, {0xB8, 11, 90}).Add(0, {0xC8, 33});
    for (uint32_t beat = 0; beat < 8; ++beat) {
        song.Note(beat * 384, beat * 384 + 90, 9, static_cast<uint8_t>(beat % 2 ? 38 : 36));
        song.Note(beat * 384, beat * 384 + 300, 8, static_cast<uint8_t>(40 + beat));
        song.Note(beat * 384 + 192, beat * 384 + 380, 11, static_cast<uint8_t>(60 + beat % 5));
    }
    song.Add(700, {0xF0, 3, 0x43, 0x10, 0xF7}).Add(900, {0xFF, 0x06, 2, 'A', 'B'});
    const Bytes original = song.Image(8 * 384);
    constexpr uint32_t seed = 17;
    std::mt19937 random(seed);
    CTraceCapture quiet;
    int imported = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes image = original;
        for (int changes = 1 + static_cast<int>(random() % 3); changes > 0; --changes)
            image[22 + random() % (image.size() - 22)] = static_cast<uint8_t>(random());
        if (!ExpectImportedAlike(image,
                                 "round " + std::to_string(round) + " of seed " + std::to_string(seed)))
            return;
        imported += !Imported(image).empty();
    }
    EXPECT_GT(imported, 100) << "too few corrupted files were readable to compare anything";
}

} // namespace
