// The style model: defaults and set-up, chord table repair, tempo marks, lengthening and selective copy.
#include "bank/model/CNstRyIfc.h"
#include "events/Trace.h"
#include "packed/CMemEncoder.h"
#include "support/StyleTestSupport.h"

namespace {

using StyleModel = PoolCheckedTest;

// Tempo marks (time, percent) of a tempo stream.
std::vector<std::pair<uint32_t, int>> TempoMarks(const std::vector<uint8_t>& stream, uint32_t* end = nullptr)
{
    std::vector<std::pair<uint32_t, int>> marks;
    CPackedReader reader(stream.data(), stream.size());
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time))
        for (const CLinkedEvent* e = chain.get(); e; e = e->next)
            if (IsPrivateMark(*e, kTempoMark))
                marks.emplace_back(time, e->DataByte(1));
    if (end)
        *end = reader.Time();
    return marks;
}

// A stream of Set Tempo events, one per (time, beats per minute); 0 bpm writes 0 microseconds.
std::vector<uint8_t> SetTempos(const std::vector<std::pair<uint32_t, uint32_t>>& tempos)
{
    CPackedWriter out;
    for (const auto& [time, bpm] : tempos) {
        const uint32_t micros = bpm ? 60000000 / bpm : 0;
        EXPECT_TRUE(out.WriteMeta(time, 0x51,
                                  {static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                                   static_cast<uint8_t>(micros)}));
    }
    EXPECT_TRUE(out.Finish(4 * 1536));
    return out.TakeBytes();
}

TEST_F(StyleModel, GivesNewPartsTheKeyboardDefaults)
{
    CNstRyIfc style;
    EXPECT_EQ(style.name, "New Style");
    EXPECT_EQ(style.trackStyle[0], (std::array<uint8_t, 3>{0, 0, 1}));
    EXPECT_EQ(style.trackStyle[3], (std::array<uint8_t, 3>{2, 1, 0}));
    CNstStyleElem& intro = style.GetElement(4);
    EXPECT_EQ(intro.elementAux, 3);
    EXPECT_EQ(intro.cvMeasures, 2);
    EXPECT_EQ(intro.tracks[1], (std::array<uint8_t, 6>{100, 120, 0, 64, 21, 108}));
    EXPECT_EQ(style.GetElement(6).cvMeasures, 1); // Fill 1

    // A 3/4 element: chord variations and their patterns take its signature and two measures.
    intro.numerator = 3;
    CNstChordVar& chordVar = intro.GetChordVar(1);
    EXPECT_EQ(chordVar.lengthTicks, 2 * 1152);
    EXPECT_TRUE(chordVar.patterns[2].isVirgin);
    CNstPattern& bass = chordVar.GetPattern(2);
    EXPECT_FALSE(bass.isVirgin);
    EXPECT_EQ(bass.numerator, 3);
    EXPECT_EQ(bass.denomExp, 2);
    EXPECT_EQ(bass.measures, 2);
    EXPECT_EQ(bass.trackType, 1);
    EXPECT_EQ(bass.lengthTicks, 384);
    EXPECT_TRUE(bass.isEmpty);
    EXPECT_EQ(bass.data, EmptyPackedStream(384));

    // A 6/8 measure is 6 eighths of 192 ticks.
    CNstStyleElem& fill = style.GetElement(7);
    fill.numerator = 6;
    fill.denomExp = 3;
    EXPECT_EQ(fill.GetChordVar(0).lengthTicks, 1152);
    fill.cvMeasures = 2;
    EXPECT_EQ(fill.GetChordVar(1).lengthTicks, 2304);
}

TEST_F(StyleModel, CountsPartsWithoutEventsAsEmpty)
{
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(1);
    element.GetChordVar(0).GetPattern(0);
    element.GetChordVar(2);
    EXPECT_TRUE(element.IsEmpty());
    EXPECT_TRUE(style.IsEmpty());
    SetPattern(element.GetChordVar(2), 5, Notes(1, 384), 1536);
    EXPECT_FALSE(element.IsEmpty());
    EXPECT_FALSE(style.IsEmpty());
    element.DeleteChordVar(2);
    EXPECT_TRUE(style.IsEmpty());
}

TEST_F(StyleModel, PointsChordTableEntriesOfAbsentChordVariationsAtTheLowestPresent)
{
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(0);
    element.GetChordVar(3);
    element.chordTable = {0, 1, 2, 3, 4, 5, 3, 0, 5, 9};
    element.FixChordTable();
    for (uint8_t entry : element.chordTable)
        EXPECT_EQ(entry, 3);
    element.GetChordVar(5);
    element.chordTable[0] = 5;
    element.chordTable[1] = 1;
    element.FixChordTable();
    EXPECT_EQ(element.chordTable[0], 5);
    EXPECT_EQ(element.chordTable[1], 3);
    element.DeleteChordVar(3);
    element.DeleteChordVar(5);
    element.FixChordTable();
    EXPECT_EQ(element.chordTable[0], 0); // none present: entry 0
}

TEST_F(StyleModel, TurnsChangesOfSetTempoIntoPercentMarks)
{
    CNstChordVar chordVar(nullptr);
    const auto input = SetTempos({{0, 120}, {384, 120}, {768, 90}, {1152, 90}});
    EXPECT_EQ(chordVar.SetTempoStream(input.data(), input.size(), 120), 4 * 1536);
    uint32_t end = 0;
    EXPECT_EQ(TempoMarks(chordVar.tempoData, &end), (std::vector<std::pair<uint32_t, int>>{{768, 75}}));
    EXPECT_EQ(end, kTempoStreamEnd);

    // 400 bpm is 333 % of 120: stored as 255. A Set Tempo of 0 microseconds is skipped.
    const auto fast = SetTempos({{0, 120}, {100, 0}, {200, 400}, {300, 6}});
    chordVar.SetTempoStream(fast.data(), fast.size(), 120);
    EXPECT_EQ(TempoMarks(chordVar.tempoData), (std::vector<std::pair<uint32_t, int>>{{200, 255}, {300, 5}}));

    // Reading a record keeps its marks only: Set Tempo is ignored, no mark means no stream.
    const std::vector<uint8_t> marks = chordVar.tempoData;
    CNstChordVar parsed(nullptr);
    parsed.SetTempoStream(marks.data(), marks.size(), -1);
    EXPECT_EQ(parsed.tempoData, marks);
    parsed.SetTempoStream(input.data(), input.size(), -1);
    EXPECT_TRUE(parsed.tempoData.empty());
}

TEST_F(StyleModel, WritesTempoMarksAsSetTempoEvents)
{
    CNstChordVar chordVar(nullptr);
    const auto input = SetTempos({{0, 100}, {1536, 50}});
    chordVar.SetTempoStream(input.data(), input.size(), 100);
    CMemEncoder encoder(CNoteForm::Split);
    EXPECT_TRUE(chordVar.WriteTempoEvents(encoder, 120)); // 50 % of 120 bpm: 60 bpm, 1,000,000 us
    const CEncodedBytes written = EncodedBytesOf(encoder);
    CPackedReader reader(written.bytes, written.size);
    CChainPtr chain;
    uint32_t time = 0;
    ASSERT_TRUE(reader.Next(chain, time));
    EXPECT_EQ(time, 1536u);
    EXPECT_EQ(chain->MetaType(), 0x51);
    EXPECT_EQ((chain->DataByte(0) << 16) | (chain->DataByte(1) << 8) | chain->DataByte(2), 1000000);
    while (reader.Next(chain, time)) {
    }
    EXPECT_EQ(reader.Time(), kTempoStreamEnd);

    // A style tempo of 0 gives the slowest tempo a Set Tempo can hold instead of dividing by zero.
    CMemEncoder slow(CNoteForm::Split);
    EXPECT_TRUE(chordVar.WriteTempoEvents(slow, 0));
    const CEncodedBytes slowBytes = EncodedBytesOf(slow);
    CPackedReader slowReader(slowBytes.bytes, slowBytes.size);
    ASSERT_TRUE(slowReader.Next(chain, time));
    EXPECT_EQ((chain->DataByte(0) << 16) | (chain->DataByte(1) << 8) | chain->DataByte(2), 0xFFFFFF);
}

TEST_F(StyleModel, LengthensPatternsByRepeatingOrByMovingTheEnd)
{
    CNstChordVar chordVar(nullptr);
    const std::vector<CTimed> bar = Notes(2, 768);
    CNstPattern& pattern = SetPattern(chordVar, 3, bar, 1536);
    CNstPattern once = pattern;

    ASSERT_TRUE(pattern.SetLength(3072, false));
    std::vector<CTimed> twice = bar;
    for (const CTimed& e : bar)
        twice.push_back({e.time + 1536, e.header});
    uint32_t end = 0;
    EXPECT_EQ(ChannelEvents(pattern.data, &end), twice);
    EXPECT_EQ(end, 3072u);
    EXPECT_EQ(pattern.lengthTicks, 3072);
    EXPECT_FALSE(pattern.isVirgin);

    // A copy only fits while it ends within the new length: 3 x 1536 in 5000 ticks.
    CNstPattern thrice = once;
    ASSERT_TRUE(thrice.SetLength(5000, false));
    EXPECT_EQ(ChannelEvents(thrice.data, &end).size(), 3 * bar.size());
    EXPECT_EQ(end, 5000u);

    ASSERT_TRUE(once.SetLength(3072, true));
    EXPECT_EQ(ChannelEvents(once.data, &end), bar);
    EXPECT_EQ(end, 3072u);

    CNstPattern empty;
    ASSERT_TRUE(empty.SetLength(1536, false));
    EXPECT_TRUE(empty.isEmpty);
    EXPECT_TRUE(empty.isVirgin);
    EXPECT_EQ(empty.data, EmptyPackedStream(1536));
}

TEST_F(StyleModel, RefusesToLengthenAPatternBeyondAnyBankSize)
{
    // A one-tick pattern repeated over the largest length a damaged file can give: refused after two
    // copies show the final size, the pattern left as it was, instead of growing without bound.
    CNstChordVar chordVar(nullptr);
    CNstPattern& pattern = SetPattern(chordVar, 3, Notes(1, 1), 1);
    const std::vector<uint8_t> before = pattern.data;
    CTraceCapture capture;
    EXPECT_FALSE(pattern.SetLength(INT32_MAX, false));
    EXPECT_TRUE(capture.Contains("CNstPattern::SetLength() - "));
    EXPECT_EQ(pattern.data, before);
    EXPECT_EQ(pattern.lengthTicks, 1);
}

TEST_F(StyleModel, CopiesOnlyTheNamedParts)
{
    CNstRyIfc source;
    source.name = "Source";
    CNstStyleElem& from = source.GetElement(2);
    from.numerator = 3;
    CNstChordVar& fromCv = from.GetChordVar(1);
    SetPattern(fromCv, 0, Notes(3, 256), 2304);
    SetPattern(fromCv, 4, Notes(2, 384, 60), 2304);
    from.tracks[4][3] = 17;

    CNstRyIfc target;
    target.name = "Target";
    CNstChordVar& targetCv = target.GetElement(2).GetChordVar(1);
    SetPattern(targetCv, 0, Notes(1, 384, 40), 3072);
    SetPattern(targetCv, 6, Notes(1, 384, 50), 3072);

    // One track of one chord variation: the element's other data and the other tracks stay.
    target.CopyFrom(source, 2, 1, 4, 2, 1, 4);
    EXPECT_EQ(target.name, "Target");
    const CNstStyleElem& copied = *target.FindElement(2);
    EXPECT_EQ(copied.numerator, 4);
    EXPECT_EQ(copied.tracks[4][3], 0);
    EXPECT_EQ(targetCv.patterns[4].data, fromCv.patterns[4].data);
    EXPECT_EQ(ChannelEvents(targetCv.patterns[0].data), Notes(1, 384, 40));
    EXPECT_FALSE(targetCv.patterns[6].isEmpty);

    // The whole style: fields, every element, absent source parts delete the target's.
    target.GetElement(9).GetChordVar(0);
    target.CopyFrom(source, kAllIndices, kAllIndices, kAllIndices, kAllIndices, kAllIndices, kAllIndices);
    EXPECT_EQ(target.name, "Source");
    EXPECT_EQ(target.FindElement(9), nullptr);
    const CNstStyleElem& whole = *target.FindElement(2);
    EXPECT_EQ(whole.numerator, 3);
    EXPECT_EQ(whole.tracks[4][3], 17);
    EXPECT_EQ(whole.FindChordVar(0), nullptr);
    const CNstChordVar& wholeCv = *whole.FindChordVar(1);
    EXPECT_EQ(wholeCv.lengthTicks, 2304);
    EXPECT_TRUE(wholeCv.patterns[6].isVirgin);
    EXPECT_EQ(wholeCv.patterns[0].data, fromCv.patterns[0].data);

    // One chord variation into another index of an empty element.
    CNstRyIfc third;
    third.GetElement(5).CopyFrom(from, 1, kAllIndices, 0, kAllIndices);
    EXPECT_NE(third.FindElement(5)->FindChordVar(0), nullptr);
    EXPECT_EQ(third.FindElement(5)->numerator, 3);
}

} // namespace
