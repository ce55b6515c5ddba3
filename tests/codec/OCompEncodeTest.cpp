// Encoders: exact payloads worked out by hand from the encoding rules, and literal-run layouts.
#include "codec/COComp.h"
#include "codec/OCompCorpus.h"

#include <gtest/gtest.h>
#include <string>
#include <variant>

namespace {
using Bytes = std::vector<uint8_t>;
using EncodeFn = int32_t (*)(const uint8_t*, int32_t, uint8_t*, void*);
constexpr EncodeFn kMethods[] = {OCompEncodeFast, OCompEncodeLazy, OCompEncodeChain};

Bytes Encode(unsigned method, const Bytes& data)
{
    Bytes payload(COComp::MaxBlockSize(data.size()) - COComp::HeaderSize - 1);
    payload.resize(static_cast<std::size_t>(
        kMethods[method](data.data(), static_cast<int32_t>(data.size()), payload.data(), nullptr)));
    return payload;
}

Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// Opcode and operand bytes interleaved with literal text.
Bytes Stream(std::initializer_list<std::variant<Bytes, std::string_view>> parts)
{
    Bytes all;
    for (const auto& part : parts) {
        const Bytes bytes = std::holds_alternative<Bytes>(part) ? std::get<Bytes>(part)
                                                                : Text(std::get<std::string_view>(part));
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

const Bytes kEnd = {0x01, 0x00, 0x00};

struct EncodeRow {
    const char* what;
    unsigned firstMethod; // the row holds for methods firstMethod..lastMethod
    unsigned lastMethod;
    Bytes source;
    Bytes payload;
};

// Positions and scores behind each row:
// - "abcdefghabcdefgh" + 13: at 8 an 8-byte match at distance 8 (short form, score 6) beats the 7 bytes
//   at 9 (score 5) after literals; (8-1)<<13 | (8-1)<<2 = E0 1C.
// - 20 distinct letters + the first 10 again: a medium literal run (00 02), then a 10-byte match at
//   distance 20: opcode 0x20|8, word 19<<2.
// - "abcdefghij" twice, "Q", once more: the second copy matches at 10 from position 0; the third has
//   candidates at distance 11 and 21 of equal score, the nearer stays; "Q" rides in the low bits of the
//   first match's last byte (24 | 1).
// - "abcQbcdefghij-abcdefghij": at 14 only "abc" matches (3 bytes, score 1); at 15 nine bytes match
//   (score 6), so look-ahead takes position 15. Greedy method 0 takes the 3 bytes (2<<13 | 13<<2 = 40 34)
//   and then 7 bytes at distance 11 (6<<13 | 10<<2 = C0 28).
// - No search starts in the last 13 bytes, which every long row ends with as a plain literal run.
const EncodeRow kRows[] = {
    {"empty source", 0, 2, {}, kEnd},
    {"one byte", 0, 2, Text("a"), Stream({Bytes{1, 0, 1}, "a", kEnd})},
    {"three bytes", 0, 2, Text("aaa"), Stream({Bytes{1, 0, 3}, "aaa", kEnd})},
    {"four bytes", 0, 2, Text("abcd"), Stream({Bytes{2}, "abcd", kEnd})},
    {"17 equal bytes stay literal", 0, 2, Bytes(17, 'q'), Stream({Bytes{0x0F}, Bytes(17, 'q'), kEnd})},
    {"18 equal bytes match at distance 1", 0, 2, Bytes(18, 'a'),
     Stream({Bytes{2}, "aaaa", Bytes{0x2C, 0, 0}, kEnd})},
    {"short-form match", 0, 2, Text("abcdefghabcdefgh0123456789xyz"),
     Stream({Bytes{6}, "abcdefgh", Bytes{0xE0, 0x1C, 0x0B}, "0123456789xyz", kEnd})},
    {"medium literal run and medium match", 0, 2, Text("ABCDEFGHIJKLMNOPQRSTABCDEFGHIJ0123456789xyz"),
     Stream({Bytes{0, 2}, "ABCDEFGHIJKLMNOPQRST", Bytes{0x28, 0x00, 0x4C, 0x0B}, "0123456789xyz", kEnd})},
    {"nearer candidate on a tie, one pending literal in the low bits", 0, 2,
     Text("abcdefghijabcdefghijQabcdefghij0123456789xyz"),
     Stream({Bytes{8}, "abcdefghij", Bytes{0x28, 0x00, 0x25}, "Q", Bytes{0x28, 0x00, 0x28, 0x0B},
             "0123456789xyz", kEnd})},
    {"look-ahead prefers the longer match one byte on", 1, 2, Text("abcQbcdefghij-abcdefghij0123456789xyz"),
     Stream({Bytes{0x0D}, "abcQbcdefghij-a", Bytes{0x27, 0x00, 0x28, 0x0B}, "0123456789xyz", kEnd})},
    {"greedy takes the first match", 0, 0, Text("abcQbcdefghij-abcdefghij0123456789xyz"),
     Stream({Bytes{0x0C}, "abcQbcdefghij-", Bytes{0x40, 0x34, 0xC0, 0x28, 0x0B}, "0123456789xyz", kEnd})},
    // 4 literals, 65535 bytes at distance 1 (0x21, length word), the rest 34461 = 0x869D at distance 1.
    {"run longer than the longest match", 0, 2, Bytes(100000, 'x'),
     Stream({Bytes{2}, "xxxx", Bytes{0x21, 0xFF, 0xFF, 0x00, 0x00, 0x21, 0x86, 0x9D, 0x00, 0x00}, kEnd})},
};
} // namespace

TEST(OCompEncode, WritesTheHandWorkedPayloads)
{
    for (const EncodeRow& row : kRows)
        for (unsigned method = row.firstMethod; method <= row.lastMethod; ++method)
            EXPECT_EQ(Encode(method, row.source), row.payload) << row.what << ", method " << method;
}

TEST(OCompEncode, SplitsLiteralOnlySourcesIntoTheDocumentedRuns)
{
    const Bytes noise = ocomp_corpus::UniqueTripletBytes(200000, 21);
    struct Row {
        std::size_t length;
        Bytes headers; // run opcodes in order; pieces of 65532 come before the last
    } rows[] = {
        {18, {0x00, 0x00}},
        {271, {0x00, 0xFD}},
        {272, {0x01, 0x01, 0x10}},
        {65535, {0x01, 0xFF, 0xFF}},
        {65536, {0x01, 0xFF, 0xFC, 0x01, 0x00, 0x04}},
        {131067, {0x01, 0xFF, 0xFC, 0x01, 0xFF, 0xFF}},
        {200000, {0x01, 0xFF, 0xFC, 0x01, 0xFF, 0xFC, 0x01, 0xFF, 0xFC, 0x01, 0x0D, 0x4C}},
    };
    for (const Row& row : rows) {
        const Bytes source(noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(row.length));
        Bytes expected;
        std::size_t done = 0;
        for (std::size_t h = 0; h < row.headers.size();) {
            const std::size_t width = row.headers[h] == 0x01 ? 3 : 2;
            expected.insert(expected.end(), row.headers.begin() + static_cast<std::ptrdiff_t>(h),
                            row.headers.begin() + static_cast<std::ptrdiff_t>(h + width));
            h += width;
            const std::size_t piece = h < row.headers.size() ? 65532 : row.length - done;
            expected.insert(expected.end(), source.begin() + static_cast<std::ptrdiff_t>(done),
                            source.begin() + static_cast<std::ptrdiff_t>(done + piece));
            done += piece;
        }
        expected.insert(expected.end(), kEnd.begin(), kEnd.end());
        for (unsigned method = 0; method <= 2; ++method)
            EXPECT_EQ(Encode(method, source), expected) << row.length << " bytes, method " << method;
    }
}

// Round trips pass even for an encoder that never finds a match; this catches a search that stopped
// searching.
TEST(OCompEncode, HarderSearchesCompressPatternedDataBetter)
{
    const Bytes midi = ocomp_corpus::MidiLikeEvents(200000, 4);
    const Bytes text = ocomp_corpus::EnglishLikeText(200000, 4);
    for (const Bytes* data : {&midi, &text}) {
        const std::size_t fast = Encode(0, *data).size();
        const std::size_t lazy = Encode(1, *data).size();
        const std::size_t chain = Encode(2, *data).size();
        EXPECT_LT(fast, data->size() * 3 / 5);
        EXPECT_LT(lazy, fast);
        EXPECT_LT(chain, lazy);
    }
}
