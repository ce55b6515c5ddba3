// Files of format 0 and 1 read track by track, merged into format 0 on new channels, and summed up.
#include "events/CBigEndian.h"
#include "events/Trace.h"
#include "smf/CSmfTracks.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;
using R = CSmfTracks::Result;

// A file of `format` over the given track data (each with its End of Track already).
Bytes FileOf(uint16_t format, const std::vector<Bytes>& tracks, uint16_t division = 384,
             uint16_t announced = 0)
{
    Bytes image = {'M', 'T', 'h', 'd'};
    AppendBE32(image, 6);
    AppendBE16(image, format);
    AppendBE16(image, announced ? announced : static_cast<uint16_t>(tracks.size()));
    AppendBE16(image, division);
    for (const Bytes& track : tracks) {
        image.insert(image.end(), {'M', 'T', 'r', 'k'});
        AppendBE32(image, static_cast<uint32_t>(track.size()));
        image.insert(image.end(), track.begin(), track.end());
    }
    return image;
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
        {"a data byte above 127", FileOf(1, {{0x00, 0x90, 0x3C, 0x80, 0x00, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"a delta of five bytes", FileOf(1, {{0x81, 0x81, 0x81, 0x81, 0x01, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"a meta longer than the track", FileOf(1, {{0x00, 0xFF, 0x03, 0x20, 'x', 0x00, 0xFF, 0x2F, 0x00}}),
         R::Malformed},
        {"fewer tracks than announced", FileOf(1, {good}, 384, 2), R::Malformed},
        {"a track cut short by the end of the file", cutShort, R::Malformed},
    };
    for (const auto& row : rows) {
        CTraceCapture quiet;
        CSmfTracks tracks;
        EXPECT_EQ(tracks.Read(row.image.data(), row.image.size()), row.result) << row.what;
    }
}

} // namespace
