// Payload decoder: every instruction form, malformed and truncated streams, capacity limits, and
// garbage that must never touch memory past the output.
#include "codec/COComp.h"
#include "codec/OCompCorpus.h"

#include <gtest/gtest.h>
#include <string>

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes kAbcd = {0x02, 'a', 'b', 'c', 'd'}; // short literal run "abcd"
const Bytes kEnd = {0x01, 0x00, 0x00};

struct DecodeRow {
    const char* what;
    Bytes input;
    int32_t capacity;
    int32_t result;
    std::string output; // checked when the result is not negative
};

const DecodeRow kRows[] = {
    {"empty input is a complete stream", {}, 8, 0, ""},
    {"end marker alone", kEnd, 0, 0, ""},
    {"literal run without end marker", kAbcd, 4, 4, "abcd"},
    {"medium literal run, 18 bytes", Concat({{0x00, 0x00}, Bytes(18, 'x'), kEnd}), 18, 18,
     std::string(18, 'x')},
    {"long literal run of 2", Concat({{0x01, 0x00, 0x02, 'h', 'i'}, kEnd}), 2, 2, "hi"},
    {"two literal runs in a row", Concat({kAbcd, kAbcd, kEnd}), 8, 8, "abcdabcd"},
    {"short match, distance 4, length 3", Concat({kAbcd, {0x40, 0x0C}, kEnd}), 7, 7, "abcdabc"},
    {"short match, distance 1, length 8", Concat({kAbcd, {0xE0, 0x00}, kEnd}), 12, 12, "abcddddddddd"},
    {"short match, distance 2, two trailing literals", Concat({kAbcd, {0x40, 0x06, 'x', 'y'}, kEnd}), 9, 9,
     "abcdcdcxy"},
    {"medium match, inline length 6, distance 3", Concat({kAbcd, {0x24, 0x00, 0x08}, kEnd}), 10, 10,
     "abcdbcdbcd"},
    {"medium match, byte length 34", Concat({kAbcd, {0x20, 0x00, 0x00, 0x0C}, kEnd}), 38, 38,
     "abcdabcdabcdabcdabcdabcdabcdabcdabcdab"},
    {"medium match, word length 5", Concat({kAbcd, {0x21, 0x00, 0x05, 0x00, 0x04}, kEnd}), 9, 9, "abcdcdcdc"},
    {"medium match, one trailing literal", Concat({kAbcd, {0x22, 0x00, 0x0D, 'z'}, kEnd}), 9, 9, "abcdabcdz"},
    // Truncated operands and literals.
    {"medium literal run without count", {0x00}, 300, -1, ""},
    {"long literal run with half a count", {0x01, 0x00}, 300, -1, ""},
    {"literal run short of bytes", {0x02, 'a', 'b', 'c'}, 4, -1, ""},
    {"short match without its second byte", Concat({kAbcd, {0x40}}), 16, -1, ""},
    {"medium match without its length byte", Concat({kAbcd, {0x20}}), 64, -1, ""},
    {"medium match with half a word length", Concat({kAbcd, {0x21, 0x00}}), 64, -1, ""},
    {"medium match with half a distance", Concat({kAbcd, {0x24, 0x00}}), 64, -1, ""},
    {"far match without its distance", Concat({kAbcd, {0x12}}), 64, -1, ""},
    {"trailing literal missing", Concat({kAbcd, {0x40, 0x0E, 'x'}}), 16, -1, ""},
    // Streams that are well formed up to an error.
    {"byte after the end marker", Concat({kAbcd, kEnd, {0x00}}), 4, -1, ""},
    {"end marker twice", Concat({kAbcd, kEnd, kEnd}), 4, -1, ""},
    {"match reaching before the output", Concat({kAbcd, {0x40, 0x10}, kEnd}), 16, -1, ""},
    {"match at the start of the output", {0x40, 0x00}, 16, -1, ""},
    {"far match reaching before the output", Concat({kAbcd, {0x12, 0x00, 0x00}, kEnd}), 64, -1, ""},
    // Capacity: exact fits, one byte short, and -2 ahead of -1 once operands are read.
    {"literal run one byte over capacity", Concat({kAbcd, kEnd}), 3, -2, ""},
    {"literal run over capacity and short of bytes", {0x02, 'a'}, 3, -2, ""},
    {"match one byte over capacity", Concat({kAbcd, {0x40, 0x0C}, kEnd}), 6, -2, ""},
    {"match over capacity and reaching before the output", Concat({kAbcd, {0xE0, 0x7C}}), 6, -2, ""},
    {"trailing literal over capacity", Concat({kAbcd, {0x40, 0x0D, 'x'}, kEnd}), 7, -2, ""},
    {"trailing literal over capacity and missing", Concat({kAbcd, {0x40, 0x0E, 'x'}}), 8, -2, ""},
    {"room to spare", Concat({kAbcd, {0x40, 0x0C}, kEnd}), 100, 7, "abcdabc"},
};

std::string AsText(const uint8_t* bytes, int32_t count)
{
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}
} // namespace

TEST(OCompDecode, DecodesEachFormAndRejectsMalformedStreams)
{
    for (const DecodeRow& row : kRows) {
        Bytes out(static_cast<std::size_t>(row.capacity) + 1, 0xCC);
        const int32_t result =
            OCompDecode(row.input.data(), static_cast<int32_t>(row.input.size()), out.data(), row.capacity);
        EXPECT_EQ(result, row.result) << row.what;
        if (result >= 0 && result == row.result) {
            EXPECT_EQ(AsText(out.data(), result), row.output) << row.what;
        }
        EXPECT_EQ(out.back(), 0xCC) << row.what;
    }
}

TEST(OCompDecode, FarMatchesReachBothHalvesOfTheirDistanceRange)
{
    const Bytes literals = ocomp_corpus::RandomBytes(49152, 1);
    // A long literal run of 49152 bytes, then far matches of 4 bytes at distance 16385 and 32769 + 16385.
    struct Case {
        uint8_t opcode;
        uint8_t word; // high byte; the low byte is 0x00 for 0x00 and 0xFC for 0xFF
        std::size_t distance;
    } cases[] = {{0x12, 0x00, 16385}, {0x1A, 0x00, 32769}, {0x12, 0xFF, 32768}, {0x1A, 0xFF, 49152}};
    for (const Case& c : cases) {
        const Bytes input = Concat(
            {{0x01, 0xC0, 0x00}, literals, {c.opcode, c.word, static_cast<uint8_t>(c.word & 0xFC)}, kEnd});
        Bytes out(49156);
        ASSERT_EQ(OCompDecode(input.data(), static_cast<int32_t>(input.size()), out.data(), 49156), 49156);
        EXPECT_TRUE(std::equal(out.begin() + 49152, out.end(),
                               literals.end() - static_cast<std::ptrdiff_t>(c.distance)))
            << c.distance;
    }
}

TEST(OCompDecode, LongOverlappingMatchesRepeatTheirPeriod)
{
    for (unsigned distance = 1; distance <= 9; ++distance) {
        // "abcdefghi" then a medium match of 65535 bytes at the given distance.
        const Bytes input = Concat({{0x07, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0x21, 0xFF, 0xFF,
                                     0x00, static_cast<uint8_t>((distance - 1) << 2)},
                                    kEnd});
        Bytes out(9 + 65535);
        ASSERT_EQ(OCompDecode(input.data(), static_cast<int32_t>(input.size()), out.data(), 9 + 65535),
                  9 + 65535);
        for (std::size_t i = 9; i < out.size(); ++i)
            ASSERT_EQ(out[i], out[i - distance]) << "distance " << distance << ", offset " << i;
    }
}

// Noise and damaged blocks: any result is acceptable as long as it is a documented one and nothing
// past the output capacity is written.
TEST(OCompDecode, GarbageNeverWritesPastTheOutput)
{
    const Bytes valid = [] {
        const Bytes data = ocomp_corpus::MidiLikeEvents(4000, 2);
        Bytes payload(COComp::MaxBlockSize(data.size()));
        payload.resize(static_cast<std::size_t>(
            OCompEncodeChain(data.data(), static_cast<int32_t>(data.size()), payload.data(), nullptr)));
        return payload;
    }();
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        std::mt19937 rng(seed);
        Bytes input = seed % 2 ? ocomp_corpus::RandomBytes(rng() % 200, seed) : valid;
        if (seed % 2 == 0)
            for (uint32_t flips = 1 + rng() % 4; flips > 0; --flips)
                input[rng() % input.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        const auto capacity = static_cast<int32_t>(rng() % 5000);
        Bytes out(static_cast<std::size_t>(capacity) + 16, 0xA5);
        const int32_t result =
            OCompDecode(input.data(), static_cast<int32_t>(input.size()), out.data(), capacity);
        EXPECT_TRUE(result == -1 || result == -2 || (result >= 0 && result <= capacity)) << "seed " << seed;
        for (std::size_t i = static_cast<std::size_t>(capacity); i < out.size(); ++i)
            ASSERT_EQ(out[i], 0xA5) << "seed " << seed << ", canary offset " << i;
    }
}
