// Pattern records: stored form, trimming to a length, and segments.
#include "packed/CPatternData.h"

#include "PackedTestSupport.h"
#include "events/Trace.h"
#include "packed/CMemEncoder.h"
#include "packed/CPatternState.h"

using K = EventKind;
using R = CPatternData::TrimResult;

namespace {
// A pattern over `stream` (kept alive by the caller) of `length` ticks.
CPatternData PatternOver(const Bytes& stream, uint32_t length, uint8_t kind = 3)
{
    CPatternData pattern(kind);
    pattern.data = stream.data();
    pattern.dataSize = static_cast<uint32_t>(stream.size());
    pattern.lengthTicks = length;
    pattern.trailer[0] = 0x12;
    pattern.trailer[1] = 0x34;
    return pattern;
}

std::vector<TimedEvent> Decoded(const CPatternData& pattern)
{
    return DecodeAll(pattern.data, pattern.dataSize);
}
} // namespace

class PatternRecord : public PackedTest {};

TEST_F(PatternRecord, StoresAndLoadsWithAKindDependentTrailer)
{
    const Bytes stream = {0x81, 0x09, 0x2F, 0x00, 0x00};
    for (uint8_t kind : {2, 3, 4}) {
        SCOPED_TRACE(int(kind));
        CPatternData pattern = PatternOver(stream, 1536, kind);
        const uint32_t expectedSize = kind == 2 ? 13 : 15;
        ASSERT_EQ(pattern.StoredSize(), expectedSize);
        Bytes record(expectedSize);
        EXPECT_EQ(pattern.Store(record.data(), expectedSize - 1), 0u); // one byte short
        ASSERT_EQ(pattern.Store(record.data(), expectedSize), expectedSize);
        Bytes expected = {0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x05, 0x81, 0x09, 0x2F, 0x00, 0x00};
        if (kind != 2)
            expected.insert(expected.end(), {0x12, 0x34});
        EXPECT_EQ(record, expected);

        CPatternData loaded;
        ASSERT_TRUE(loaded.Load(record.data(), expectedSize, kind, true));
        EXPECT_EQ(loaded.lengthTicks, 1536u);
        EXPECT_EQ(loaded.dataSize, 5u);
        EXPECT_EQ(loaded.data, record.data() + 8);
        EXPECT_EQ(loaded.trailer[0], kind == 2 ? 0 : 0x12);
        EXPECT_EQ(loaded.eventCount, 1u);
    }
}

TEST_F(PatternRecord, LoadTrustsOnlyTheRecordLengthItIsGiven)
{
    const struct {
        const char* what;
        Bytes record;
        uint8_t kind;
    } rows[] = {
        {"header cut short", {0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00}, 2},
        {"stream one byte longer than the record", {0, 0, 6, 0, 0, 0, 0, 6, 0x81, 0x09, 0x2F, 0x00, 0x00}, 2},
        {"trailer missing a byte", {0, 0, 6, 0, 0, 0, 0, 5, 0x81, 0x09, 0x2F, 0x00, 0x00, 0x12}, 3},
        {"size near 2^32", {0, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFC, 0x81, 0x09, 0x2F, 0x00, 0x00}, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTraceCapture capture;
        CPatternData pattern;
        EXPECT_FALSE(
            pattern.Load(row.record.data(), static_cast<uint32_t>(row.record.size()), row.kind, true));
        EXPECT_EQ(pattern.dataSize, 0u);
        EXPECT_EQ(pattern.data, nullptr);
        EXPECT_EQ(capture.Lines().size(), 1u);
    }
}

TEST_F(PatternRecord, LoadCountsEveryEventOfEveryChain)
{
    const Bytes events = EncodeAll({Channel(0, K::Control, 0, 7, 1), Channel(0, K::Control, 0, 10, 2),
                                    MetaEvent(0, 6, {'x'}), Channel(5, K::Program, 0, 3), EndOfTrack(9)},
                                   false, true);
    Bytes record = {0, 0, 0, 9, 0, 0, 0, static_cast<uint8_t>(events.size())};
    record.insert(record.end(), events.begin(), events.end());
    CPatternData pattern;
    ASSERT_TRUE(pattern.Load(record.data(), static_cast<uint32_t>(record.size()), 2, true));
    EXPECT_EQ(pattern.eventCount, 5u);
    ASSERT_TRUE(pattern.Load(record.data(), static_cast<uint32_t>(record.size()), 2, false));
    EXPECT_EQ(pattern.eventCount, 0u);
}

class PatternTrim : public PackedTest {
protected:
    // Trims `events` (a pattern of `length` ticks, written in note mode with `noteMode`) and answers
    // the result.
    R Trim(const std::vector<TimedEvent>& events, uint32_t length, bool inclusive, uint32_t capacity = 512,
           bool noteMode = false)
    {
        source = EncodeAll(events, noteMode);
        output.assign(capacity, 0);
        CPatternState state;
        return CPatternData::Trim(state, PatternOver(source, length), trimmed, output.data(), capacity,
                                  inclusive);
    }

    Bytes source;
    Bytes output;
    CPatternData trimmed;
};

TEST_F(PatternTrim, MovesAnOffAtTheLengthOneTickEarlier)
{
    for (bool inclusive : {true, false}) {
        SCOPED_TRACE(inclusive);
        EXPECT_EQ(Trim({Channel(0, K::NoteOn, 0, 60, 100), Channel(96, K::NoteOff, 0, 60, 0), EndOfTrack(96)},
                       96, inclusive),
                  R::Changed);
        EXPECT_TRUE(SameSequence(Decoded(trimmed), {Channel(0, K::NoteOn, 0, 60, 100),
                                                    Channel(95, K::NoteOff, 0, 60, 0), EndOfTrack(96)}));
        EXPECT_EQ(trimmed.eventCount, 3u);
        EXPECT_EQ(trimmed.lengthTicks, 96u);
        EXPECT_EQ(trimmed.trailer[1], 0x34);
    }
}

TEST_F(PatternTrim, RemovesUntrackedControllersAndResetsTrackedOnes)
{
    EXPECT_EQ(Trim({Channel(0, K::Control, 0, 7, 100), Channel(0, K::Control, 0, 11, 90),
                    Channel(0, K::Control, 0, 2, 5), Channel(10, K::PitchBend, 0, 0, 80), EndOfTrack(384)},
                   384, true),
              R::Changed);
    EXPECT_TRUE(SameSequence(Decoded(trimmed),
                             {Channel(0, K::Control, 0, 11, 90), Channel(0, K::Control, 0, 2, 5),
                              Channel(10, K::PitchBend, 0, 0, 80), Channel(383, K::PitchBend, 0, 0, 64),
                              Channel(383, K::Control, 0, 11, 100), EndOfTrack(384)}));
    EXPECT_EQ(trimmed.eventCount, 6u);
}

TEST_F(PatternTrim, RemovesProgramsPressuresAndOrphanOffs)
{
    EXPECT_EQ(Trim({Channel(0, K::Program, 0, 5), NoteEvent(0, 0, 60, 100, 10, 0),
                    NoteEvent(0, 0, 61, 100, 0, 0, K::Sound), Channel(0, K::ChannelPressure, 0, 3),
                    Channel(5, K::NoteOff, 0, 70, 0), EndOfTrack(384)},
                   384, true),
              R::Changed);
    // The memory encoder split the Note and Sound; their ons and offs pair up and stay.
    EXPECT_TRUE(
        SameSequence(Decoded(trimmed), {Channel(0, K::NoteOn, 0, 60, 100), Channel(0, K::SoundOn, 0, 61, 100),
                                        Channel(0, K::SoundOff, 0, 61, 0), Channel(10, K::NoteOff, 0, 60, 0),
                                        EndOfTrack(384)}));
}

TEST_F(PatternTrim, KeepsWholeNotesAndEndsThoseStillSoundingAtTheLastTick)
{
    // The keyboard's own form: Note and Sound events carry their durations. A note reaching past the
    // last tick ends there; one starting at the length moves to the last tick with no duration.
    const std::vector<TimedEvent> events = {NoteEvent(0, 0, 60, 100, 10, 40),
                                            NoteEvent(5, 0, 61, 90, 10, 0, K::Sound),
                                            Channel(6, K::Control, 0, 1, 0),
                                            NoteEvent(300, 0, 62, 80, 9000, 64),
                                            NoteEvent(380, 0, 63, 70, 3, 0, K::Sound),
                                            NoteEvent(384, 0, 64, 60, 50, 0),
                                            EndOfTrack(384)};
    EXPECT_EQ(Trim(events, 384, true, 512, true), R::Changed);
    EXPECT_TRUE(SameSequence(Decoded(trimmed),
                             {NoteEvent(0, 0, 60, 100, 10, 40), NoteEvent(5, 0, 61, 90, 10, 0, K::Sound),
                              Channel(6, K::Control, 0, 1, 0), NoteEvent(300, 0, 62, 80, 83, 64),
                              NoteEvent(380, 0, 63, 70, 3, 0, K::Sound), NoteEvent(383, 0, 64, 60, 0, 0),
                              EndOfTrack(384)}));
    EXPECT_EQ(trimmed.eventCount, 7u);
    // A cut note above 8191 ticks whose length the coarse steps cannot hold ends exactly on the last
    // tick as an on and an off.
    EXPECT_EQ(Trim({NoteEvent(0, 0, 40, 90, 12000, 0), EndOfTrack(9216)}, 9216, true, 512, true), R::Changed);
    EXPECT_TRUE(SameSequence(Decoded(trimmed), {Channel(0, K::NoteOn, 0, 40, 90),
                                                Channel(9215, K::NoteOff, 0, 40, 0), EndOfTrack(9216)}));
    EXPECT_EQ(Trim(events, 384, true, 512, true), R::Changed);
    // Already inside the length: nothing changes, byte for byte.
    const Bytes once(trimmed.data, trimmed.data + trimmed.dataSize);
    EXPECT_EQ(Trim(Decoded(trimmed), 384, true, 512, true), R::Unchanged);
    EXPECT_EQ(Bytes(trimmed.data, trimmed.data + trimmed.dataSize), once);
}

TEST_F(PatternTrim, ClosesHangingNotesAndSoundsAtTheEnd)
{
    EXPECT_EQ(Trim({Channel(0, K::NoteOn, 0, 60, 100), Channel(0, K::NoteOn, 0, 60, 100),
                    Channel(1, K::SoundOn, 0, 40, 100), Channel(500, K::NoteOn, 0, 61, 1), EndOfTrack(600)},
                   384, false),
              R::Changed);
    EXPECT_TRUE(SameSequence(Decoded(trimmed),
                             {Channel(0, K::NoteOn, 0, 60, 100), Channel(0, K::NoteOn, 0, 60, 100),
                              Channel(1, K::SoundOn, 0, 40, 100), Channel(383, K::NoteOff, 0, 60, 0),
                              Channel(383, K::NoteOff, 0, 60, 0), Channel(383, K::SoundOff, 0, 40, 0),
                              EndOfTrack(384)}));
}

TEST_F(PatternTrim, ReportsAPatternThatNeedsNoChange)
{
    EXPECT_EQ(Trim({Channel(0, K::Control, 0, 11, 100), Channel(0, K::NoteOn, 0, 60, 100),
                    Channel(50, K::NoteOff, 0, 60, 0), EndOfTrack(384)},
                   384, true),
              R::Unchanged);
    EXPECT_EQ(Bytes(trimmed.data, trimmed.data + trimmed.dataSize), source);
    // A Meta is dropped, which changes the size.
    EXPECT_EQ(Trim({MetaEvent(0, 6, {'m'}), Channel(0, K::Control, 0, 11, 100), EndOfTrack(384)}, 384, true),
              R::Changed);
    // An End of Track at another time than the length counts as a change.
    EXPECT_EQ(Trim({Channel(0, K::Control, 0, 11, 100), EndOfTrack(300)}, 384, true), R::Changed);
}

TEST_F(PatternTrim, FailsRatherThanCutWhatItCannotDecodeOrWriteWhole)
{
    std::vector<TimedEvent> controls;
    for (uint32_t i = 0; i < 50; ++i)
        controls.push_back(Channel(i, K::Control, 0, 1, 0));
    controls.push_back(EndOfTrack(384));
    // More simultaneous notes than the event pool's 1024 records.
    std::vector<TimedEvent> chord;
    for (uint32_t i = 0; i < 1100; ++i)
        chord.push_back(
            NoteEvent(0, static_cast<uint8_t>(i % 16), static_cast<uint8_t>(i % 128), 100, 96, 0));
    chord.push_back(EndOfTrack(384));
    const struct {
        const char* what;
        std::vector<TimedEvent> events;
        uint32_t capacity;
        size_t damageAt; // byte offset to turn into an invalid kind, 0 for none
    } rows[] = {
        {"a buffer too small for the result", controls, 40, 0},
        {"more simultaneous events than the event pool", chord, 16384, 0},
        {"an invalid kind half-way", controls, 512, 60},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CTraceCapture capture;
        source = EncodeAll(row.events, true);
        if (row.damageAt)
            source[row.damageAt] = 0x0B;
        output.assign(row.capacity, 0);
        CPatternData untouched;
        trimmed = untouched;
        CPatternState state;
        EXPECT_EQ(
            CPatternData::Trim(state, PatternOver(source, 384), trimmed, output.data(), row.capacity, true),
            R::Failed);
        EXPECT_EQ(trimmed.data, nullptr);
        EXPECT_EQ(trimmed.dataSize, 0u);
    }
}

class PatternSegments : public PackedTest {
protected:
    // Loads `events` as a counted pattern of `length` ticks.
    CPatternData Counted(const std::vector<TimedEvent>& events, uint32_t length)
    {
        stream = EncodeAll(events, false);
        record = {static_cast<uint8_t>(length >> 24),
                  static_cast<uint8_t>(length >> 16),
                  static_cast<uint8_t>(length >> 8),
                  static_cast<uint8_t>(length),
                  0,
                  0,
                  static_cast<uint8_t>(stream.size() >> 8),
                  static_cast<uint8_t>(stream.size())};
        record.insert(record.end(), stream.begin(), stream.end());
        CPatternData pattern;
        EXPECT_TRUE(pattern.Load(record.data(), static_cast<uint32_t>(record.size()), 2, true));
        return pattern;
    }

    Bytes stream;
    Bytes record;
    CPatternState state;
};

namespace {
constexpr uint16_t FourFour = 0x0404;
constexpr uint32_t Measure = 1536;

// Eight controls of the untracked controller 2 in each of `measures` measures, 100 ticks in.
std::vector<TimedEvent> ControlsPerMeasure(uint32_t measures)
{
    std::vector<TimedEvent> events;
    for (uint32_t m = 0; m < measures; ++m)
        for (uint32_t k = 0; k < 8; ++k)
            events.push_back(Channel(m * Measure + 100 + 192 * k, K::Control, 0, 2, static_cast<uint8_t>(k)));
    events.push_back(EndOfTrack(measures * Measure));
    return events;
}
} // namespace

TEST_F(PatternSegments, StaysWholeBelowOneAndAHalfTimesTheTarget)
{
    CPatternData pattern = Counted(ControlsPerMeasure(4), 4 * Measure); // 33 events
    EXPECT_EQ(pattern.BuildSegments(state, FourFour, 23), 0u);          // 33 < 34
    EXPECT_EQ(pattern.SegmentCount(), 0u);
    EXPECT_EQ(pattern.BuildSegments(state, FourFour, 0), 0u);
    EXPECT_EQ(pattern.BuildSegments(state, 0x0400, 10), 0u); // a signature of no length
}

TEST_F(PatternSegments, CutsAtMeasureStartsAndExtractsEachPiece)
{
    CPatternData pattern = Counted(ControlsPerMeasure(4), 4 * Measure);
    ASSERT_EQ(pattern.eventCount, 33u);
    ASSERT_EQ(pattern.BuildSegments(state, FourFour, 10), 3u); // minimum 5, maximum 15
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const CSegment& s = pattern.Segment(i);
        EXPECT_EQ(s.startTime, i * Measure);
        EXPECT_EQ(s.duration, Measure);
        EXPECT_EQ(s.firstDelay, 100u);
        EXPECT_EQ(s.firstEvent, 8 * i);
        EXPECT_EQ(s.segmentEvents, 8u);

        Bytes piece(200);
        CPatternData extracted;
        ASSERT_TRUE(CPatternData::ExtractSegment(pattern, extracted, i, piece.data(), 200));
        EXPECT_TRUE(SameSequence(Decoded(extracted), ControlsPerMeasure(1)));
        EXPECT_EQ(extracted.lengthTicks, Measure);
        EXPECT_EQ(extracted.eventCount, 9u);
    }
    CPatternData none;
    EXPECT_FALSE(CPatternData::ExtractSegment(pattern, none, 4, nullptr, 0));
}

TEST_F(PatternSegments, CutsAFullSegmentWhereItIsAboveFourTimesTheTarget)
{
    // 20 controls in one measure: 21 events > 4 x 4, so the target becomes 5 (minimum 2, maximum 7).
    std::vector<TimedEvent> events;
    for (uint32_t i = 0; i < 20; ++i)
        events.push_back(Channel(i * 10, K::Control, 0, 2, 1));
    events.push_back(EndOfTrack(Measure));
    CPatternData pattern = Counted(events, Measure);
    ASSERT_EQ(pattern.BuildSegments(state, FourFour, 4), 2u);
    const uint32_t starts[] = {0, 70, 140}, durations[] = {70, 70, Measure - 140}, counts[] = {7, 7, 6};
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pattern.Segment(i).startTime, starts[i]);
        EXPECT_EQ(pattern.Segment(i).duration, durations[i]);
        EXPECT_EQ(pattern.Segment(i).firstDelay, 0u);
        EXPECT_EQ(pattern.Segment(i).segmentEvents, counts[i]);
    }
}

TEST_F(PatternSegments, DoesNotCutWhileANoteSounds)
{
    // A note held from the end of the first measure into the second blocks the cut at 1536.
    std::vector<TimedEvent> events = ControlsPerMeasure(2);
    events.insert(events.begin() + 8, Channel(1500, K::NoteOn, 0, 60, 100));
    events.insert(events.begin() + 9, Channel(1600, K::NoteOff, 0, 60, 0));
    CPatternData pattern = Counted(events, 2 * Measure); // 19 events
    ASSERT_EQ(pattern.eventCount, 19u);
    EXPECT_EQ(pattern.BuildSegments(state, FourFour, 12), 0u); // min 6, max 18: one piece
    EXPECT_EQ(pattern.SegmentCount(), 1u);
}

TEST_F(PatternTrim, AnExhaustedEventPoolFailsCleanly)
{
    source = EncodeAll({Channel(0, K::NoteOn, 0, 60, 100), EndOfTrack(96)}, false);
    output.assign(64, 0);
    CPatternState hanging;
    hanging.Apply(CEvent{CEvent::ChannelHeader(K::NoteOn, 0, 60, 100), 0}, 0);
    std::vector<CLinkedEvent*> held;
    while (CLinkedEvent* e = EventsPool().GetNewEvent())
        held.push_back(e);
    {
        CTraceCapture capture;
        CLinkedEvent* resets = reinterpret_cast<CLinkedEvent*>(1);
        EXPECT_EQ(hanging.BuildResetEvents(resets), 0);
        EXPECT_EQ(resets, nullptr);
        CPatternState state;
        // Nothing can be decoded: a bare End of Track would lose the note.
        EXPECT_EQ(CPatternData::Trim(state, PatternOver(source, 96), trimmed, output.data(), 64, true),
                  R::Failed);
    }
    for (CLinkedEvent* e : held)
        EventsPool().ReleaseEvents(e);
    EXPECT_EQ(trimmed.dataSize, 0u);
}
