#include "events/CDecStream.h"
#include "events/Trace.h"
#include "support/EventFakes.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
// One delivered chain: the headers of its events and the delay answered with it.
struct Delivered {
    std::vector<uint32_t> headers;
    int32_t delay;
};

// Rewinds and drains a decoder; the first delay is reported as the first element's delay of `first`.
std::vector<Delivered> Drain(CDecStream& decoder, int32_t* first = nullptr)
{
    const int32_t start = decoder.OnRewind();
    if (first)
        *first = start;
    std::vector<Delivered> result;
    if (start < 0)
        return result;
    for (int guard = 0; guard < 10000; ++guard) {
        CLinkedEvent* chain = nullptr;
        const int32_t delay = decoder.ExtractEvent(chain);
        Delivered d{{}, delay};
        for (const CLinkedEvent* e = chain; e; e = e->next)
            d.headers.push_back(e->header);
        EventsPool().ReleaseEvents(chain);
        result.push_back(d);
        if (delay < 0)
            break;
    }
    return result;
}

// `count` events `delay` apart, alternating between channel and meta events so that none share a chain.
std::vector<CFakeEntry> Alternating(uint32_t delay, int count)
{
    std::vector<CFakeEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(i % 2
                              ? FakeMeta(delay, 0x01, {'x'})
                              : FakeChannel(delay, EventKind::NoteOn, 0, static_cast<uint8_t>(60 + i), 100));
    entries.push_back(FakeEndOfTrack(0));
    return entries;
}

std::vector<int32_t> Delays(const std::vector<Delivered>& chains)
{
    std::vector<int32_t> delays;
    for (const Delivered& d : chains)
        delays.push_back(d.delay);
    return delays;
}

const uint32_t kOn60 = CEvent::ChannelHeader(EventKind::NoteOn, 0, 60, 100);
const uint32_t kOn61 = CEvent::ChannelHeader(EventKind::NoteOn, 0, 61, 100);
const uint32_t kTempo = CEvent::MetaHeader(0x51, 3, false);
} // namespace

TEST(DecStream, RescalesToTheInternalTimeBaseCarryingRemainders)
{
    struct Row {
        uint32_t division;
        uint32_t sourceDelay;
        std::vector<int32_t> delays; // first delay, then the delay after each chain
    };
    const Row rows[] = {
        {96, 24, {96, 96, 96, -1}},
        {480, 5, {4, 4, 4, 4, 4, -1}},           // 1920 / 480 each time, no remainder
        {1000, 1, {0, 0, 1, 0, 0, 1, 0, 1, -1}}, // 384 / 1000 accumulating
        {0, 7, {7, 7, -1}},                      // no rescaling
    };
    for (const Row& row : rows) {
        const int count = static_cast<int>(row.delays.size()) - 1;
        CFakeDecoder decoder(row.division, Alternating(row.sourceDelay, count));
        int32_t first = 0;
        std::vector<int32_t> delays = Delays(Drain(decoder, &first));
        delays.insert(delays.begin(), first);
        if (count % 2 == 1) { // the End of Track follows a channel chain: one more chain, delay 0
            EXPECT_EQ(delays[delays.size() - 2], 0);
            delays.erase(delays.end() - 2);
        }
        EXPECT_EQ(delays, row.delays) << "division " << row.division;
        EXPECT_TRUE(decoder.IsFinished());
    }
    ExpectPoolsFull();
}

TEST(DecStream, GroupsOneKindClassPerChainAndEndOfTrackEndsTheLast)
{
    CFakeDecoder decoder(0, {
                                FakeChannel(0, EventKind::NoteOn, 0, 60, 100),
                                FakeChannel(0, EventKind::NoteOn, 0, 61, 100), // same time, same class
                                FakeMeta(0, 0x51, {7, 0xA1, 0x20}),            // same time, other class
                                FakeChannel(10, EventKind::NoteOn, 0, 60, 100),
                                FakeMeta(0, 0x01, {'l', 'o', 'n', 'g', 'e', 'r'}),
                                FakeEndOfTrack(0),
                            });
    const std::vector<Delivered> chains = Drain(decoder);
    ASSERT_EQ(chains.size(), 4u);
    EXPECT_EQ(chains[0].headers, (std::vector<uint32_t>{kOn60, kOn61}));
    EXPECT_EQ(chains[0].delay, 0);
    EXPECT_EQ(chains[1].headers, (std::vector<uint32_t>{kTempo}));
    EXPECT_EQ(chains[1].delay, 10);
    EXPECT_EQ(chains[2].delay, 0);
    EXPECT_EQ(chains[3].headers,
              (std::vector<uint32_t>{CEvent::MetaHeader(0x01, 6, true), CEvent::EndOfTrackHeader}));
    EXPECT_EQ(chains[3].delay, -1);

    CLinkedEvent* after = reinterpret_cast<CLinkedEvent*>(1);
    EXPECT_EQ(decoder.ExtractEvent(after), -1);
    EXPECT_EQ(after, nullptr);
    ExpectPoolsFull();
}

TEST(DecStream, EndOfTrackAfterADelayComesAloneAndRewindStartsOver)
{
    CFakeDecoder decoder(96, {FakeChannel(1, EventKind::Control, 3, 7, 100), FakeEndOfTrack(2)});
    for (int pass = 0; pass < 2; ++pass) {
        int32_t first = 0;
        const std::vector<Delivered> chains = Drain(decoder, &first);
        EXPECT_EQ(first, 4);
        ASSERT_EQ(chains.size(), 2u);
        EXPECT_EQ(chains[0].delay, 8);
        EXPECT_EQ(chains[1].headers, (std::vector<uint32_t>{CEvent::EndOfTrackHeader}));
        EXPECT_EQ(chains[1].delay, -1);
    }
    ExpectPoolsFull();
}

TEST(DecStream, FailuresAnswerMinusOneWithTracesAndStayFailed)
{
    {
        CTraceCapture capture;
        CFakeDecoder decoder(0, {FakeChannel(0, EventKind::NoteOn, 0, 60, 1), FakeMeta(0, 3, {1, 2, 3, 4, 5}),
                                 FakeResult(CDecStream::ReadFailed)});
        const std::vector<Delivered> chains = Drain(decoder);
        ASSERT_EQ(chains.size(), 2u);
        EXPECT_EQ(chains[1].headers.size(), 0u);
        EXPECT_EQ(chains[1].delay, -1);
        EXPECT_TRUE(capture.Contains("CDecStream::ExtractEvent(...) - Extraction failed"));
        EXPECT_TRUE(decoder.HasFailed());
        EXPECT_FALSE(decoder.IsFinished());
        EXPECT_EQ(decoder.OnRewind(), -1); // a failed decoder stays failed
    }
    {
        CTraceCapture capture;
        CFakeDecoder decoder(0, Alternating(1, 1));
        decoder.failRewind = true;
        EXPECT_EQ(decoder.OnRewind(), -1);
        EXPECT_TRUE(capture.Contains("CDecStream::OnRewind () - Failed"));
        CLinkedEvent* chain = nullptr;
        EXPECT_EQ(decoder.ExtractEvent(chain), -1);
        EXPECT_EQ(chain, nullptr);
    }
    {
        CFakeDecoder decoder(0, {FakeChannel(0, EventKind::NoteOn, 0, 60, 1)}); // no End of Track
        EXPECT_EQ(Drain(decoder).back().delay, -1);
        EXPECT_TRUE(decoder.HasFailed());
    }
    ExpectPoolsFull();
}

TEST(DecStream, ExhaustedEventPoolFailsTheExtractionWithoutLeaking)
{
    std::vector<CLinkedEvent*> taken;
    while (EventsPool().FreeCount() > 2)
        taken.push_back(EventsPool().GetNewEvent());
    {
        // Three simultaneous notes need a chain of three records plus the look-ahead.
        CFakeDecoder decoder(0, {FakeChannel(0, EventKind::NoteOn, 0, 60, 1),
                                 FakeChannel(0, EventKind::NoteOn, 0, 61, 1),
                                 FakeChannel(0, EventKind::NoteOn, 0, 62, 1), FakeEndOfTrack(0)});
        CTraceCapture capture;
        const std::vector<Delivered> chains = Drain(decoder);
        ASSERT_EQ(chains.size(), 1u);
        EXPECT_EQ(chains[0].delay, -1);
        EXPECT_TRUE(chains[0].headers.empty());
        EXPECT_TRUE(capture.Contains("Pool of events is exhausted"));
        EXPECT_TRUE(decoder.HasFailed());
    }
    {
        std::vector<CLinkedEvent*> last{EventsPool().GetNewEvent(), EventsPool().GetNewEvent()};
        CFakeDecoder decoder(0, Alternating(0, 1));
        EXPECT_EQ(decoder.OnRewind(), -1); // no record for the look-ahead
        for (CLinkedEvent* e : last)
            EventsPool().ReleaseEvents(e);
    }
    for (CLinkedEvent* e : taken)
        EventsPool().ReleaseEvents(e);
    ExpectPoolsFull();
}

TEST(DecStream, WaitingInputBecomesFillerEventsWhoseTimeIsPaidBackLater)
{
    // Division 200: the idle delay is 200 * 10 / 200 = 10 source ticks.
    CFakeDecoder decoder(200, {FakeResult(CDecStream::ReadWaiting),
                               FakeChannel(25, EventKind::NoteOn, 0, 60, 1), FakeEndOfTrack(0)});
    int32_t first = 0;
    const std::vector<Delivered> chains = Drain(decoder, &first);
    EXPECT_EQ(first, 10); // filler delays are not rescaled
    ASSERT_EQ(chains.size(), 3u);
    EXPECT_EQ(chains[0].headers, (std::vector<uint32_t>{CEvent::FillerHeader}));
    EXPECT_EQ(chains[0].delay, (25 - 10) * 384 / 200); // the debt is taken off the next delay
    ExpectPoolsFull();
}

TEST(DecStream, DestroyingMidStreamReleasesTheLookAhead)
{
    {
        CFakeDecoder decoder(0, {FakeMeta(0, 3, std::vector<uint8_t>(40, 'x')), FakeEndOfTrack(5)});
        ASSERT_EQ(decoder.OnRewind(), 0);
        EXPECT_EQ(decoder.PendingClass(), EventClass::Meta);
    }
    ExpectPoolsFull();
}
