// Splitting one stream by channel into per-channel encoders.
#include "SmfTestSupport.h"
#include "packed/CPropPattUnmerge.h"

#include <gtest/gtest.h>

using namespace smftest;

namespace {
class PattUnmerge : public PoolCheckedTest {};

uint32_t On(uint8_t channel, uint8_t key)
{
    return CEvent::ChannelHeader(EventKind::NoteOn, channel, key, 100);
}

uint32_t Expression(uint8_t channel)
{
    return CEvent::ChannelHeader(EventKind::Control, channel, 11, 90);
}

constexpr uint32_t End = CEvent::EndOfTrackHeader;
constexpr uint32_t Text = 0x00010109; // Meta 0x01, one byte (0)
// An empty system exclusive event (no buffer): never distributed.
constexpr uint32_t SysEx = static_cast<uint32_t>(EventKind::SysEx);

// Takes control change 11 at tick 0, like the style filter, and records what it was offered.
class CExpressionFilter : public CFilterOut {
public:
    bool Accept(const CEvent& event, uint32_t time) override
    {
        offered.push_back(Capture(time, event));
        return time == 0 && event.Kind() == EventKind::Control && event.Data1() == 11;
    }
    std::vector<Timed> offered;
};
} // namespace

TEST_F(PattUnmerge, SendsChannelEventsToTheirSinkAndMetaEventsToTheMetaSink)
{
    CScriptedDecoder source({{0, {Expression(2), On(2, 40), On(5, 50), On(7, 60)}},
                             {0, {Text}},
                             {0, {SysEx}},
                             {10, {Expression(2)}},
                             {40, {Text, End}}});
    CExpressionFilter filter;
    COpenRecorder bass, piano, tempo;
    CPropPattUnmerge split(source, &filter);
    split.AddChannelSink(bass, 2, 0);
    split.AddChannelSink(piano, 5, CPropPattUnmerge::KeepChannel);
    split.AddMetaSink(tempo);
    EXPECT_EQ(split.Run(0, 1000), 40);
    // Channel 7 has no sink; the expression at 0 is taken by the filter, the one at 10 is not.
    EXPECT_EQ(Written(bass),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 40, 100),
                                  Channel(10, EventKind::Control, 0, 11, 90), EndOfTrack(40)}));
    EXPECT_EQ(Written(piano),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 5, 50, 100), EndOfTrack(40)}));
    EXPECT_EQ(Written(tempo), (std::vector<Timed>{{0, Text, {0}}, {40, Text, {0}}, EndOfTrack(40)}));
    for (const COpenRecorder* sink : {&bass, &piano, &tempo})
        EXPECT_FALSE(sink->IsOpen());
    EXPECT_EQ(filter.offered.size(), 5u) << "only channel events are offered";
    EXPECT_EQ(filter.offered[4], Channel(10, EventKind::Control, 2, 11, 90));
}

TEST_F(PattUnmerge, SendsEveryChannelToASingleSinkUnfiltered)
{
    CScriptedDecoder source({{0, {Expression(2), On(9, 36)}}, {0, {Text}}, {5, {On(15, 1)}}, {20, {End}}});
    CExpressionFilter filter;
    COpenRecorder all;
    CPropPattUnmerge split(source, &filter);
    split.AddChannelSink(all, CPropPattUnmerge::AllChannels, 0);
    EXPECT_EQ(split.Run(0, 1000), 20);
    EXPECT_EQ(Written(all), (std::vector<Timed>{Channel(0, EventKind::Control, 0, 11, 90),
                                                Channel(0, EventKind::NoteOn, 0, 36, 100),
                                                Channel(5, EventKind::NoteOn, 0, 1, 100), EndOfTrack(20)}));
    EXPECT_TRUE(filter.offered.empty());
}

TEST_F(PattUnmerge, SkipsEventsCountingInsideChains)
{
    // Skipping 4 drops the first chain (3 events) and the first event of the second.
    CScriptedDecoder source(
        {{0, {On(0, 1), On(0, 2), On(0, 3)}}, {10, {On(0, 4), On(0, 5), On(0, 6)}}, {20, {End}}});
    COpenRecorder sink;
    CPropPattUnmerge split(source, nullptr);
    split.AddChannelSink(sink, 0, 0);
    EXPECT_EQ(split.Run(4, 1000), 20);
    EXPECT_EQ(Written(sink), (std::vector<Timed>{Channel(10, EventKind::NoteOn, 0, 5, 100),
                                                 Channel(10, EventKind::NoteOn, 0, 6, 100), EndOfTrack(20)}));
}

TEST_F(PattUnmerge, GivesEverySinkOneEndOfTrackAtTheEndTime)
{
    CScriptedDecoder source({{0, {On(0, 1)}}, {96, {On(0, 2), On(1, 3)}}, {100, {On(0, 4)}}, {500, {End}}});
    COpenRecorder first, second, tempo;
    CPropPattUnmerge split(source, nullptr);
    split.AddChannelSink(first, 0, 0);
    split.AddChannelSink(second, 1, 1);
    split.AddMetaSink(tempo);
    // Chains at the end time are still distributed, later ones are not read.
    EXPECT_EQ(split.Run(0, 96), 96);
    EXPECT_EQ(Written(first),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 1, 100),
                                  Channel(96, EventKind::NoteOn, 0, 2, 100), EndOfTrack(96)}));
    EXPECT_EQ(Written(second),
              (std::vector<Timed>{Channel(96, EventKind::NoteOn, 1, 3, 100), EndOfTrack(96)}));
    EXPECT_EQ(Written(tempo), (std::vector<Timed>{EndOfTrack(96)}));
    for (const COpenRecorder* sink : {&first, &second, &tempo})
        EXPECT_FALSE(sink->IsOpen());
}

TEST_F(PattUnmerge, ClosesSinksTheSkippedStreamNeverReached)
{
    CScriptedDecoder source({{0, {On(0, 1)}}, {30, {End}}});
    COpenRecorder sink;
    CPropPattUnmerge split(source, nullptr);
    split.AddChannelSink(sink, 0, 0);
    EXPECT_EQ(split.Run(5, 1000), 30);
    EXPECT_EQ(Written(sink), (std::vector<Timed>{EndOfTrack(30)}));
    EXPECT_FALSE(sink.IsOpen());
}

TEST_F(PattUnmerge, AnswersMinusOneWhenTheSourceFails)
{
    CScriptedDecoder source({{0, {On(0, 1)}}, {30, {On(0, 2)}}, {40, {End}}});
    source.FailAt(1);
    COpenRecorder sink;
    CPropPattUnmerge split(source, nullptr);
    split.AddChannelSink(sink, 0, 0);
    EXPECT_EQ(split.Run(0, 1000), -1);
    CScriptedDecoder unreadable({{0, {On(0, 1)}}, {10, {End}}});
    unreadable.FailRewind();
    CPropPattUnmerge none(unreadable, nullptr);
    EXPECT_EQ(none.Run(0, 1000), -1);
}
