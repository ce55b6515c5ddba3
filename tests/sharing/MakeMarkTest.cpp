// Compact and expanded style trees: analysis, expansion, merging and splitting of pattern records.
#include "events/Trace.h"
#include "sharing/CMakeMark.h"
#include "support/StyleTestSupport.h"

#include <cstring>
#include <tuple>

namespace {

using Bytes = std::vector<uint8_t>;
using CompactTrees = PoolCheckedTest;

// The stored record of a pattern of the given events.
Bytes PatternRecord(uint8_t id, uint32_t length, const std::vector<CTimed>& events)
{
    const Bytes stream = PackedStream(events, length);
    Bytes record;
    AppendBE32(record, length);
    AppendBE32(record, static_cast<uint32_t>(stream.size()));
    record.insert(record.end(), stream.begin(), stream.end());
    if (id != 2)
        record.insert(record.end(), {0, 0});
    return record;
}

struct CMark {
    uint32_t time;
    uint8_t code; // kStartMark or kEndMark
    uint8_t slot;
};

struct CCompactCv {
    uint32_t length;
    std::vector<CCvPair> pairs;
    std::vector<CMark> marks;
};

// A tree with one element (Variation 1, 4/4) holding the given chord variations, over a pool of records.
std::unique_ptr<CStyleContent> CompactTree(const std::vector<std::pair<uint8_t, Bytes>>& patterns,
                                           const std::vector<uint16_t>& references,
                                           const std::vector<CCompactCv>& chordVars)
{
    auto content = CStyleContent::Create(1 << 16, 1);
    CChunkNav& nav = *content->nav;
    auto data = [&](bool child, uint8_t id, const Bytes& bytes) {
        const auto size = static_cast<uint32_t>(bytes.size());
        EXPECT_TRUE(child ? nav.AddChild(1, 2, id, 0, 0, size) : nav.AddSibling(1, 2, id, 0, 0, size));
        nav.Write(0, bytes.data(), size);
    };
    data(true, 1, {1, 'C', 0, 0, 0, 0, 1});
    nav.AddSibling(1, 1, 2, 0, 0, 0);
    CPoolListRec list;
    list.patternCount = static_cast<uint16_t>(patterns.size());
    list.references = references;
    data(true, 1, list.Bytes());
    for (const auto& [id, record] : patterns)
        data(false, id, record);
    nav.Leave();
    nav.AddSibling(1, 1, 3, 0, 0, 0);
    CElemHeaderRec header;
    header.cvMask = static_cast<uint8_t>((1u << chordVars.size()) - 1);
    data(true, 1, header.Bytes());
    data(false, 2, Bytes(48, 0));
    for (const CCompactCv& cv : chordVars) {
        CPackedWriter marks;
        for (const CMark& mark : cv.marks) {
            if (mark.code == kStartMark)
                marks.WriteMeta(mark.time, CEvent::PrivateMetaType, {kStartMark, mark.slot, 0, 0});
            else
                marks.WriteMeta(mark.time, CEvent::PrivateMetaType, {kEndMark, mark.slot});
        }
        marks.Finish(cv.length);
        CCvRecord record;
        record.lengthTicks = cv.length;
        record.pairs = cv.pairs;
        Bytes bytes;
        record.Bytes(marks.TakeBytes(), bytes);
        data(false, 3, bytes);
    }
    nav.Rewind();
    return content;
}

// Expands a tree that needs it and reads it into a model.
void ExpandAndParse(CStyleContent& compact, CNstRyIfc& style)
{
    compact.nav->Rewind();
    CMakeMark mark(*compact.nav);
    ASSERT_GT(mark.Analysis(), 0);
    auto expanded = mark.TakeExpanded();
    ASSERT_NE(expanded, nullptr);
    EXPECT_EQ(CMakeMark::MeasureExpansion(*expanded->nav, false), 0); // now in expanded form
    ASSERT_TRUE(ParseContent(*expanded, style));
}

// Reads a tree the way a style is opened: expanded first when it needs it.
void LoadAndParse(CStyleContent& tree, CNstRyIfc& style)
{
    tree.nav->Rewind();
    CMakeMark mark(*tree.nav);
    ASSERT_GE(mark.Analysis(), 0);
    auto expanded = mark.TakeExpanded();
    ASSERT_TRUE(ParseContent(expanded ? *expanded : tree, style));
}

// A copy of a built tree with room for compaction.
std::unique_ptr<CStyleContent> CopyOfContent(const CStyleContent& content, int32_t capacity = 0)
{
    return CStyleContent::CopyOf(content.Bytes(), static_cast<size_t>(content.Size()),
                                 capacity ? capacity : content.capacity);
}

CPoolListRec PoolList(CStyleContent& content)
{
    CChunkNav& nav = *content.nav;
    nav.Rewind();
    CPoolListRec list;
    EXPECT_TRUE(nav.Enter(CChunkNav::MatchId(1), 1, 2) && nav.Next(CChunkNav::MatchId(2), 1, 1) &&
                nav.Enter(CChunkNav::MatchId(1), 1, 2) && list.Read(nav.Data(), nav.DataSize()));
    nav.Rewind();
    return list;
}

// Events of one repetition of `events` shifted by each of `starts`.
std::vector<CTimed> Repeated(const std::vector<CTimed>& events, std::initializer_list<uint32_t> starts)
{
    std::vector<CTimed> all;
    for (uint32_t start : starts)
        for (const CTimed& e : events)
            all.push_back({e.time + start, e.header});
    return all;
}

TEST_F(CompactTrees, FindNothingToExpandInBuiltTrees)
{
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        CNstRyIfc style;
        FillRandomStyle(style, rng, 5);
        auto content = style.Build();
        ASSERT_NE(content, nullptr);
        const Bytes before = ContentBytes(*content);
        CTraceCapture capture;
        CMakeMark mark(*content->nav);
        EXPECT_EQ(mark.Analysis(), 0);
        EXPECT_EQ(mark.TakeExpanded(), nullptr);
        EXPECT_TRUE(capture.Lines().empty());
        EXPECT_EQ(ContentBytes(*content), before);
    }
}

TEST_F(CompactTrees, GiveEverySlotItsOwnCopyOfASharedPattern)
{
    const std::vector<CTimed> beat = Notes(4, 384, 40);
    auto tree = CompactTree({{2, PatternRecord(2, 1536, beat)}}, {1, 1},
                            {{1536, {{0, 0}}, {{0, kStartMark, 0}}}, {1536, {{0, 1}}, {{0, kStartMark, 0}}}});
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    const CNstStyleElem& element = *style.FindElement(0);
    EXPECT_EQ(ChannelEvents(element.FindChordVar(0)->patterns[0].data), beat);
    EXPECT_EQ(ChannelEvents(element.FindChordVar(1)->patterns[1].data), beat);
}

TEST_F(CompactTrees, RepeatAShortPatternForAsLongAsItsSlotPlays)
{
    const std::vector<CTimed> hit = {{0, NoteOn(36)}, {192, NoteOff(36)}};
    auto tree = CompactTree({{2, PatternRecord(2, 384, hit)}}, {1}, {{1536, {{0, 0}}, {{0, kStartMark, 0}}}});
    EXPECT_GT(CMakeMark::MeasureExpansion(*tree->nav, false), 0);
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    const CNstPattern& drum = style.FindElement(0)->FindChordVar(0)->patterns[0];
    EXPECT_EQ(drum.lengthTicks, 1536);
    EXPECT_EQ(ChannelEvents(drum.data), Repeated(hit, {0, 384, 768, 1152}));
}

TEST_F(CompactTrees, JoinNeighbouringSlotsOfOneTrackIntoOnePattern)
{
    const std::vector<CTimed> a = Notes(2, 768, 50);
    const std::vector<CTimed> b = {{0, NoteOn(60)}, {100, NoteOff(60)}};
    auto tree = CompactTree({{3, PatternRecord(3, 1536, a)}, {3, PatternRecord(3, 768, b)}}, {1, 2},
                            {{6144, {{1, 2}, {1, 2}}, {{0, kStartMark, 0}, {3072, kStartMark, 1}}}});
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    const CNstChordVar& chordVar = *style.FindElement(0)->FindChordVar(0);
    std::vector<CTimed> expected = Repeated(a, {0, 1536});
    for (const CTimed& e : Repeated(b, {3072, 3840, 4608, 5376}))
        expected.push_back(e);
    EXPECT_EQ(ChannelEvents(chordVar.patterns[2].data), expected);
    EXPECT_EQ(chordVar.patterns[2].lengthTicks, 6144);
    for (int t = 0; t < kStyleTracks; ++t)
        EXPECT_EQ(chordVar.patterns[t].isVirgin, t != 2);
}

TEST_F(CompactTrees, StopASlotAtItsEndMark)
{
    const std::vector<CTimed> hit = {{0, NoteOn(36)}, {192, NoteOff(36)}};
    auto tree = CompactTree({{2, PatternRecord(2, 384, hit)}}, {1},
                            {{1536, {{0, 0}}, {{0, kStartMark, 0}, {768, kEndMark, 0}}}});
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    EXPECT_EQ(ChannelEvents(style.FindElement(0)->FindChordVar(0)->patterns[0].data),
              Repeated(hit, {0, 384}));
}

TEST_F(CompactTrees, RepairLengthsThatDisagreeWithTheirUse)
{
    const std::vector<CTimed> hit = {{0, NoteOn(36)}, {192, NoteOff(36)}};
    {
        // A 384-tick pattern played for 1000 ticks takes that length (and is then played once).
        auto tree =
            CompactTree({{2, PatternRecord(2, 384, hit)}}, {1}, {{1000, {{0, 0}}, {{0, kStartMark, 0}}}});
        CTraceCapture capture;
        EXPECT_EQ(CMakeMark::MeasureExpansion(*tree->nav, false), 0);
        EXPECT_TRUE(capture.Contains("Warning! Uncorrect Pattern length(s) found!\nForced to CV length."));
        CChunkNav& nav = *tree->nav;
        nav.Enter(0, 0, 0);
        nav.Next(0, 0, 0);
        nav.Enter(0, 0, 0);
        nav.Next(0, 0, 0);
        EXPECT_EQ(ReadBE32(nav.Data()), 1000u);
        nav.Rewind();
    }
    {
        // A chord variation shorter than its pattern takes the pattern's length, and the pattern plays
        // whole in it: also when the tree is expanded (here the record is shared by two chord variations).
        const std::vector<CTimed> halves = {
            {0, NoteOn(36)}, {192, NoteOff(36)}, {1000, NoteOn(38)}, {1100, NoteOff(38)}};
        for (const bool second : {false, true}) {
            SCOPED_TRACE(second ? "shared" : "alone");
            std::vector<CCompactCv> chordVars = {{768, {{0, 0}}, {{0, kStartMark, 0}}}};
            std::vector<uint16_t> references = {1};
            if (second) {
                chordVars.push_back({1536, {{0, 0}}, {{0, kStartMark, 0}}});
                references.push_back(1);
            }
            auto tree = CompactTree({{2, PatternRecord(2, 1536, halves)}}, references, chordVars);
            CTraceCapture capture;
            CNstRyIfc style;
            LoadAndParse(*tree, style);
            EXPECT_TRUE(capture.Contains("Warning! Uncorrect CV length found!\nForced to Pattern length."));
            const CNstChordVar& repaired = *style.FindElement(0)->FindChordVar(0);
            EXPECT_EQ(repaired.lengthTicks, 1536);
            EXPECT_EQ(repaired.patterns[0].lengthTicks, 1536);
            EXPECT_EQ(ChannelEvents(repaired.patterns[0].data), halves);
        }
    }
    {
        // A drum record played on the bass track is reported, nothing else.
        auto tree =
            CompactTree({{2, PatternRecord(2, 1536, hit)}}, {1}, {{1536, {{1, 2}}, {{0, kStartMark, 0}}}});
        CTraceCapture capture;
        EXPECT_EQ(CMakeMark::MeasureExpansion(*tree->nav, false), 0);
        EXPECT_TRUE(capture.Contains("Warning! Pattern type && use in CV are inconsistent!"));
    }
}

TEST_F(CompactTrees, RefuseReferencesAndMarksOutsideTheirTables)
{
    const std::vector<CTimed> hit = {{0, NoteOn(36)}, {192, NoteOff(36)}};
    // Two pairs but one reference: the analysis cannot pair them up.
    auto short_ =
        CompactTree({{2, PatternRecord(2, 384, hit)}}, {1}, {{1536, {{0, 0}, {0, 1}}, {{0, kStartMark, 0}}}});
    CTraceCapture capture;
    EXPECT_LT(CMakeMark::MeasureExpansion(*short_->nav, false), 0);
    EXPECT_EQ(CMakeMark::ExpandChordVariations(*short_->nav, 0), nullptr);
    // Marks naming slots the chord variation does not have, or beyond the analysis' 64, are ignored.
    auto wild =
        CompactTree({{2, PatternRecord(2, 1536, hit)}}, {1},
                    {{1536, {{0, 0}}, {{0, kStartMark, 0}, {0, kStartMark, 70}, {384, kEndMark, 200}}}});
    CNstRyIfc style;
    ExpandAndParse(*wild, style);
    EXPECT_EQ(ChannelEvents(style.FindElement(0)->FindChordVar(0)->patterns[0].data), hit);
}

TEST_F(CompactTrees, JoinRunsOfMoreSlotsThanTheAnalysisFollows)
{
    // 100 neighbouring slots of the drum track, each starting one beat after the other.
    const std::vector<CTimed> hit = {{0, NoteOn(36)}, {96, NoteOff(36)}};
    std::vector<CMark> marks;
    for (uint8_t slot = 0; slot < 100; ++slot)
        marks.push_back({slot * 384u, kStartMark, slot});
    auto tree = CompactTree({{2, PatternRecord(2, 384, hit)}}, std::vector<uint16_t>(100, 1),
                            {{100 * 384, std::vector<CCvPair>(100, CCvPair{0, 0}), marks}});
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    const CNstPattern& drum = style.FindElement(0)->FindChordVar(0)->patterns[0];
    EXPECT_EQ(ChannelEvents(drum.data).size(), 200u);
    EXPECT_EQ(drum.lengthTicks, 100 * 384);
}

TEST_F(CompactTrees, KeepLongMarkStreamsThroughCompactionAndExpansion)
{
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(0);
    element.cvMeasures = 16;
    CNstChordVar& chordVar = element.GetChordVar(0);
    std::mt19937 rng(11);
    for (int t = 0; t < kStyleTracks; ++t)
        SetPattern(chordVar, t, RandomNotes(rng, 100 + 20 * t, 16 * 1536), 16 * 1536);
    // A tempo mark every 16 ticks: a mark stream of several kilobytes.
    CPackedWriter marks;
    for (uint32_t at = 0; at < 16 * 1536; at += 16)
        marks.WriteMeta(at, CEvent::PrivateMetaType, {kTempoMark, static_cast<uint8_t>(40 + at % 150)});
    marks.Finish(kTempoStreamEnd);
    chordVar.tempoData = marks.TakeBytes();
    ASSERT_GT(chordVar.tempoData.size(), 5000u);
    auto built = style.Build();
    ASSERT_NE(built, nullptr);
    CNstRyIfc expected(built->nav.get());
    auto compact = CopyOfContent(*built);
    CMakeMark::Compact(*compact->nav);
    EXPECT_GT(PoolList(*compact).patternCount, 8);
    CNstRyIfc back;
    ExpandAndParse(*compact, back);
    ExpectSameModel(back, expected);
}

TEST_F(CompactTrees, MergeIdenticalPatternRecords)
{
    const Bytes a = PatternRecord(2, 1536, Notes(3, 384, 40));
    const Bytes b = PatternRecord(2, 1536, Notes(3, 384, 41));
    auto tree = CompactTree(
        {{2, a}, {2, b}, {2, a}}, {1, 2, 3},
        {{1536, {{0, 0}, {0, 1}, {0, 7}}, {{0, kStartMark, 0}, {0, kStartMark, 1}, {0, kStartMark, 2}}}});
    EXPECT_EQ(CMakeMark::MergeDuplicatePatterns(*tree->nav), (3u << 16) | 1u);
    const CPoolListRec list = PoolList(*tree);
    EXPECT_EQ(list.patternCount, 2);
    EXPECT_EQ(list.references, (std::vector<uint16_t>{1, 2, 1}));
    EXPECT_EQ(CMakeMark::MergeDuplicatePatterns(*tree->nav), 2u << 16);
    CNstRyIfc style;
    ExpandAndParse(*tree, style);
    const CNstChordVar& chordVar = *style.FindElement(0)->FindChordVar(0);
    EXPECT_EQ(chordVar.patterns[7].data, chordVar.patterns[0].data);
    EXPECT_EQ(ChannelEvents(chordVar.patterns[1].data), Notes(3, 384, 41));
}

// A built style with one long Acc. 1 pattern in a chord variation of eight measures, and short patterns.
std::unique_ptr<CStyleContent> LongPatternStyle(CNstRyIfc& style, int longEvents)
{
    CNstStyleElem& element = style.GetElement(0);
    element.cvMeasures = 8;
    CNstChordVar& chordVar = element.GetChordVar(0);
    SetPattern(chordVar, 3, Notes(longEvents / 2, 8 * 1536 / static_cast<uint32_t>(longEvents / 2), 40),
               8 * 1536);
    SetPattern(chordVar, 0, Notes(4, 3072, 36), 8 * 1536);
    return style.Build();
}

TEST_F(CompactTrees, CutLongPatternsIntoMeasurePiecesAndJoinThemAgain)
{
    CNstRyIfc style;
    auto built = LongPatternStyle(style, 400);
    ASSERT_NE(built, nullptr);
    auto compact = CopyOfContent(*built);
    CMakeMark::Compact(*compact->nav);
    const CPoolListRec list = PoolList(*compact);
    EXPECT_GT(list.patternCount, 3);
    EXPECT_EQ(list.references.size(), list.patternCount); // nothing shared here, one slot per piece
    EXPECT_LT(compact->Size(), built->Size() + 1000);
    CNstRyIfc back;
    ExpandAndParse(*compact, back);
    ExpectSameModel(back, style);
}

TEST_F(CompactTrees, LeaveShortPatternsWhole)
{
    CNstRyIfc style;
    auto built = LongPatternStyle(style, 118); // below 1.5 x 80 events
    ASSERT_NE(built, nullptr);
    auto compact = CopyOfContent(*built);
    CMakeMark::SplitLongPatterns(*compact->nav, 80);
    EXPECT_EQ(ContentBytes(*compact), ContentBytes(*built));
}

TEST_F(CompactTrees, ReuseRepeatedPiecesBySlotsThatKeepPlaying)
{
    // The same measure eight times: one piece, played by one slot for the whole chord variation.
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(0);
    element.cvMeasures = 8;
    CNstChordVar& chordVar = element.GetChordVar(0);
    std::vector<CTimed> measures;
    for (uint32_t m = 0; m < 8; ++m)
        for (const CTimed& e : Notes(30, 48, 40))
            measures.push_back({e.time + m * 1536, e.header});
    SetPattern(chordVar, 4, measures, 8 * 1536);
    auto built = style.Build();
    ASSERT_NE(built, nullptr);
    auto compact = CopyOfContent(*built);
    CMakeMark::Compact(*compact->nav);
    EXPECT_LT(compact->Size(), built->Size());
    CNstRyIfc back;
    ExpandAndParse(*compact, back);
    ExpectSameModel(back, style);
}

TEST_F(CompactTrees, LeaveAPatternWholeWhenItsPiecesDoNotFit)
{
    CNstRyIfc style;
    auto built = LongPatternStyle(style, 400);
    ASSERT_NE(built, nullptr);
    auto tight = CopyOfContent(*built, built->Size());
    CMakeMark::SplitLongPatterns(*tight->nav, 80);
    EXPECT_EQ(ContentBytes(*tight), ContentBytes(*built));
}

TEST_F(CompactTrees, WarnAboutChordVariationsWithManySlots)
{
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(0);
    element.cvMeasures = 16;
    CNstChordVar& chordVar = element.GetChordVar(0);
    std::mt19937 rng(3);
    for (int t = 0; t < kStyleTracks; ++t)
        SetPattern(chordVar, t, RandomNotes(rng, 155, 16 * 1536), 16 * 1536);
    auto built = style.Build();
    ASSERT_NE(built, nullptr);
    auto compact = CopyOfContent(*built);
    CTraceCapture capture;
    CMakeMark::Compact(*compact->nav);
    EXPECT_TRUE(capture.Contains("Warning! Many Cv Patterns"));
    CNstRyIfc back;
    ExpandAndParse(*compact, back);
    ExpectSameModel(back, style);
}

// Expanding a compacted tree gives back, track by track, the same events at the same times.
TEST_F(CompactTrees, ExpandWhatCompactionMade)
{
    const uint32_t base = std::random_device{}();
    for (uint32_t round = 0; round < 12; ++round) {
        const uint32_t seed = base + round;
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        CNstRyIfc style;
        FillRandomStyle(style, rng, 1 + static_cast<int>(rng() % 150));
        // Identical patterns on other tracks and chord variations, as real styles have.
        const CNstPattern& shared = style.GetElement(0).GetChordVar(0).GetPattern(0);
        style.GetElement(0).GetChordVar(0).patterns[1] = shared;
        if (CNstStyleElem* element = style.FindElement(1))
            if (CNstChordVar* chordVar = element->FindChordVar(0))
                if (chordVar->lengthTicks == shared.lengthTicks)
                    chordVar->patterns[0] = shared;
        auto built = style.Build();
        ASSERT_NE(built, nullptr);
        CNstRyIfc expected(built->nav.get());
        ASSERT_TRUE(expected.Parsed());
        auto compact = CopyOfContent(*built);
        CMakeMark::Compact(*compact->nav);
        compact->nav->Rewind();
        CMakeMark mark(*compact->nav);
        ASSERT_GE(mark.Analysis(), 0);
        auto expanded = mark.TakeExpanded();
        CNstRyIfc back;
        ASSERT_TRUE(ParseContent(expanded ? *expanded : *compact, back));
        ExpectSameModel(back, expected);
    }
}

} // namespace
