#include "events/CMemIn.h"
#include "events/CMemOut.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {
const uint8_t kTen[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
}

TEST(MemIn, ShortReadsAtTheEndAreNoError)
{
    CMemIn in(kTen, sizeof kTen);
    uint8_t buffer[4];
    const uint32_t expected[] = {4, 4, 2, 0};
    for (uint32_t count : expected) {
        EXPECT_EQ(in.Read(buffer, 4), count);
        EXPECT_EQ(in.LastCount(), count);
    }
    EXPECT_EQ(buffer[1], 9); // the third read delivered 8, 9
    EXPECT_EQ(in.GetPos(), 10u);
    EXPECT_EQ(in.GetError(), 0);
    uint8_t byte = 0xFF;
    EXPECT_FALSE(in.ReadByte(&byte));
}

TEST(MemIn, SeeksClampToTheDataAndRejectBadOrigins)
{
    struct Row {
        int64_t offset;
        int origin;
        uint32_t expected;
    };
    const Row rows[] = {
        {20, CStream::SeekBegin, 10}, // past the end stops at the size
        {-5, CStream::SeekBegin, 0},  // before the start stops at 0
        {-2, CStream::SeekEnd, 8},
        {3, CStream::SeekBegin, 3},
        {-1, CStream::SeekCurrent, 2}, // relative to the previous row's position
        {INT64_C(-0x100000000), CStream::SeekCurrent, 0},
    };
    CMemIn in(kTen, sizeof kTen);
    for (const Row& row : rows) {
        EXPECT_TRUE(in.Seek(row.offset, row.origin));
        EXPECT_EQ(in.GetPos(), row.expected) << "offset " << row.offset << " origin " << row.origin;
    }
    EXPECT_FALSE(in.Seek(0, 3));
    EXPECT_EQ(in.GetError(), 1);
    EXPECT_EQ(in.GetPos(), 0u);
    uint8_t byte = 0;
    ASSERT_TRUE(in.ReadByte(&byte));
    EXPECT_EQ(byte, 0);
}

TEST(MemOut, GrowsOnceByRequestPlusCapacityPlus2000AndKeepsEveryByte)
{
    CMemOut out;
    std::vector<uint8_t> first(1999);
    std::iota(first.begin(), first.end(), uint8_t{1});
    out.Write(first.data(), 1999);
    EXPECT_EQ(out.Capacity(), 2000u);
    const uint8_t two[2] = {0xEE, 0xFF};
    out.Write(two, 2);
    EXPECT_EQ(out.Capacity(), 4002u);
    EXPECT_EQ(out.LastCount(), 2u);
    ASSERT_EQ(out.GetSize(), 2001u);
    for (uint32_t i = 0; i < 1999; ++i)
        ASSERT_EQ(out.Data()[i], first[i]) << "first mismatch at offset " << i;
    EXPECT_EQ(out.Data()[2000], 0xFF);
    EXPECT_EQ(out.GetError(), 0);
}

TEST(MemOut, RewritingTheStartKeepsTheLargerSize)
{
    CMemOut out;
    std::vector<uint8_t> bytes(100, 7);
    out.Write(bytes.data(), 100);
    out.Seek(0, CStream::SeekBegin);
    out.Write("MThd", 4);
    EXPECT_EQ(out.GetSize(), 100u);
    EXPECT_EQ(out.GetPos(), 4u);
    EXPECT_EQ(out.Data()[0], 'M');
    EXPECT_EQ(out.Data()[4], 7);
}

TEST(MemOut, WritingFarBeyondTheCapacityGrowsToCoverThePositionAndZeroFillsTheGap)
{
    CMemOut out;
    out.WriteByte(1);
    ASSERT_TRUE(out.Seek(5000, CStream::SeekBegin)); // a writer may seek past its size
    EXPECT_EQ(out.GetSize(), 1u);
    out.WriteByte(2);
    EXPECT_EQ(out.GetSize(), 5001u);
    EXPECT_GE(out.Capacity(), 5001u);
    EXPECT_EQ(out.Data()[2500], 0);
    EXPECT_EQ(out.Data()[5000], 2);
}

TEST(MemOut, DetachedBufferOutlivesTheStreamAndLaterWritesAreCutToItsCapacity)
{
    std::unique_ptr<uint8_t[]> bytes;
    {
        CMemOut out;
        out.Write("abc", 3);
        bytes = out.Detach();
        EXPECT_FALSE(out.IsOwned());
        EXPECT_EQ(out.Detach(), nullptr);
        out.Seek(1998, CStream::SeekBegin);
        out.Write("wxyz", 4);
        EXPECT_EQ(out.LastCount(), 2u);
        EXPECT_EQ(out.Capacity(), 2000u);
        out.Write("q", 1);
        EXPECT_EQ(out.LastCount(), 0u);
        EXPECT_EQ(out.GetSize(), 2000u);
    }
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[2], 'c');
    EXPECT_EQ(bytes[1999], 'x');
}
