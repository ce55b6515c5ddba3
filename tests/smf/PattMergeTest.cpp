// Merging decoders into one encoder, and merge then split through a MIDI file.
#include "SmfTestSupport.h"
#include "packed/CPropPattMerge.h"
#include "packed/CPropPattUnmerge.h"
#include "smf/CMidiIn.h"
#include "smf/CMidiOut.h"

#include <gtest/gtest.h>

using namespace smftest;

namespace {
class PattMerge : public PoolCheckedTest {};

uint32_t On(uint8_t channel, uint8_t key)
{
    return CEvent::ChannelHeader(EventKind::NoteOn, channel, key, 100);
}

constexpr uint32_t End = CEvent::EndOfTrackHeader;
constexpr uint32_t Text = 0x00010109; // Meta 0x01, one byte (0)
} // namespace

TEST_F(PattMerge, WritesSourcesInTimeOrderFirstAddedFirstAtEqualTimes)
{
    // Both sources have chains at 0; A's second chain at 0 sorts behind B, which was waiting.
    CScriptedDecoder a({{0, {On(0, 1)}}, {0, {Text}}, {20, {On(0, 3)}}, {30, {End}}});
    CScriptedDecoder b({{0, {On(0, 2)}}, {10, {On(0, 4), On(0, 5)}}, {30, {End}}});
    CRecordingEncoder out;
    CPropPattMerge merge(out);
    ASSERT_TRUE(merge.AddTrack(a, 1));
    ASSERT_TRUE(merge.AddTrack(b, CPropPattMerge::KeepChannel));
    EXPECT_TRUE(merge.Run());
    EXPECT_EQ(out.written, (std::vector<Timed>{
                               Channel(0, EventKind::NoteOn, 1, 1, 100), // A, stamped channel 1
                               Channel(0, EventKind::NoteOn, 0, 2, 100), // B, unstamped
                               {0, Text, {0}},                           // A again: meta is never stamped
                               Channel(10, EventKind::NoteOn, 0, 4, 100),
                               Channel(10, EventKind::NoteOn, 0, 5, 100),
                               Channel(20, EventKind::NoteOn, 1, 3, 100),
                               EndOfTrack(30),
                           }));
    EXPECT_EQ(out.closes, 1);
}

TEST_F(PattMerge, WritesOneEndOfTrackAtTheLastChainTaken)
{
    // Sources pass no End of Track on, even several in one chain or one mid-chain.
    CScriptedDecoder a({{0, {On(0, 1)}}, {50, {End, End}}});
    CScriptedDecoder b({{0, {Text, End, Text}}, {100, {Text, End}}});
    CRecordingEncoder out;
    CPropPattMerge merge(out);
    merge.AddTrack(a, 0);
    merge.AddTrack(b, 0);
    EXPECT_TRUE(merge.Run());
    EXPECT_EQ(
        out.written,
        (std::vector<Timed>{
            Channel(0, EventKind::NoteOn, 0, 1, 100), {0, Text, {0}}, {100, Text, {0}}, EndOfTrack(100)}));
}

TEST_F(PattMerge, DropsAStreamAtItsEndTime)
{
    CScriptedDecoder track({{0, {On(0, 1)}}, {96, {End}}});
    CScriptedDecoder tempo({{0, {Text}}, {48, {Text}}, {96, {Text}}, {200, {End}}});
    CRecordingEncoder out;
    CPropPattMerge merge(out);
    merge.AddTrack(track, 4);
    merge.AddStream(tempo, 96);
    EXPECT_TRUE(merge.Run());
    EXPECT_EQ(
        out.written,
        (std::vector<Timed>{
            Channel(0, EventKind::NoteOn, 4, 1, 100), {0, Text, {0}}, {48, Text, {0}}, EndOfTrack(96)}));
}

TEST_F(PattMerge, ReportsAFailingSourceAndStillClosesTheEncoder)
{
    CScriptedDecoder good({{0, {On(0, 1)}}, {10, {End}}});
    CScriptedDecoder failing({{0, {On(0, 2)}}, {5, {On(0, 3)}}, {20, {End}}});
    failing.FailAt(1);
    CScriptedDecoder unreadable({{0, {On(0, 1)}}, {10, {End}}});
    unreadable.FailRewind();
    CRecordingEncoder out;
    CPropPattMerge merge(out);
    EXPECT_TRUE(merge.AddTrack(good, 0));
    EXPECT_TRUE(merge.AddTrack(failing, 0));
    EXPECT_FALSE(merge.AddTrack(unreadable, 0));
    EXPECT_FALSE(merge.Run());
    EXPECT_EQ(out.written, (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 1, 100),
                                               Channel(0, EventKind::NoteOn, 0, 2, 100), EndOfTrack(10)}));
    EXPECT_EQ(out.closes, 1);
}

TEST_F(PattMerge, MergedThroughAFileSplitsBackIntoEachTrack)
{
    const uint32_t off = CEvent::ChannelHeader(EventKind::NoteOff, 0, 36, 64);
    const std::vector<CScriptedDecoder::Chain> drum = {{0, {On(0, 36)}}, {192, {off}}, {768, {End}}};
    const std::vector<CScriptedDecoder::Chain> bass = {{0, {On(0, 40), On(0, 47)}}, {384, {End}}};
    CScriptedDecoder drumSource(drum), bassSource(bass);
    CMidiOut file;
    CPropPattMerge merge(file);
    merge.AddTrack(drumSource, 9);
    merge.AddTrack(bassSource, 8);
    ASSERT_TRUE(merge.Run());

    const uint8_t* bytes = file.Output().Data();
    const Bytes image(bytes, bytes + file.Output().GetSize());
    CMidiIn input(image.data(), static_cast<uint32_t>(image.size()));
    ASSERT_TRUE(input.Open());
    CRecordingEncoder drumOut, bassOut;
    CPropPattUnmerge split(*input.Decoder(), nullptr);
    split.AddChannelSink(drumOut, 9, 0);
    split.AddChannelSink(bassOut, 8, 0);
    EXPECT_EQ(split.Run(0, 100000), 768);
    EXPECT_EQ(drumOut.written,
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 36, 100),
                                  Channel(192, EventKind::NoteOff, 0, 36, 64), EndOfTrack(768)}));
    EXPECT_EQ(bassOut.written,
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 40, 100),
                                  Channel(0, EventKind::NoteOn, 0, 47, 100), EndOfTrack(768)}));
}
