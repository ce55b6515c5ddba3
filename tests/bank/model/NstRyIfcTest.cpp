// Building a style content tree from the model and reading it back.
#include "bank/model/CNstRyIfc.h"
#include "events/Trace.h"
#include "support/StyleTestSupport.h"

#include <cstring>

namespace {

using StyleCodec = PoolCheckedTest;
using Bytes = std::vector<uint8_t>;

std::string Hex(const Bytes& bytes, size_t at)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", at < bytes.size() ? bytes[at] : 0);
    return text;
}

void ExpectSameBytes(const Bytes& actual, const Bytes& expected)
{
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const size_t at = static_cast<size_t>(mismatch.first - actual.begin());
    EXPECT_TRUE(actual == expected) << "first difference at offset " << at << ": " << Hex(actual, at)
                                    << " vs " << Hex(expected, at) << " (sizes " << actual.size() << ", "
                                    << expected.size() << ")";
}

// Pairs (track type, track) of every chord variation record of a tree, in tree order.
std::vector<std::vector<CCvPair>> PairsOf(CStyleContent& content)
{
    std::vector<std::vector<CCvPair>> all;
    CChunkNav& nav = *content.nav;
    nav.Rewind();
    while (nav.Find(CChunkNav::MatchId(3), 1, CChunkNav::kContainer, 0, 1)) {
        if (!nav.Enter(0, 0, 0))
            continue;
        while (nav.Next(CChunkNav::MatchId(3), 1, CChunkNav::kData)) {
            CCvRecord record;
            EXPECT_TRUE(record.Read(nav.Data(), nav.DataSize()));
            all.push_back(record.pairs);
        }
        nav.Leave();
    }
    nav.Rewind();
    return all;
}

TEST_F(StyleCodec, BuildsANewStyleAsVariationOneWithAnEmptyDrumPattern)
{
    CNstRyIfc style;
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    Bytes expected = {
        0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC7, // root, version 1
        0x01, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x10, // style header record
        0x09, 'N',  'e',  'w',  ' ',  'S',  't',  'y',  'l',  'e',  0xAA, 0xA0,
        0xF8, 0x00, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x24, // pool
        0x01, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x01,
        0x00, 0x01, 0x02, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x0E, // drum pattern record
        0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x06, 0x98, 0x80, 0x09, 0x2F,
        0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7B,              // Variation 1
        0x01, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x1A, 0x01, 0x01, 0x22, 0x16}; // element header
    expected.resize(expected.size() + 22, 0);
    const Bytes params = {0x02, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x30, // track parameters
                          0x64, 0x78, 0x00, 0x00, 0x6C, 0x15, 0x64, 0x78, 0x00,
                          0x40, 0x6C, 0x15, 0x64, 0x79, 0x00, 0x20, 0x6C, 0x15};
    expected.insert(expected.end(), params.begin(), params.end());
    for (int i = 0; i < 5; ++i)
        expected.insert(expected.end(), {0x64, 0x79, 0x00, 0x00, 0x6C, 0x15});
    const Bytes chordVar = {0x03, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x19, // chord variation record
                            0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x7E, 0x00, 0x04, 0x03,
                            0x00, 0x00, 0x00, 0x98, 0x80, 0x09, 0x2F, 0x00, 0x00, 0x01, 0x00, 0x00};
    expected.insert(expected.end(), chordVar.begin(), chordVar.end());
    ExpectSameBytes(ContentBytes(*content), expected);
}

TEST_F(StyleCodec, DropsWhatTheKeyboardCannotHoldWhenBuilding)
{
    CNstRyIfc style;
    CNstStyleElem& variation2 = style.GetElement(1);
    for (int k = 0; k < kChordVars; ++k)
        SetPattern(variation2.GetChordVar(k), 3, Notes(2, 384), 3072);
    CNstStyleElem& fill1 = style.GetElement(6);
    for (int k = 0; k < 4 && k < kChordVars; ++k)
        SetPattern(fill1.GetChordVar(k), 0, Notes(1, 384), 1536);
    fill1.chordTable[5] = 1;
    fill1.chordTable[6] = 3;
    // An element whose chord variations are all empty, one with events only beyond its two chord
    // variations, and an emptied pattern next to a full one.
    style.GetElement(9).GetChordVar(0).GetPattern(4);
    SetPattern(style.GetElement(10).GetChordVar(3), 1, Notes(1, 384), 1536);
    variation2.GetChordVar(2).GetPattern(6);
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(style.FindElement(9), nullptr);
    EXPECT_EQ(style.FindElement(10), nullptr);
    EXPECT_EQ(fill1.FindChordVar(2), nullptr);
    EXPECT_EQ(fill1.FindChordVar(3), nullptr);
    EXPECT_EQ(fill1.chordTable[6], 0);
    EXPECT_EQ(fill1.chordTable[5], 1);
    EXPECT_TRUE(variation2.GetChordVar(2).patterns[6].isVirgin);

    CNstRyIfc back;
    ASSERT_TRUE(ParseContent(*content, back));
    ASSERT_NE(back.FindElement(0), nullptr); // Variation 1 is always written
    EXPECT_NE(back.FindElement(0)->FindChordVar(0), nullptr);
    for (int k = 0; k < kChordVars; ++k)
        EXPECT_NE(back.FindElement(1)->FindChordVar(k), nullptr);
    EXPECT_EQ(back.FindElement(6)->FindChordVar(2), nullptr);
    // Variation 1's drum pattern was written at its chord variation's length; the rest reads back as built.
    back.DeleteElement(0);
    style.DeleteElement(0);
    ExpectSameModel(back, style);
    // Each chord variation lists only its set-up patterns: 1 drum pattern in Variation 1, 1 per other.
    for (const auto& pairs : PairsOf(*content))
        EXPECT_EQ(pairs.size(), 1u);
}

TEST_F(StyleCodec, RepeatsShortPatternsToTheLengthOfTheirChordVariation)
{
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(2);
    element.cvMeasures = 4;
    SetPattern(element.GetChordVar(0), 2, Notes(2, 768), 1536);
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    CNstRyIfc back;
    ASSERT_TRUE(ParseContent(*content, back));
    const CNstPattern& bass = back.FindElement(2)->FindChordVar(0)->patterns[2];
    EXPECT_EQ(bass.lengthTicks, 4 * 1536);
    std::vector<CTimed> expected;
    for (uint32_t copy = 0; copy < 4; ++copy)
        for (const CTimed& e : Notes(2, 768))
            expected.push_back({e.time + copy * 1536, e.header});
    EXPECT_EQ(ChannelEvents(bass.data), expected);
    EXPECT_EQ(back.FindElement(2)->FindChordVar(0)->measures, 4);
}

TEST_F(StyleCodec, RefusesToBuildAStyleWhosePatternsWouldOutgrowFourBanks)
{
    // Every track of six chord variations repeated over a damaged length of 20,000 beats: each
    // lengthened pattern would fit a bank alone, together they would take many.
    CNstRyIfc style;
    CNstStyleElem& element = style.GetElement(0);
    for (int k = 0; k < 6; ++k) {
        CNstChordVar& chordVar = element.GetChordVar(k);
        for (int t = 0; t < kStyleTracks; ++t)
            SetPattern(chordVar, t, Notes(4, 96), 384);
        chordVar.lengthTicks = 384 * 20000;
    }
    CTraceCapture capture;
    EXPECT_EQ(style.Build(), nullptr);
    EXPECT_TRUE(capture.Contains("CNstPattern::SetLength() - "));
}

TEST_F(StyleCodec, ReadsBackWhatItBuilds)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        CNstRyIfc style;
        style.name = "Random " + std::to_string(seed);
        style.trackStyle[5] = {1, 1, 1};
        FillRandomStyle(style, rng, 6);
        CNstChordVar& chordVar = style.GetElement(0).GetChordVar(0);
        CPackedWriter marks;
        marks.WriteMeta(384, CEvent::PrivateMetaType, {kTempoMark, 90});
        marks.Finish(kTempoStreamEnd);
        chordVar.tempoData = marks.TakeBytes();
        auto content = style.Build();
        ASSERT_NE(content, nullptr);
        CNstRyIfc back(content->nav.get());
        ASSERT_TRUE(back.Parsed());
        ExpectSameModel(back, style);
        // Building what was read gives the same bytes again.
        auto again = back.Build();
        ASSERT_NE(again, nullptr);
        ExpectSameBytes(ContentBytes(*again), ContentBytes(*content));
    }
}

TEST_F(StyleCodec, WritesOldFormatStylesWithoutTheHeadersLastByte)
{
    CNstRyIfc style;
    style.version = 0;
    style.trackStyle[0][2] = 0;
    style.trackStyle[4][2] = 1;
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    const uint8_t* header = content->Bytes() + 8;
    EXPECT_EQ(content->Bytes()[1], 0); // root aux1: version 0
    EXPECT_EQ(header[2], 0);           // no last byte
    EXPECT_EQ(header[7], 9 + 6);
    CNstRyIfc back(content->nav.get());
    ASSERT_TRUE(back.Parsed());
    EXPECT_EQ(back.version, 0);
    for (int t = 0; t < kStyleTracks; ++t)
        EXPECT_EQ(back.trackStyle[t][2], t == 0 ? 1 : 0);
}

TEST_F(StyleCodec, HandlesStylesLargerThanItsEstimate)
{
    // Dense one-beat patterns repeated over eight measures: the estimate counts doublings only (4 copies
    // of 32), far less than what is written.
    CNstRyIfc style;
    for (int e = 0; e < kStyleElements; ++e) {
        CNstStyleElem& element = style.GetElement(e);
        element.cvMeasures = 8;
        for (int k = 0; k < (e < 4 ? kChordVars : 2); ++k) {
            CNstChordVar& chordVar = element.GetChordVar(k);
            for (int t = 0; t < kStyleTracks; ++t)
                SetPattern(chordVar, t, Notes(40, 9, static_cast<uint8_t>(30 + t)), 384);
            // A long mark stream: a tempo mark every 24 ticks.
            CPackedWriter marks;
            for (uint32_t at = 0; at < 12288; at += 24)
                marks.WriteMeta(at, CEvent::PrivateMetaType,
                                {kTempoMark, static_cast<uint8_t>(50 + at % 100)});
            marks.Finish(kTempoStreamEnd);
            chordVar.tempoData = marks.TakeBytes();
        }
    }
    const int estimate = style.EstimateSize(true);
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    EXPECT_GT(content->Size(), estimate + 50000);
    EXPECT_LE(content->Size(), content->capacity);
    CNstRyIfc back(content->nav.get());
    ASSERT_TRUE(back.Parsed());
    const CNstChordVar& last = *back.FindElement(11)->FindChordVar(1);
    EXPECT_EQ(ChannelEvents(last.patterns[7].data).size(), 32u * 80u);
    EXPECT_EQ(last.tempoData, style.FindElement(11)->FindChordVar(1)->tempoData);
}

// --- Refusing corrupt trees ---

// A one-element tree whose records are given.
Bytes Tree(const Bytes& styleHeader, const Bytes& elementHeader, const Bytes& chordVar, const Bytes& pattern,
           uint8_t patternId = 2)
{
    auto content = CStyleContent::Create(4096, 1);
    CChunkNav& nav = *content->nav;
    auto data = [&](bool child, uint8_t id, uint8_t aux2, const Bytes& bytes) {
        const auto size = static_cast<uint32_t>(bytes.size());
        EXPECT_TRUE(child ? nav.AddChild(1, 2, id, 0, aux2, size) : nav.AddSibling(1, 2, id, 0, aux2, size));
        nav.Write(0, bytes.data(), size);
    };
    data(true, 1, 1, styleHeader);
    nav.AddSibling(1, 1, 2, 0, 0, 0);
    data(true, 1, 0, {0, 1, 0, 1, 0, 1});
    if (!pattern.empty())
        data(false, patternId, 0, pattern);
    nav.Leave();
    nav.AddSibling(1, 1, 3, 0, 0, 0);
    data(true, 1, 0, elementHeader);
    data(false, 2, 0, Bytes(48, 0));
    if (!chordVar.empty())
        data(false, 3, 0, chordVar);
    return ContentBytes(*content);
}

const Bytes kHeader = {1, 'S', 0, 0, 0, 0, 1, 1}; // element 0
const Bytes kElement = {1, 0, 0x22, 1, 0};        // chord variation 0
const Bytes kChordVar = {0, 0, 6, 0, 0, 0, 0, 6, 0x8C, 0x80, 0x09, 0x2F, 0, 0, 1, 0, 0};
const Bytes kPattern = {0, 0, 6, 0, 0, 0, 0, 6, 0x8C, 0x80, 0x09, 0x2F, 0, 0};

TEST_F(StyleCodec, RefusesTreesThatDisagreeWithTheirRecords)
{
    struct Row {
        const char* what;
        Bytes tree;
        bool ok;
    };
    const Bytes twoPairs = {0, 0, 6, 0, 0, 0, 0, 6, 0x8C, 0x80, 0x09, 0x2F, 0, 0, 2, 0, 0, 0, 1};
    const Row rows[] = {
        {"sound tree", Tree(kHeader, kElement, kChordVar, kPattern), true},
        {"element mask names two elements", Tree({1, 'S', 0, 0, 0, 0, 3, 1}, kElement, kChordVar, kPattern),
         false},
        {"element mask names none", Tree({1, 'S', 0, 0, 0, 0, 0, 1}, kElement, kChordVar, kPattern), false},
        {"element mask names element 13", Tree({1, 'S', 0, 0, 0, 0x20, 0, 1}, kElement, kChordVar, kPattern),
         false},
        {"chord variation mask names two", Tree(kHeader, {3, 0, 0x22, 1, 0}, kChordVar, kPattern), false},
        {"chord variation mask names 7", Tree(kHeader, {0x80, 0, 0x22, 1, 0}, kChordVar, kPattern), false},
        {"chord variation record without it", Tree(kHeader, {0, 0, 0x22, 1, 0}, kChordVar, kPattern), false},
        {"pool runs out", Tree(kHeader, kElement, twoPairs, kPattern), false},
        {"no pattern record", Tree(kHeader, kElement, kChordVar, {}), false},
        {"pattern record shorter than its stream",
         Tree(kHeader, kElement, kChordVar, Bytes(kPattern.begin(), kPattern.end() - 1)), false},
        {"bass record without trailer", Tree(kHeader, kElement, kChordVar, kPattern, 3), false},
        {"style header cut", Tree({1, 'S', 0, 0, 0, 0, 1}, kElement, kChordVar, kPattern), false},
        {"element header cut", Tree(kHeader, {1, 0, 0x22, 3, 0}, kChordVar, kPattern), false},
        {"chord variation record cut",
         Tree(kHeader, kElement, Bytes(kChordVar.begin(), kChordVar.end() - 1), kPattern), false},
        {"pair names track 8",
         Tree(kHeader, kElement, {0, 0, 6, 0, 0, 0, 0, 6, 0x8C, 0x80, 0x09, 0x2F, 0, 0, 1, 2, 8}, kPattern),
         false},
        {"mark stream undecodable",
         Tree(kHeader, kElement, {0, 0, 6, 0, 0, 0, 0, 2, 0x0B, 0x8F, 1, 0, 0}, kPattern), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CTraceCapture capture;
        Bytes tree = row.tree;
        CChunkNav nav(tree.data(), static_cast<int32_t>(tree.size()));
        CNstRyIfc style;
        EXPECT_EQ(style.Parse(nav), row.ok);
        EXPECT_EQ(style.FindElement(0) != nullptr, row.ok);
        EXPECT_EQ(nav.Depth(), 0);
        EXPECT_EQ(capture.Contains("CNstRyIfc::Parse() - style content corrupt"), !row.ok);
    }
}

TEST_F(StyleCodec, NeverReadsOutsideAMutatedTree)
{
    std::mt19937 build(7);
    CNstRyIfc style;
    FillRandomStyle(style, build, 4);
    auto content = style.Build();
    ASSERT_NE(content, nullptr);
    const Bytes original = ContentBytes(*content);
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; ++round) {
        Bytes tree = original;
        for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips)
            tree[rng() % tree.size()] = static_cast<uint8_t>(rng());
        // Exactly sized: anything read past the tree is caught by the address sanitizer.
        auto exact = std::make_unique<uint8_t[]>(tree.size());
        std::memcpy(exact.get(), tree.data(), tree.size());
        if (!CChunkNav::CheckTree(exact.get(), tree.size()))
            continue;
        CChunkNav nav(exact.get(), static_cast<int32_t>(ReadBE32(exact.get() + 4) + 8));
        // Whatever reads as a style is built again or refused; a damaged length asking for a pattern
        // larger than any bank is refused rather than repeated without end.
        CNstRyIfc parsed(&nav);
        if (parsed.Parsed())
            parsed.Build();
    }
}

} // namespace
