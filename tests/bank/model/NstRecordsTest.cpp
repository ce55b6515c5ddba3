// The byte records of a style content tree, read from well-formed, short and malformed bytes.
#include "bank/model/CNstRecords.h"
#include "events/Trace.h"
#include "packed/CPatternData.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(StyleRecords, ReadStyleHeadersWithAndWithoutTheirLastByte)
{
    struct Row {
        Bytes bytes;
        bool lastByte;
        bool ok;
        const char* name;
        uint16_t mask;
        uint8_t byte0Track2, byte1Track3, byte2Track0, byte2Track1;
    };
    const Row rows[] = {
        {{2, 'A', 'b', 0x00, 0x20, 0x08, 0x00, 0x05, 0x02}, true, true, "Ab", 5, 2, 1, 0, 1}, // new format
        {{2, 'A', 'b', 0x00, 0x20, 0x08, 0x00, 0x05}, false, true, "Ab", 5, 2, 1, 1, 0}, // old: byte 2 = 1
        {{2, 'A', 'b', 0x00, 0x20, 0x08, 0x00, 0x05}, true, false, "", 0, 0, 0, 0, 0},   // last byte missing
        {{5, 'A', 'b', 0x00, 0x20}, false, false, "", 0, 0, 0, 0, 0},                    // name runs past
        {{}, false, false, "", 0, 0, 0, 0, 0},                                           // nothing
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CStyleHeaderRec header;
        ASSERT_EQ(header.Read(row.bytes.data(), row.bytes.size(), row.lastByte), row.ok);
        if (!row.ok)
            continue;
        EXPECT_EQ(header.name, row.name);
        EXPECT_EQ(header.elementMask, row.mask);
        EXPECT_EQ(header.trackStyle[2][0], row.byte0Track2);
        EXPECT_EQ(header.trackStyle[3][1], row.byte1Track3);
        EXPECT_EQ(header.trackStyle[0][2], row.byte2Track0);
        EXPECT_EQ(header.trackStyle[1][2], row.byte2Track1);
        EXPECT_EQ(header.Bytes(row.lastByte), row.bytes);
    }
}

TEST(StyleRecords, CutNamesToThirtyOneCharacters)
{
    Bytes bytes{40};
    bytes.resize(41, 'x');
    bytes.insert(bytes.end(), {0, 0, 0, 0, 1});
    CStyleHeaderRec header;
    ASSERT_TRUE(header.Read(bytes.data(), bytes.size(), false));
    EXPECT_EQ(header.name, std::string(31, 'x'));
    EXPECT_EQ(header.elementMask, 1);
}

TEST(StyleRecords, FillShortChordTablesWithTheirFirstEntry)
{
    struct Row {
        Bytes bytes;
        bool ok;
        uint8_t entry3, entry21;
    };
    const Row rows[] = {
        {{0x03, 1, 0x1A, 4, 1, 0, 1, 0}, true, 0, 1}, // m = 4, 3/4: entries 4..21 repeat entry 0
        {{0x03, 1, 0x1A, 0}, true, 0, 0},             // m = 0
        {{0x03, 1, 0x1A, 22, 1, 0}, false, 0, 0},     // m says 22, two given
        {{0x03, 1, 0x1A}, false, 0, 0},               // no count
    };
    for (const Row& row : rows) {
        CElemHeaderRec header;
        ASSERT_EQ(header.Read(row.bytes.data(), row.bytes.size()), row.ok);
        if (!row.ok)
            continue;
        EXPECT_EQ(header.numerator, 3);
        EXPECT_EQ(header.denomExp, 2);
        EXPECT_EQ(header.cvMask, 3);
        EXPECT_EQ(header.chordTable[3], row.entry3);
        EXPECT_EQ(header.chordTable[21], row.entry21);
        EXPECT_EQ(header.Bytes().size(), 26u);
    }
}

TEST(StyleRecords, SwapTheKeyRangeBytesOfTrackParameters)
{
    CTrackParamRec::Entries entries{};
    for (int t = 0; t < 8; ++t)
        entries[t] = {100, 120, 1, static_cast<uint8_t>(t), 21, 108};
    const Bytes bytes = CTrackParamRec::Bytes(entries);
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 12), (Bytes{100, 120, 1, 1, 108, 21}));
    CTrackParamRec::Entries back{};
    ASSERT_TRUE(CTrackParamRec::Read(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back, entries);
    EXPECT_FALSE(CTrackParamRec::Read(bytes.data(), 47, back));
}

TEST(StyleRecords, ReadChordVariationRecordsOnlyWithinTheirSize)
{
    struct Row {
        Bytes bytes;
        bool ok;
        size_t pairs;
    };
    const Row rows[] = {
        {{0, 0, 6, 0, 0, 0, 0, 2, 0x09, 0x2F, 1, 2, 4}, true, 1},  // 2-byte stream, one pair
        {{0, 0, 6, 0, 0, 0, 0, 2, 0x09, 0x2F, 2, 2, 4}, false, 0}, // two pairs announced, one given
        {{0, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xF0, 0x09}, false, 0},    // stream size far past the record
        {{0, 0, 6, 0, 0, 0, 0, 2, 0x09, 0x2F}, false, 0},          // no pair count
        {{0, 0, 6}, false, 0},                                     // short length
    };
    for (const Row& row : rows) {
        CCvRecord record;
        ASSERT_EQ(record.Read(row.bytes.data(), row.bytes.size()), row.ok);
        EXPECT_EQ(record.pairs.size(), row.pairs);
        if (!row.ok)
            continue;
        EXPECT_EQ(record.lengthTicks, 1536u);
        EXPECT_EQ(record.pairs[0], (CCvPair{2, 4}));
        Bytes out;
        ASSERT_TRUE(record.Bytes(Bytes(record.marks, record.marks + record.marksSize), out));
        EXPECT_EQ(out, row.bytes);
    }
}

TEST(StyleRecords, RefusePoolListsWhoseReferencesNameNoPattern)
{
    struct Row {
        Bytes bytes;
        bool ok;
    };
    const Row rows[] = {
        {{0, 2, 0, 3, 0, 1, 0, 2, 0, 1}, true},  // 2 patterns, references 1, 2, 1
        {{0, 2, 0, 3, 0, 1, 0, 2, 0, 3}, false}, // reference 3 of 2 patterns
        {{0, 2, 0, 1, 0, 0}, false},             // reference 0
        {{0, 2, 0, 3, 0, 1, 0, 2}, false},       // three references announced, two given
        {{0, 2}, false},                         // no reference count
    };
    for (const Row& row : rows) {
        CPoolListRec list;
        ASSERT_EQ(list.Read(row.bytes.data(), row.bytes.size()), row.ok);
        if (row.ok) {
            EXPECT_EQ(list.Bytes(), row.bytes);
        }
    }
}

TEST(StyleRecords, ReadPatternRecordsOnlyWithinTheirSize)
{
    const Bytes bass{0, 0, 6, 0, 0, 0, 0, 2, 0x09, 0x2F, 7, 9};
    CPatternData view;
    CTraceCapture quiet;
    ASSERT_TRUE(view.Load(bass.data(), 12, 3, false));
    EXPECT_EQ(view.lengthTicks, 1536u);
    EXPECT_EQ(view.dataSize, 2u);
    EXPECT_EQ(view.trailer[0], 7);
    EXPECT_EQ(view.trailer[1], 9);
    EXPECT_TRUE(view.Load(bass.data(), 10, 2, false));  // a drum record has no trailer
    EXPECT_FALSE(view.Load(bass.data(), 11, 3, false)); // trailer cut short
    EXPECT_FALSE(view.Load(bass.data(), 9, 2, false));  // stream cut short
    EXPECT_FALSE(view.Load(bass.data(), 12, 5, false)); // no such record kind
}

} // namespace
