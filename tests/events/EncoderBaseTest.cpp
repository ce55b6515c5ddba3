#include "events/CEncoderBase.h"
#include "events/Trace.h"
#include "support/EventFakes.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {
using TimedHeaders = std::vector<std::pair<uint32_t, uint32_t>>;

// Builds a chain from headers (all inline data 0); the caller owns it.
CChainPtr Chain(std::initializer_list<uint32_t> headers)
{
    CLinkedEvent* first = nullptr;
    CLinkedEvent** link = &first;
    for (uint32_t header : headers) {
        *link = EventsPool().GetNewEvent(header, 0);
        link = &(*link)->next;
    }
    return CChainPtr(first);
}

uint32_t On(uint8_t key, uint8_t channel = 0)
{
    return CEvent::ChannelHeader(EventKind::NoteOn, channel, key, 100);
}
uint32_t Off(uint8_t key, uint8_t channel = 0)
{
    return CEvent::ChannelHeader(EventKind::NoteOff, channel, key, 64);
}
} // namespace

TEST(VarLenNum, WritesSevenBitGroupsMostSignificantFirstAndClampsAbove28Bits)
{
    struct Row {
        uint32_t value;
        std::vector<uint8_t> bytes;
        bool traced;
    };
    const Row rows[] = {
        {0, {0x00}, false},
        {127, {0x7F}, false},
        {128, {0x81, 0x00}, false},
        {0x3FFF, {0xFF, 0x7F}, false},
        {0x4000, {0x81, 0x80, 0x00}, false},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}, false},
        {0x10000000, {0xFF, 0xFF, 0xFF, 0x7F}, true},
        {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}, true}, // an earlier time wrapped to a huge delay
    };
    for (const Row& row : rows) {
        CTraceCapture capture;
        uint8_t out[5] = {0, 0, 0, 0, 0xCC};
        const int count = CEncoderBase::VarLenNum(row.value, out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + count), row.bytes) << std::hex << row.value;
        EXPECT_EQ(out[4], 0xCC);
        EXPECT_EQ(capture.Contains("CEncoderBase::VarLenNum - dwValue >= 2^28"), row.traced)
            << std::hex << row.value;
    }
}

TEST(EncoderBase, DispatchesByClassSkipsFillersAndRefusesClasslessEvents)
{
    {
        CRecordingEncoder encoder;
        encoder.Open();
        EXPECT_TRUE(encoder.WriteChainAt(10, Chain({On(60), On(64)}).get()));
        EXPECT_TRUE(
            encoder.WriteChainAt(20, Chain({CEvent::FillerHeader, CEvent::MetaHeader(3, 0, false)}).get()));
        EXPECT_FALSE(encoder.WriteChainAt(30, Chain({CEvent::EmptyHeader}).get()));
        EXPECT_FALSE(encoder.WriteChainAt(30, Chain({On(1), CEvent::EmptyHeader, On(2)}).get()));
        EXPECT_FALSE(encoder.WriteChainAt(30, nullptr));
        EXPECT_EQ(
            encoder.TimesAndHeaders(),
            (TimedHeaders{{10, On(60)}, {10, On(64)}, {20, CEvent::MetaHeader(3, 0, false)}, {30, On(1)}}));
        EXPECT_EQ(encoder.written[1].delta, 0u);
        EXPECT_EQ(encoder.written[2].delta, 10u);
    }
    ExpectPoolsFull();
}

TEST(EncoderBase, StopsAtTheFirstFailedWrite)
{
    CRecordingEncoder encoder;
    encoder.Open();
    encoder.failAt = 1;
    EXPECT_FALSE(encoder.WriteChainAt(0, Chain({On(1), On(2), On(3)}).get()));
    EXPECT_EQ(encoder.written.size(), 1u);
}

TEST(EncoderBase, EndOfTrackIsNeverWrittenBeforeTheLastWrittenEvent)
{
    CRecordingEncoder encoder;
    encoder.Open();
    encoder.WriteChainAt(500, Chain({On(60)}).get());
    EXPECT_TRUE(encoder.WriteEndOfTrackAt(300));
    ASSERT_EQ(encoder.written.size(), 2u);
    EXPECT_EQ(encoder.written[1].time, 500u);
    EXPECT_EQ(encoder.written[1].delta, 0u);
}

TEST(EncoderBase, QuantisesOntoA96TickGridWritingOffsBeforeHeldOns)
{
    {
        CRecordingEncoder encoder;
        encoder.SetQuantize(96);
        encoder.Open();
        EXPECT_TRUE(encoder.WriteChainAt(100, Chain({On(60)}).get())); // rounded down: written at 96
        EXPECT_TRUE(encoder.WriteChainAt(150, Chain({On(62)}).get())); // rounded up: held for 192
        EXPECT_EQ(encoder.TimesAndHeaders(), (TimedHeaders{{96, On(60)}}));
        EXPECT_TRUE(encoder.WriteChainAt(160, Chain({Off(61)}).get())); // no held on: written at 192
        EXPECT_EQ(encoder.TimesAndHeaders(), (TimedHeaders{{96, On(60)}, {192, Off(61)}}));
        EXPECT_TRUE(encoder.WriteChainAt(170, Chain({Off(62)}).get())); // its on is held: deferred too
        EXPECT_TRUE(encoder.WriteChainAt(400, Chain({CEvent::EndOfTrackHeader}).get()));
        EXPECT_TRUE(encoder.Close());
        EXPECT_EQ(encoder.TimesAndHeaders(),
                  (TimedHeaders{{96, On(60)},
                                {192, Off(61)},
                                {192, On(62)},
                                {192, Off(62)},
                                {400, CEvent::EndOfTrackHeader}})); // meta events keep their time
    }
    ExpectPoolsFull();
}

TEST(EncoderBase, DeferredMetaEventsShareTheirBuffersAndFlushAtTheirOwnTime)
{
    {
        CRecordingEncoder encoder;
        encoder.SetQuantize(96);
        encoder.Open();
        CLinkedEvent* text = EventsPool().GetNewEvent();
        const uint8_t bytes[] = {'v', 'e', 'r', 's', 'e', ' ', '1'};
        text->SetMeta(0x01, bytes, sizeof bytes);
        CChainPtr chain(text);
        EXPECT_TRUE(encoder.WriteChainAt(100, chain.get())); // after the grid point: deferred
        chain.reset(); // the caller's copy goes; the deferred one stays valid
        EXPECT_TRUE(encoder.written.empty());
        EXPECT_TRUE(encoder.Close());
        ASSERT_EQ(encoder.written.size(), 1u);
        EXPECT_EQ(encoder.written[0].time, 100u);
        EXPECT_EQ(encoder.written[0].bytes, std::vector<uint8_t>(bytes, bytes + sizeof bytes));
    }
    ExpectPoolsFull();
}

TEST(EncoderBase, DeferralFailsCleanlyWhenTheEventPoolIsExhausted)
{
    {
        CRecordingEncoder encoder;
        encoder.SetQuantize(96);
        encoder.Open();
        CChainPtr chain = Chain({On(60), On(61)});
        std::vector<CLinkedEvent*> taken;
        while (EventsPool().FreeCount() > 1)
            taken.push_back(EventsPool().GetNewEvent());
        EXPECT_FALSE(encoder.WriteChainAt(150, chain.get())); // room to defer one of the two
        for (CLinkedEvent* e : taken)
            EventsPool().ReleaseEvents(e);
    }
    ExpectPoolsFull();
}

TEST(EncoderBase, DecodedEventsReachTheEncoderAtTheirAbsoluteTimes)
{
    {
        CFakeDecoder decoder(96, {FakeChannel(24, EventKind::Program, 2, 5), FakeNote(0, 2, 60, 96),
                                  FakeSysEx(24, {0xF0, 0x7E, 0xF7}), FakeEndOfTrack(48)});
        CRecordingEncoder encoder;
        encoder.Open();
        ASSERT_TRUE(TransferEvents(decoder, encoder));
        EXPECT_TRUE(encoder.Close());
        ASSERT_EQ(encoder.written.size(), 4u);
        EXPECT_EQ(encoder.written[1].time, 96u);
        EXPECT_EQ(encoder.written[1].inlineData, CEvent::NoteData(96, 64));
        EXPECT_EQ(encoder.written[2].time, 192u);
        EXPECT_EQ(encoder.written[2].bytes, (std::vector<uint8_t>{0xF0, 0x7E, 0xF7}));
        EXPECT_EQ(encoder.written[3].time, 384u);
        EXPECT_EQ(encoder.written[3].delta, 192u);
    }
    ExpectPoolsFull();
}
