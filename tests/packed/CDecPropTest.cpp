// Packed stream decoding: the byte format, chain grouping, damaged data and the decoder's extras.
#include "PackedTestSupport.h"
#include "events/Trace.h"
#include "packed/CGrowBuffer.h"
#include "packed/CMemEncoder.h"

using K = EventKind;

namespace {
struct DecodeRow {
    const char* what;
    Bytes stream;
    std::vector<TimedEvent> expected;
};

const DecodeRow DecodeRows[] = {
    {"delta 127 is one byte",
     {0xFF, 0x03, 0x07, 0xE4, 0x09, 0x2F, 0x00, 0x00},
     {Channel(127, K::Control, 0, 7, 100), EndOfTrack(127)}},
    {"delta 128 is two bytes", {0x81, 0x80, 0x03, 0x07, 0xE4}, {Channel(128, K::Control, 0, 7, 100)}},
    {"largest delta, four bytes",
     {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x85},
     {Channel(0x0FFFFFFF, K::Program, 0, 5)}},
    {"five delta bytes are damage", {0x81, 0x81, 0x81, 0x81, 0x81, 0x04, 0x85}, {}},
    {"same time needs no delta",
     {0x04, 0x85, 0x05, 0x90},
     {Channel(0, K::Program, 0, 5), Channel(0, K::ChannelPressure, 0, 16)}},
    {"increment sets the running channel, which stays",
     {0x43, 0x09, 0x07, 0xE4, 0x81, 0x01, 0x24, 0xC0},
     {Channel(0, K::Control, 9, 7, 100), Channel(1, K::NoteOn, 9, 0x24, 0x40)}},
    {"increment 0x7F lowers the channel by one, 0 becomes 127",
     {0x40, 0x7F, 0x24, 0xC0, 0x41, 0x7F, 0x24, 0xC0},
     {Channel(0, K::NoteOff, 127, 0x24, 0x40), Channel(0, K::NoteOn, 126, 0x24, 0x40)}},
    {"all two-operand kinds",
     {0x02, 0x30, 0x85, 0x06, 0x00, 0xC0, 0x08, 0x79, 0x80, 0x0C, 0x20, 0x81, 0x0D, 0x21, 0xFF},
     {Channel(0, K::PolyPressure, 0, 0x30, 5), Channel(0, K::PitchBend, 0, 0, 64),
      Channel(0, K::ChannelMode, 0, 0x79, 0), Channel(0, K::SoundOff, 0, 0x20, 1),
      Channel(0, K::SoundOn, 0, 0x21, 127)}},
    {"Note durations: exact, coarse zero, coarse maximum",
     {0x07, 0x3C, 0x64, 0x3F, 0x7F, 0xC0, 0x07, 0x3C, 0x64, 0x40, 0x00, 0xC0, 0x0E, 0x3C, 0x64, 0x7F, 0x7F,
      0x80},
     {NoteEvent(0, 0, 0x3C, 0x64, 8191, 0x40), NoteEvent(0, 0, 0x3C, 0x64, 0, 0x40),
      NoteEvent(0, 0, 0x3C, 0x64, 131056, 0, K::Sound)}},
    {"Note duration 44 00 is 8192",
     {0x07, 0x3C, 0x64, 0x44, 0x00, 0xC0},
     {NoteEvent(0, 0, 0x3C, 0x64, 8192, 0x40)}},
    {"Meta of 4 bytes inline",
     {0x09, 0x01, 0x00, 0x04, 'a', 'b', 'c', 'd'},
     {MetaEvent(0, 1, {'a', 'b', 'c', 'd'})}},
    {"Meta of 5 bytes in a buffer",
     {0x09, 0x01, 0x00, 0x05, 'a', 'b', 'c', 'd', 'e'},
     {MetaEvent(0, 1, {'a', 'b', 'c', 'd', 'e'})}},
    {"SysEx form 0 puts back F0 and F7",
     {0x0A, 0x00, 0x00, 0x03, 0x41, 0x10, 0xC2},
     {SysExEvent(0, {0xF0, 0x41, 0x10, 0x42, 0xF7})}},
    {"SysEx form 1 puts back F0", {0x0A, 0x01, 0x00, 0x02, 0x41, 0xC2}, {SysExEvent(0, {0xF0, 0x41, 0x42})}},
    {"SysEx form 2 puts back nothing", {0x0A, 0x02, 0x00, 0x02, 0x41, 0xC2}, {SysExEvent(0, {0x41, 0x42})}},
    {"SysEx form 3 puts back F7", {0x0A, 0x03, 0x00, 0x02, 0x41, 0xC2}, {SysExEvent(0, {0x41, 0x42, 0xF7})}},
    {"SysEx of another form reads as form 3", {0x0A, 0x09, 0x00, 0x01, 0xC1}, {SysExEvent(0, {0x41, 0xF7})}},
    {"SysEx form 0 without data", {0x0A, 0x00, 0x00, 0x00}, {SysExEvent(0, {0xF0, 0xF7})}},
    {"kind 30 block skipped with its delta",
     {0x81, 0x1E, 0x05, 0x06, 0x87, 0x04, 0x85},
     {Channel(0, K::Program, 0, 5)}},
    {"kind 31 ends the data", {0x04, 0x85, 0x1F, 0x00, 0x80, 0x04, 0x86}, {Channel(0, K::Program, 0, 5)}},
    {"kind 11 stops decoding", {0x04, 0x85, 0x0B, 0x04, 0x86}, {Channel(0, K::Program, 0, 5)}},
    {"kind 20 stops decoding", {0x04, 0x85, 0x14, 0x04, 0x86}, {Channel(0, K::Program, 0, 5)}},
    {"nothing after End of Track", {0x09, 0x2F, 0x00, 0x00, 0x04, 0x85}, {EndOfTrack(0)}},
    {"private meta with first byte 1 ends",
     {0x09, 0x7E, 0x00, 0x01, 0x01, 0x04, 0x85},
     {MetaEvent(0, 0x7E, {1})}},
    {"private meta with first byte 0 goes on",
     {0x09, 0x7E, 0x00, 0x01, 0x00, 0x04, 0x85},
     {MetaEvent(0, 0x7E, {0}), Channel(0, K::Program, 0, 5)}},
    {"truncated operands", {0x04, 0x85, 0x03, 0x07}, {Channel(0, K::Program, 0, 5)}},
    {"truncated Note", {0x07, 0x3C, 0x64, 0x44}, {}},
    {"truncated Meta data", {0x09, 0x01, 0x00, 0x05, 'a', 'b'}, {}},
    {"truncated SysEx data", {0x0A, 0x00, 0x00, 0x03, 0x41}, {}},
    {"missing increment byte", {0x04, 0x85, 0x43}, {Channel(0, K::Program, 0, 5)}},
    {"delta running into the end", {0x04, 0x85, 0x81, 0x82}, {Channel(0, K::Program, 0, 5)}},
    {"unterminated kind 30 block", {0x1E, 0x05, 0x06}, {}},
};
} // namespace

class DecPropBytes : public PackedTest {};

TEST_F(DecPropBytes, DecodesEveryRowOfTheFormatTable)
{
    for (const DecodeRow& row : DecodeRows) {
        SCOPED_TRACE(row.what);
        // An exact-size heap copy lets the address sanitizer catch any read past the stream.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[row.stream.size()]);
        std::copy(row.stream.begin(), row.stream.end(), exact.get());
        EXPECT_TRUE(SameSequence(DecodeAll(exact.get(), row.stream.size()), row.expected));
    }
}

TEST_F(DecPropBytes, GroupsOneClassAtOneTimeIntoAChain)
{
    // Control, Control at 0; Meta at 0; Control at 0; Control at 1.
    const Bytes stream = {0x03, 0x07, 0xE4, 0x03, 0x0A, 0xC0, 0x09, 0x06, 0x00, 0x01, 0x41,
                          0x03, 0x01, 0x85, 0x81, 0x03, 0x02, 0x86, 0x09, 0x2F, 0x00, 0x00};
    CDecProp decoder(stream.data(), static_cast<int32_t>(stream.size()));
    std::vector<std::pair<size_t, int32_t>> chains;
    for (;;) {
        CLinkedEvent* chain = nullptr;
        const int32_t delay = decoder.ExtractEvent(chain);
        chains.emplace_back(CLinkedEvent::ChainLength(chain), delay);
        EventsPool().ReleaseEvents(chain);
        if (delay == -1)
            break;
    }
    const std::vector<std::pair<size_t, int32_t>> expected = {{2, 0}, {1, 0}, {1, 1}, {1, 0}, {1, -1}};
    EXPECT_EQ(chains, expected);
    EXPECT_TRUE(decoder.IsFinished());
    CLinkedEvent* after = reinterpret_cast<CLinkedEvent*>(1);
    EXPECT_EQ(decoder.ExtractEvent(after), -1);
    EXPECT_EQ(after, nullptr);
}

TEST_F(DecPropBytes, DamagedStreamFailsInsteadOfFinishing)
{
    const Bytes stream = {0x04, 0x85, 0x0B};
    CDecProp decoder(stream.data(), static_cast<int32_t>(stream.size()));
    CLinkedEvent* chain = nullptr;
    EXPECT_EQ(decoder.ExtractEvent(chain), -1);
    ASSERT_NE(chain, nullptr);
    EventsPool().ReleaseEvents(chain);
    EXPECT_FALSE(decoder.IsFinished());
    EXPECT_EQ(decoder.ExtractEvent(chain), -1);
    EXPECT_EQ(chain, nullptr);
}

TEST_F(DecPropBytes, ReportsAnUndecodableFirstEventButNotAnEmptyStream)
{
    CTraceCapture capture;
    const uint8_t invalid[] = {0x1F, 0x80};
    CDecProp corrupted(invalid, 2);
    EXPECT_EQ(corrupted.CurrentDelay(), -1);
    EXPECT_TRUE(capture.Contains("CDecProp::Prepare() - stream of events is corrupted"));
    EXPECT_FALSE(corrupted.IsFinished());

    capture.Clear();
    CDecProp empty(invalid, 0);
    EXPECT_EQ(empty.OnRewind(), -1);
    EXPECT_TRUE(empty.IsFinished());
    EXPECT_TRUE(capture.Lines().empty());
}

namespace {
// Refuses Control 7 and every SysEx.
class RefusingDecoder : public CDecProp {
public:
    using CDecProp::CDecProp;
    bool AcceptChannel(const CEvent& event) override
    {
        return !(event.Kind() == EventKind::Control && event.Data1() == 7);
    }
    bool AcceptSysEx(const CEvent&) override { return false; }
};
} // namespace

TEST_F(DecPropBytes, FilteredExtractionDropsRefusedEventsAndKeepsTheirTime)
{
    // Control 7, Control 10 at 0; SysEx at 5; Program at 5; End of Track.
    const Bytes stream = {0x03, 0x07, 0xE4, 0x03, 0x0A, 0xC0, 0x85, 0x0A, 0x00,
                          0x00, 0x01, 0xC1, 0x04, 0x85, 0x09, 0x2F, 0x00, 0x00};
    RefusingDecoder decoder(stream.data(), static_cast<int32_t>(stream.size()));
    std::vector<TimedEvent> got;
    uint32_t time = 0;
    int32_t delay = decoder.CurrentDelay();
    while (delay != -1) {
        time += static_cast<uint32_t>(delay);
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractFiltered(chain);
        for (const CLinkedEvent* e = chain; e; e = e->next)
            got.push_back(Describe(time, *e));
        EventsPool().ReleaseEvents(chain);
    }
    const std::vector<TimedEvent> expected = {Channel(0, K::Control, 0, 10, 64), MetaEvent(5, 0x7E, {0}),
                                              Channel(5, K::Program, 0, 5), EndOfTrack(5)};
    EXPECT_TRUE(SameSequence(got, expected));
}

TEST_F(DecPropBytes, CopyContinuesFromTheSamePlaceSharingTheBuffer)
{
    const Bytes stream = {0x09, 0x01, 0x00, 0x05, 'a',  'b',  'c',  'd',
                          'e',  0x81, 0x04, 0x85, 0x09, 0x2F, 0x00, 0x00};
    CDecProp original(stream.data(), static_cast<int32_t>(stream.size()));
    CDecProp copy(original);
    for (CDecProp* decoder : {&original, &copy}) {
        CLinkedEvent* chain = nullptr;
        EXPECT_EQ(decoder->ExtractEvent(chain), 1);
        ASSERT_NE(chain, nullptr);
        EXPECT_EQ(Describe(0, *chain), MetaEvent(0, 1, {'a', 'b', 'c', 'd', 'e'}));
        EventsPool().ReleaseEvents(chain);
    }
}

TEST_F(DecPropBytes, SurvivesAnExhaustedEventPool)
{
    const Bytes stream = {0x04, 0x85, 0x81, 0x04, 0x86, 0x09, 0x2F, 0x00, 0x00};
    CDecProp decoder(stream.data(), static_cast<int32_t>(stream.size()));
    std::vector<CLinkedEvent*> held;
    while (CLinkedEvent* e = EventsPool().GetNewEvent())
        held.push_back(e);
    {
        CTraceCapture capture;
        CDecProp starved(stream.data(), static_cast<int32_t>(stream.size()));
        EXPECT_EQ(starved.CurrentDelay(), -1);
        CDecProp copy(decoder);
        CLinkedEvent* chain = nullptr;
        EXPECT_EQ(copy.ExtractEvent(chain), -1);
        EXPECT_EQ(chain, nullptr);
        // The original still has its look-ahead but cannot read the next event.
        EXPECT_EQ(decoder.ExtractEvent(chain), -1);
        ASSERT_NE(chain, nullptr);
        EventsPool().ReleaseEvents(chain);
    }
    for (CLinkedEvent* e : held)
        EventsPool().ReleaseEvents(e);
}

TEST_F(DecPropBytes, StoreEventsInsertsInFrontOfTheStreamInsideItsTarget)
{
    // Target: 2 bytes before, the old stream (Program 1 + End of Track), 2 bytes after; no spare room.
    const Bytes old = {0x04, 0x81, 0x09, 0x2F, 0x00, 0x00};
    const Bytes whole = Concat({{0xAA, 0xBB}, old, {0xCC, 0xDD}});
    CGrowBuffer target(whole.data(), whole.size());
    CDecProp decoder(target.Begin() + 2, static_cast<int32_t>(old.size()));

    // The source: 3000 controls on channel 2, a step apart, then End of Track; more than 4096 bytes.
    std::vector<TimedEvent> events;
    for (uint32_t i = 0; i < 3000; ++i)
        events.push_back(Channel(i, K::Control, 2, 1, static_cast<uint8_t>(i & 0x7F)));
    events.push_back(EndOfTrack(3000));
    const Bytes source = EncodeAll(events, true);
    CDecProp sourceDecoder(source.data(), static_cast<int32_t>(source.size()));

    ASSERT_TRUE(decoder.StoreEvents(sourceDecoder, target, true));
    const Bytes expected = Concat({{0xAA, 0xBB}, source, old, {0xCC, 0xDD}});
    EXPECT_TRUE(SameSequence(Bytes(target.Begin(), target.Begin() + target.Used()), expected));
    EXPECT_EQ(decoder.Size(), static_cast<int32_t>(source.size() + old.size()));
    EXPECT_EQ(decoder.Buffer(), target.Begin() + 2);
    EXPECT_EQ(decoder.StoredEndTime(), 3000);
}

TEST_F(DecPropBytes, StoreEventsReportsADamagedSource)
{
    CGrowBuffer target(16);
    CDecProp decoder(target.Begin(), 0);
    const uint8_t damaged[] = {0x04, 0x85, 0x0B};
    CDecProp source(damaged, 3);
    CTraceCapture capture;
    EXPECT_FALSE(decoder.StoreEvents(source, target, true));
    EXPECT_TRUE(capture.Contains("CDecProp::StoreEvents - Events decoding failed"));
    EXPECT_EQ(decoder.Size(), 0);
}

TEST_F(DecPropBytes, StoreEventsRefusesAStreamOutsideItsTarget)
{
    CGrowBuffer target(16);
    const uint8_t elsewhere[] = {0x09, 0x2F, 0x00, 0x00};
    CDecProp decoder(elsewhere, 4);
    CDecProp source(elsewhere, 4);
    CTraceCapture capture;
    EXPECT_FALSE(decoder.StoreEvents(source, target, true));
    EXPECT_EQ(decoder.Size(), 4);
    EXPECT_EQ(target.Used(), 0u);
}
