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
constexpr uint32_t Text = 0x00010109;  // Meta 0x01, one byte (0)
constexpr uint32_t Tempo = 0x00015109; // Meta 0x51, one byte (0)
} // namespace

TEST_F(PattMerge, WritesSourcesInTimeOrderFirstAddedFirstAtEqualTimes)
{
    // Both sources have chains at 0; A's second chain at 0 sorts behind B, which was waiting.
    CScriptedDecoder a({{0, {On(0, 1)}}, {0, {Text}}, {20, {On(0, 3)}}, {30, {End}}});
    CScriptedDecoder b({{0, {On(0, 2)}}, {10, {On(0, 4), On(0, 5)}}, {30, {End}}});
    COpenRecorder out;
    CPropPattMerge merge(out);
    ASSERT_TRUE(merge.AddTrack(a, 1));
    ASSERT_TRUE(merge.AddTrack(b, CPropPattMerge::KeepChannel));
    EXPECT_TRUE(merge.Run());
    EXPECT_EQ(Written(out), (std::vector<Timed>{
                                Channel(0, EventKind::NoteOn, 1, 1, 100), // A, stamped channel 1
                                Channel(0, EventKind::NoteOn, 0, 2, 100), // B, unstamped
                                {0, Text, {0}},                           // A again: meta is never stamped
                                Channel(10, EventKind::NoteOn, 0, 4, 100),
                                Channel(10, EventKind::NoteOn, 0, 5, 100),
                                Channel(20, EventKind::NoteOn, 1, 3, 100),
                                EndOfTrack(30),
                            }));
    EXPECT_FALSE(out.IsOpen());
}

TEST_F(PattMerge, WritesOneEndOfTrackAtTheLastChainTakenAndDropsStreamsAtTheirEndTime)
{
    // Sources pass no End of Track on, even several in one chain or one mid-chain; the stream's
    // chain at its end time 96 is not read.
    CScriptedDecoder a({{0, {On(0, 1)}}, {50, {End, End}}});
    CScriptedDecoder b({{0, {Text, End, Text}}, {100, {Text, End}}});
    CScriptedDecoder stream({{0, {Tempo}}, {48, {Tempo}}, {96, {Tempo}}, {200, {End}}});
    COpenRecorder out;
    CPropPattMerge merge(out);
    merge.AddTrack(a, 4);
    merge.AddTrack(b, 4);
    merge.AddStream(stream, 96);
    EXPECT_TRUE(merge.Run());
    EXPECT_EQ(Written(out), (std::vector<Timed>{Channel(0, EventKind::NoteOn, 4, 1, 100),
                                                {0, Text, {0}},
                                                {0, Tempo, {0}},
                                                {48, Tempo, {0}},
                                                {100, Text, {0}},
                                                EndOfTrack(100)}));
}

TEST_F(PattMerge, ReportsAFailingSourceAndStillClosesTheEncoder)
{
    CScriptedDecoder good({{0, {On(0, 1)}}, {10, {End}}});
    CScriptedDecoder failing({{0, {On(0, 2)}}, {5, {On(0, 3)}}, {20, {End}}});
    failing.FailAt(1);
    CScriptedDecoder unreadable({{0, {On(0, 1)}}, {10, {End}}});
    unreadable.FailRewind();
    COpenRecorder out;
    CPropPattMerge merge(out);
    EXPECT_TRUE(merge.AddTrack(good, 0));
    EXPECT_TRUE(merge.AddTrack(failing, 0));
    EXPECT_FALSE(merge.AddTrack(unreadable, 0));
    EXPECT_FALSE(merge.Run());
    EXPECT_EQ(Written(out), (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 1, 100),
                                                Channel(0, EventKind::NoteOn, 0, 2, 100), EndOfTrack(10)}));
    EXPECT_FALSE(out.IsOpen());
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
    COpenRecorder drumOut, bassOut;
    CPropPattUnmerge split(*input.Decoder(), nullptr);
    split.AddChannelSink(drumOut, 9, 0);
    split.AddChannelSink(bassOut, 8, 0);
    EXPECT_EQ(split.Run(0, 100000), 768);
    EXPECT_EQ(Written(drumOut),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 36, 100),
                                  Channel(192, EventKind::NoteOff, 0, 36, 64), EndOfTrack(768)}));
    EXPECT_EQ(Written(bassOut),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 40, 100),
                                  Channel(0, EventKind::NoteOn, 0, 47, 100), EndOfTrack(768)}));
}
