// Packed stream encoding: delays, running channel, note mode, closing checks and the subclasses.
#include "PackedTestSupport.h"
#include "events/Trace.h"
#include "packed/CEncResource.h"
#include "packed/CGrowBuffer.h"
#include "packed/CHeap.h"
#include "packed/CMemEncoder.h"

using K = EventKind;

namespace {
Bytes Written(const CEncoderProp& encoder)
{
    return Bytes(encoder.Data(), encoder.Data() + encoder.Size());
}
} // namespace

class EncoderProp : public PackedTest {};

TEST_F(EncoderProp, DelaysUseAsFewGroupsAsPossible)
{
    const struct {
        uint32_t ticks;
        Bytes bytes;
        int result;
    } rows[] = {
        {0, {}, 1},
        {1, {0x81}, 1},
        {127, {0xFF}, 1},
        {128, {0x81, 0x80}, 1},
        {0x3FFF, {0xFF, 0xFF}, 1},
        {0x4000, {0x81, 0x80, 0x80}, 1},
        {0x1FFFFF, {0xFF, 0xFF, 0xFF}, 1},
        {0x200000, {0x81, 0x80, 0x80, 0x80}, 1},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}, 1},
        {0x10000000, {}, 0}, // out of range: nothing written
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ticks);
        uint8_t out[8] = {};
        uint8_t* cursor = out;
        int count = -1;
        EXPECT_EQ(PropFormEncodeDelta(row.ticks, cursor, count), row.result);
        EXPECT_EQ(Bytes(out, cursor), row.bytes);
        EXPECT_EQ(count, static_cast<int>(row.bytes.size()));
    }
}

TEST_F(EncoderProp, RunningChannelChangesOnlyWhenNeededAndMetaLeavesItAlone)
{
    const Bytes bytes =
        EncodeAll({Channel(0, K::Control, 9, 7, 100), Channel(0, K::Control, 9, 10, 64),
                   Channel(0, K::NoteOn, 8, 0x24, 0x40), MetaEvent(0, 6, {'A'}), Channel(0, K::Program, 8, 5),
                   Channel(0, K::Program, 0, 6), Channel(0, K::Program, 127, 7)},
                  false);
    const Bytes expected = {0x43, 0x09, 0x07, 0xE4,       // channel 0 -> 9
                            0x03, 0x0A, 0xC0,             // still 9
                            0x41, 0x7F, 0x24, 0xC0,       // 9 -> 8 is the increment 0x7F
                            0x09, 0x06, 0x00, 0x01, 0x41, // Meta: no increment
                            0x04, 0x85,                   // still 8
                            0x44, 0x78, 0x86,             // 8 -> 0
                            0x44, 0x7F, 0x87};            // 0 -> 127
    EXPECT_TRUE(SameSequence(bytes, expected));
}

TEST_F(EncoderProp, CodesDurationsExactlyThenInSteps)
{
    const struct {
        uint32_t duration;
        uint8_t high, low;
        uint32_t decoded;
    } rows[] = {
        {8191, 0x3F, 0x7F, 8191},     {8192, 0x44, 0x00, 8192},       {8200, 0x44, 0x00, 8192},
        {8207, 0x44, 0x00, 8192},     {8208, 0x44, 0x01, 8208},       {131056, 0x7F, 0x7F, 131056},
        {131057, 0x7F, 0x7F, 131056}, {0xFFFFFF, 0x7F, 0x7F, 131056},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.duration);
        const Bytes bytes = EncodeAll({NoteEvent(0, 0, 0x3C, 0x64, row.duration, 0x40)}, true);
        EXPECT_EQ(bytes, (Bytes{0x07, 0x3C, 0x64, row.high, row.low, 0xC0}));
        const auto decoded = DecodeAll(bytes);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].word & 0xFFFFFF, row.decoded);
    }
}

TEST_F(EncoderProp, KeepsMetaInlineOrBufferedAsTheDecoderDoes)
{
    for (size_t length : {0u, 4u, 5u, 200u}) {
        SCOPED_TRACE(length);
        Bytes data(length);
        for (size_t i = 0; i < length; ++i)
            data[i] = static_cast<uint8_t>(0x80 + i); // stored as they are, bit 7 and all
        const std::vector<TimedEvent> events = {MetaEvent(3, 1, data), EndOfTrack(3)};
        const Bytes bytes = EncodeAll(events, false);
        EXPECT_EQ(bytes.size(), 1 + 4 + length + 4);
        EXPECT_TRUE(SameSequence(DecodeAll(bytes), events));
    }
}

TEST_F(EncoderProp, ChoosesTheSysExFormFromTheFramingBytes)
{
    const struct {
        Bytes message;
        Bytes stored;
    } rows[] = {
        {{0xF0, 0x41, 0xF7}, {0x0A, 0x00, 0x00, 0x01, 0xC1}},
        {{0xF0, 0x41, 0x42}, {0x0A, 0x01, 0x00, 0x02, 0x41, 0xC2}},
        {{0x41, 0x42}, {0x0A, 0x02, 0x00, 0x02, 0x41, 0xC2}},
        {{0x41, 0x42, 0xF7}, {0x0A, 0x03, 0x00, 0x02, 0x41, 0xC2}},
        {{0xF0, 0xF7}, {0x0A, 0x00, 0x00, 0x00}}, // nothing stored: no mark on the length byte
        {{0xF0}, {0x0A, 0x01, 0x00, 0x00}},
        {{0xF7}, {0x0A, 0x03, 0x00, 0x00}},
        {{}, {0x0A, 0x02, 0x00, 0x00}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.message));
        const Bytes bytes = EncodeAll({SysExEvent(0, row.message)}, false);
        EXPECT_EQ(bytes, row.stored);
        EXPECT_TRUE(SameSequence(DecodeAll(bytes), {SysExEvent(0, row.message)}));
    }
}

TEST_F(EncoderProp, NoteModeClosesTheMostRecentNoteAndDropsRedundantOffs)
{
    CTraceCapture capture;
    CMemEncoder encoder(CNoteForm::Paired);
    WriteAll(encoder, {Channel(0, K::NoteOn, 0, 60, 100), Channel(10, K::NoteOn, 0, 60, 90),
                       Channel(30, K::NoteOff, 0, 60, 33), Channel(40, K::NoteOff, 0, 61, 1),
                       Channel(50, K::SoundOff, 0, 60, 1)});
    EXPECT_TRUE(capture.Contains("CEncoderProp::OnChannelMsg - Redundant Note-Off not encoded."));
    EXPECT_TRUE(capture.Contains("CEncoderProp::OnChannelMsg - Redundant Sound-Off not encoded."));
    // The later note got the off (20 ticks, velocity 33); the earlier is still open.
    EXPECT_TRUE(SameSequence(DecodeAll(Written(encoder)),
                             {NoteEvent(0, 0, 60, 100, 0, 0), NoteEvent(10, 0, 60, 90, 20, 33)}));
    EXPECT_EQ(encoder.GetEndTime(), 30u);

    encoder.ShutNotes(96);
    EXPECT_TRUE(capture.Contains("NOTE Shut"));
    EXPECT_TRUE(SameSequence(DecodeAll(Written(encoder)),
                             {NoteEvent(0, 0, 60, 100, 96, 64), NoteEvent(10, 0, 60, 90, 20, 33)}));
    EXPECT_EQ(encoder.GetEndTime(), 96u);
}

TEST_F(EncoderProp, ShutNotesClosesSoundsAndNotesOnEveryChannel)
{
    CTraceCapture capture;
    CMemEncoder encoder(CNoteForm::Paired);
    WriteAll(encoder, {Channel(0, K::SoundOn, 3, 40, 100), Channel(5, K::NoteOn, 9, 36, 80)});
    encoder.ShutNotes(20);
    EXPECT_TRUE(capture.Contains("SOUND Shut"));
    EXPECT_TRUE(SameSequence(DecodeAll(Written(encoder)),
                             {NoteEvent(0, 3, 40, 100, 20, 64, K::Sound), NoteEvent(5, 9, 36, 80, 15, 64)}));
    capture.Clear();
    encoder.Close();
    EXPECT_FALSE(capture.Contains("Tracer is not empty"));
}

TEST_F(EncoderProp, ClosingChecksForOpenNotesAndEndOfTrack)
{
    {
        CTraceCapture capture;
        CMemEncoder encoder(CNoteForm::Paired);
        WriteAll(encoder,
                 {Channel(0, K::NoteOn, 0, 60, 100), Channel(0, K::SoundOn, 0, 61, 100), EndOfTrack(4)});
        EXPECT_TRUE(encoder.Close());
        EXPECT_TRUE(capture.Contains("CEncoderProp::OnClose() - Note Tracer is not empty"));
        EXPECT_TRUE(capture.Contains("CEncoderProp::OnClose() - Sound Tracer is not empty"));
        EXPECT_FALSE(capture.Contains("EOT not found"));
        EXPECT_FALSE(encoder.Close());
    }
    // Nothing, two bytes and three bytes written, none an End of Track.
    for (const std::vector<TimedEvent>& written :
         {std::vector<TimedEvent>{}, {Channel(0, K::Program, 0, 1)}, {Channel(0, K::Control, 0, 1, 2)}}) {
        CTraceCapture capture;
        CMemEncoder encoder(CNoteForm::Split);
        WriteAll(encoder, written);
        EXPECT_TRUE(encoder.Close());
        EXPECT_TRUE(capture.Contains("CEncoderProp::Close() - EOT not found")) << encoder.Size();
    }
}

TEST_F(EncoderProp, NotePoolOf64RefusesTheNextNoteAndKeepsItsPlaceholder)
{
    CTraceCapture capture;
    CMemEncoder encoder(CNoteForm::Paired);
    for (uint8_t key = 0; key < 65; ++key)
        WriteAll(encoder, {Channel(0, K::NoteOn, 0, key, 100)});
    EXPECT_TRUE(capture.Contains("CNoteInfoPool::GetNewNote() - Pool of notes is exhausted"));
    EXPECT_EQ(CNoteInfoPool::Instance().FreeCount(), 0u);
    WriteAll(encoder, {Channel(10, K::NoteOff, 0, 64, 50), Channel(10, K::NoteOff, 0, 63, 50)});
    const auto decoded = DecodeAll(Written(encoder));
    ASSERT_EQ(decoded.size(), 65u);
    EXPECT_EQ(decoded[64], NoteEvent(0, 0, 64, 100, 0, 0)); // refused: placeholder stays
    EXPECT_EQ(decoded[63], NoteEvent(0, 0, 63, 100, 10, 50));
}

TEST_F(EncoderProp, SplitsNotesIntoOnsAndOffsAtTheirTimes)
{
    CMemEncoder encoder(CNoteForm::Split);
    WriteAll(encoder, {NoteEvent(0, 2, 60, 100, 96, 40), NoteEvent(0, 2, 62, 90, 0, 30),
                       Channel(50, K::Control, 2, 1, 5), NoteEvent(60, 2, 64, 80, 10, 0, K::Sound)});
    encoder.Finish(200);
    EXPECT_TRUE(SameSequence(DecodeAll(Written(encoder)),
                             {Channel(0, K::NoteOn, 2, 60, 100), Channel(0, K::NoteOn, 2, 62, 90),
                              Channel(0, K::NoteOff, 2, 62, 30), Channel(50, K::Control, 2, 1, 5),
                              Channel(60, K::SoundOn, 2, 64, 80), Channel(70, K::SoundOff, 2, 64, 0),
                              Channel(96, K::NoteOff, 2, 60, 40), EndOfTrack(200)}));
}

TEST_F(EncoderProp, RefusesWhatItCannotWrite)
{
    uint8_t buffer[16];
    CMemEncoder encoder(buffer, sizeof buffer, CNoteForm::Split);
    CEvent note;
    note.header = CEvent::ChannelHeader(K::Note, 0, 60, 100);
    EXPECT_TRUE(encoder.OnChannelMsg(0, note)); // split: the memory encoder's own path
    CEvent unused;
    unused.header = CEvent::ChannelHeader(K::Unused, 0, 1, 2);
    EXPECT_FALSE(encoder.OnChannelMsg(0, unused));
    EXPECT_FALSE(encoder.OnChannelMsg(0, CEvent{}));

    CEncoderProp plain;
    plain.SetNoteMode(false);
    plain.SetOutput(buffer, sizeof buffer);
    plain.Open();
    EXPECT_FALSE(plain.OnChannelMsg(0, note)); // Note outside note mode
}

TEST_F(EncoderProp, FullBufferWritesNothingOfTheEvent)
{
    uint8_t buffer[14] = {};
    CMemEncoder encoder(buffer, sizeof buffer, CNoteForm::Split);
    CEvent control;
    control.header = CEvent::ChannelHeader(K::Control, 0, 7, 100);
    EXPECT_TRUE(encoder.OnChannelMsg(0, control)); // 3 bytes, 11 left
    EXPECT_TRUE(encoder.OnChannelMsg(0, control)); // 6 bytes, 8 left: the next needs 11
    EXPECT_FALSE(encoder.OnChannelMsg(0, control));
    EXPECT_EQ(encoder.Size(), 6u);
    CLinkedEvent meta;
    meta.SetMeta(1, reinterpret_cast<const uint8_t*>("ab"), 2);
    EXPECT_FALSE(encoder.OnMetaEvent(0, meta)); // needs 2 + 8
    EXPECT_EQ(encoder.Size(), 6u);
}

TEST_F(EncoderProp, RefusesDataLongerThanTwoLengthGroupsHold)
{
    CTraceCapture capture;
    CMemEncoder encoder(CNoteForm::Split);
    const std::vector<TimedEvent> events = {MetaEvent(0, 1, Bytes(16384, 'x')),
                                            SysExEvent(0, Bytes(16385, 1)),
                                            MetaEvent(0, 1, Bytes(16383, 'y'))};
    for (const TimedEvent& e : events) {
        CChainPtr chain(MakeEvent(e));
        encoder.WriteChainAt(0, chain.get());
    }
    // Only the last one fits: 16383 bytes, its length written as 7F 7F.
    EXPECT_EQ(encoder.Size(), 4u + 16383u);
    EXPECT_EQ(encoder.Data()[2], 0x7F);
    EXPECT_TRUE(capture.Contains("cannot be packed"));
}

TEST_F(EncoderProp, OwnBufferGrowsAndIsHandedOver)
{
    std::vector<TimedEvent> events;
    for (uint32_t i = 0; i < 5000; ++i)
        events.push_back(
            Channel(i, K::Control, static_cast<uint8_t>(i % 3), 1, static_cast<uint8_t>(i & 0x7F)));
    events.push_back(EndOfTrack(5000));
    CMemEncoder encoder(CNoteForm::Split);
    WriteAll(encoder, events);
    const uint32_t size = encoder.Size();
    std::unique_ptr<uint8_t[]> bytes = encoder.DetachBuffer();
    ASSERT_NE(bytes, nullptr);
    EXPECT_TRUE(SameSequence(DecodeAll(bytes.get(), size), events));
    EXPECT_EQ(encoder.Size(), 0u);
}

TEST_F(EncoderProp, ResourceEncoderInsertsIntoAGrowableTarget)
{
    CGrowBuffer target(reinterpret_cast<const uint8_t*>("headtail"), 8);
    {
        CEncResource encoder(target, 3, 4);
        ASSERT_TRUE(encoder.Open());
        WriteAll(encoder, {Channel(0, K::Program, 1, 5), MetaEvent(1, 1, Bytes(20, 'x')), EndOfTrack(2)});
        EXPECT_TRUE(encoder.Close());
    }
    const Bytes inserted =
        EncodeAll({Channel(0, K::Program, 1, 5), MetaEvent(1, 1, Bytes(20, 'x')), EndOfTrack(2)}, false);
    const Bytes expected = Concat({{'h', 'e', 'a', 'd'}, inserted, {'t', 'a', 'i', 'l'}});
    EXPECT_TRUE(SameSequence(Bytes(target.Begin(), target.Begin() + target.Used()), expected));
}

TEST_F(EncoderProp, SlotRecordsAreRebasedOntoTheRunningChannel)
{
    // Records packed on running channel 4: one with no increment, one moving to 6, one to 0.
    const Bytes plainRecord = {0x81, 0x04, 0x85};
    const Bytes toSix = {0x44, 0x02, 0x86};
    const Bytes toZero = {0x44, 0x7C, 0x87};
    CMemEncoder encoder(CNoteForm::Split);
    WriteAll(encoder, {Channel(0, K::Program, 6, 1)});              // running channel 6
    EXPECT_TRUE(encoder.OnSlotRecord(plainRecord.data(), 3, 4, 4)); // gains an increment 6 -> 4
    EXPECT_TRUE(encoder.OnSlotRecord(toSix.data(), 3, 4, 6));       // 4 -> 6 now needs one again
    EXPECT_TRUE(encoder.OnSlotRecord(toSix.data(), 3, 4, 6));       // already on 6: increment dropped
    EXPECT_TRUE(encoder.OnSlotRecord(toZero.data(), 3, 4, 0));
    EXPECT_FALSE(encoder.OnSlotRecord(plainRecord.data(), 1, 4, 4)); // delta only
    EXPECT_TRUE(
        SameSequence(DecodeAll(Written(encoder)), {Channel(0, K::Program, 6, 1), Channel(0, K::Program, 4, 5),
                                                   Channel(0, K::Program, 6, 6), Channel(0, K::Program, 6, 6),
                                                   Channel(0, K::Program, 0, 7)}));
}

TEST(NoteOffHeap, PopsInTimeOrderAcrossGrowth)
{
    CHeap heap;
    EXPECT_EQ(heap.Pop(), 0u);
    const int32_t times[] = {50, 10, 40, 10, 30, 99, 0,  70, 20, 60, 80,
                             5,  15, 25, 35, 45, 55, 65, 75, 85, 95, 1};
    for (uint32_t i = 0; i < std::size(times); ++i)
        heap.Push(i, times[i]);
    int32_t previous = -1;
    for (size_t n = 0; n < std::size(times); ++n) {
        const int32_t time = heap.Top().time;
        EXPECT_EQ(times[heap.Pop()], time);
        EXPECT_GE(time, previous);
        previous = time;
    }
    EXPECT_EQ(heap.Count(), 0u);
}
