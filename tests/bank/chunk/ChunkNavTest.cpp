// Moves, edits and tree checks of the chunk navigator.
#include "bank/chunk/CChunkNav.h"
#include "bank/chunk/CChunkNavComp.h"
#include "events/CBigEndian.h"
#include "events/Trace.h"
#include "tools/bankbuilder/CBankBuilder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {
using Bytes = CBankBuilder::Bytes;
using Nav = CChunkNav;

Bytes Chunk(uint8_t id, uint8_t flags, const Bytes& data)
{
    return CBankBuilder::Chunk(id, 0, 0, flags, data);
}

// root 1
//   2 data "abc"   6 container { 1 container { 2 data (2 bytes), 3 data (1 byte) } }
//   7 empty container   9 compressed container (4 bytes)   5 empty data chunk
Bytes SampleTree()
{
    const Bytes inner =
        Chunk(1, 0x00, CBankBuilder::Join({Chunk(2, 0x08, {0xB1, 0xB2}), Chunk(3, 0x08, {0xB3})}));
    return Chunk(1, 0x14,
                 CBankBuilder::Join({Chunk(2, 0x18, {'a', 'b', 'c'}), Chunk(6, 0x10, inner),
                                     Chunk(7, 0x10, {}), Chunk(9, 0x30, {1, 2, 3, 4}), Chunk(5, 0x18, {})}));
}

// A tree in a buffer with spare room and a canary behind the capacity.
struct Tree {
    static constexpr int32_t kSpare = 64;
    static constexpr uint8_t kCanary = 0xEE;
    explicit Tree(const Bytes& tree = SampleTree(), int32_t spare = kSpare)
        : bytes(tree), capacity(static_cast<int32_t>(tree.size()) + spare)
    {
        bytes.resize(static_cast<size_t>(capacity) + 16, 0);
        std::fill(bytes.begin() + capacity, bytes.end(), kCanary);
    }
    bool CanaryIntact() const
    {
        return std::all_of(bytes.begin() + capacity, bytes.end(), [](uint8_t b) { return b == kCanary; });
    }
    size_t Offset(const Nav& nav) const { return static_cast<size_t>(nav.Header() - bytes.data()); }
    Bytes bytes;
    int32_t capacity;
};

// Ids met by a full pre-order walk, each followed by its depth.
std::string Walk(Nav& nav)
{
    std::string ids;
    nav.Rewind();
    while (nav.Find(0, 0, 0, 0, 0))
        ids += std::to_string(nav.Id()) + "@" + std::to_string(nav.Depth()) + " ";
    nav.Rewind();
    return ids;
}
const std::string kSampleWalk = "2@1 6@1 1@2 2@3 3@3 7@1 9@1 5@1 ";

void Go(Nav& nav, std::initializer_list<int> path)
{
    nav.Rewind();
    for (int steps : path) {
        ASSERT_TRUE(nav.Enter(0, 0, 0));
        for (int i = 0; i < steps; ++i)
            ASSERT_TRUE(nav.Next(0, 0, 0));
    }
}
} // namespace

TEST(ChunkNav, FailedMovesKeepThePosition)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    EXPECT_EQ(Walk(nav), kSampleWalk);
    Go(nav, {4});
    const ChunkStep step = nav.Next(0, 0, 0); // from the last child
    EXPECT_FALSE(step.ok);
    EXPECT_EQ(step.id, 0);
    EXPECT_EQ(nav.Id(), 5);
    Go(nav, {1, 0, 1}); // last child of a nested container
    EXPECT_FALSE(nav.Next(0, 0, 0));
    EXPECT_EQ(nav.Id(), 3);
    EXPECT_EQ(nav.Depth(), 3);
    for (int sibling : {0, 2, 3, 4}) { // data, empty container, compressed container, empty data chunk
        Go(nav, {sibling});
        const uint8_t id = nav.Id();
        EXPECT_FALSE(nav.Enter(0, 0, 0)) << "sibling " << sibling;
        EXPECT_EQ(nav.Id(), id);
        EXPECT_EQ(nav.Depth(), 1);
    }
    EXPECT_EQ(nav.Rewind().id, 1);
    EXPECT_FALSE(nav.Next(0, 0, 0));
    EXPECT_FALSE(nav.Leave());
}

TEST(ChunkNav, MovesHonourTheMatchArguments)
{
    struct Case {
        uint16_t idSpec;
        uint8_t chunkClass, chunkKind;
        bool matches; // Next from the bank info chunk onto the class-2 container with id 6
    };
    const Case cases[] = {
        {0, 0, 0, true},
        {Nav::MatchId(6), 0, 0, true},
        {Nav::MatchId(7), 0, 0, false},
        {255, 0, 0, true},
        {0, Nav::kClass1, 0, false},
        {0, 0, Nav::kData, false},
        {Nav::MatchId(6), Nav::kClass2, Nav::kContainer, true},
    };
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    for (const Case& c : cases) {
        Go(nav, {0});
        const ChunkStep step = nav.Next(c.idSpec, c.chunkClass, c.chunkKind);
        EXPECT_EQ(step.ok, c.matches) << c.idSpec << " " << int{c.chunkClass} << " " << int{c.chunkKind};
        EXPECT_EQ(nav.Id(), c.matches ? 6 : 2);
    }
    nav.Rewind();
    EXPECT_FALSE(nav.Enter(Nav::MatchId(3), 0, 0));
    EXPECT_EQ(nav.Depth(), 0);
    EXPECT_EQ(nav.Enter(Nav::MatchId(2), Nav::kClass2, Nav::kData).id, 2);
}

TEST(ChunkNav, FindVisitsOnlyItsDepthAndStaysAboveItsFloor)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    std::string ids;
    while (nav.Find(0, Nav::kClass2, Nav::kContainer, 0, 1))
        ids += std::to_string(nav.Id()) + "@" + std::to_string(nav.Depth()) + " ";
    EXPECT_EQ(ids, "6@1 7@1 9@1 ");
    EXPECT_EQ(nav.Id(), 9); // the failed Find left the last match current
    nav.Rewind();
    EXPECT_EQ(nav.Find(Nav::MatchId(6), Nav::kClass2, Nav::kContainer, 1, 1).id, 6);
    EXPECT_FALSE(nav.Find(Nav::MatchId(6), Nav::kClass2, Nav::kContainer, 1, 1));
    EXPECT_EQ(nav.Find(Nav::MatchId(5), Nav::kClass2, Nav::kData, 0, 1).id, 5);
    nav.Rewind();
    EXPECT_EQ(nav.Find(Nav::MatchId(3), Nav::kClass1, Nav::kData, 0, 0).id, 3);
    EXPECT_EQ(nav.Depth(), 3);
    // From inside the style, floor 1 keeps the walk from climbing out to the next depth-1 chunk.
    Go(nav, {1, 0});
    EXPECT_FALSE(nav.Find(Nav::MatchId(7), 0, 0, 1, 1));
    EXPECT_EQ(nav.Id(), 1);
    EXPECT_EQ(nav.Depth(), 2);
    EXPECT_EQ(nav.Find(Nav::MatchId(7), 0, 0, 0, 1).id, 7);
}

TEST(ChunkNav, RemovingTheOnlyChildEmptiesTheParentAndACopyRefillsIt)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    const int32_t used = nav.Used();
    Go(nav, {1, 0});
    const ChunkStep removed = nav.Remove();
    EXPECT_TRUE(removed.ok);
    EXPECT_EQ(removed.id, 6);
    EXPECT_EQ(nav.Depth(), 1);
    EXPECT_EQ(nav.DataSize(), 0u);
    EXPECT_EQ(nav.Used(), used - 27);
    EXPECT_EQ(Walk(nav), "2@1 6@1 7@1 9@1 5@1 ");

    Bytes replacement = Chunk(1, 0x00, Chunk(4, 0x08, {7, 7, 7, 7, 7}));
    Nav source(replacement.data(), static_cast<int32_t>(replacement.size()));
    Go(nav, {1});
    const ChunkStep copied = nav.AddChildCopy(source);
    EXPECT_TRUE(copied.ok);
    EXPECT_EQ(copied.id, 1);
    EXPECT_EQ(nav.Depth(), 2);
    EXPECT_EQ(nav.Used(), used - 27 + 21);
    EXPECT_EQ(Walk(nav), "2@1 6@1 1@2 4@3 7@1 9@1 5@1 ");
    EXPECT_TRUE(Nav::CheckTree(tree.bytes.data(), static_cast<size_t>(nav.Used())));
    EXPECT_FALSE(nav.AddChildCopy(source)); // the copy is a container that is not empty
    Go(nav, {1});
    EXPECT_FALSE(nav.AddChildCopy(source)); // the style is no longer empty
    Go(nav, {0});
    EXPECT_EQ(nav.Remove().id, 6); // not the last child: the following sibling takes its place
    EXPECT_EQ(Walk(nav), "6@1 1@2 4@3 7@1 9@1 5@1 ");
    nav.Rewind();
    EXPECT_FALSE(nav.Remove());
}

TEST(ChunkNav, ResizeInTheMiddleAdjustsEveryEnclosingSizeAndKeepsWhatFollows)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    const Bytes tail(tree.bytes.begin() + 45, tree.bytes.begin() + nav.Used()); // from chunk 3@3 on
    Go(nav, {1, 0, 0});
    const uint32_t sizes[] = {10, 1, 0, 2};
    for (uint32_t size : sizes) {
        const int32_t delta = static_cast<int32_t>(size) - static_cast<int32_t>(nav.DataSize());
        const int32_t used = nav.Used();
        ASSERT_TRUE(nav.Resize(size));
        EXPECT_EQ(nav.Used(), used + delta);
        const size_t tailAt = tree.Offset(nav) + 8 + size;
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), tree.bytes.begin() + static_cast<ptrdiff_t>(tailAt)))
            << "size " << size;
        EXPECT_EQ(ReadBE32(tree.bytes.data() + 4) + 8, static_cast<uint32_t>(nav.Used()));
        EXPECT_TRUE(Nav::CheckTree(tree.bytes.data(), static_cast<size_t>(nav.Used()))) << "size " << size;
        if (size == 10) { // the kept bytes stay, grown ones are zeroed
            EXPECT_EQ(nav.Data()[1], 0xB2);
            EXPECT_EQ(nav.Data()[2], 0);
            EXPECT_EQ(nav.Data()[9], 0);
        }
        EXPECT_EQ(Walk(nav), kSampleWalk);
        Go(nav, {1, 0, 0});
    }
}

TEST(ChunkNav, EditsThatOutgrowTheCapacityAreRefusedWithoutTouchingTheBuffer)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    const Bytes before = tree.bytes;
    Go(nav, {1, 0, 0});
    EXPECT_FALSE(nav.Resize(2 + Tree::kSpare + 1));
    EXPECT_EQ(nav.Data(0xFFFFFFFFu), nullptr);
    EXPECT_FALSE(nav.InsertAfter(Tree::kSpare - 7));
    EXPECT_FALSE(nav.AddSibling(1, 2, 9, 0, 0, 0xFFFFFFF8u));
    Go(nav, {2});
    EXPECT_FALSE(nav.AddChild(1, 2, 9, 0, 0, Tree::kSpare - 7));
    EXPECT_EQ(tree.bytes, before);
    EXPECT_EQ(nav.Free(), Tree::kSpare);
    Go(nav, {1, 0, 0});
    EXPECT_TRUE(nav.Resize(2 + Tree::kSpare)); // exactly full
    EXPECT_EQ(nav.Free(), 0);
    EXPECT_TRUE(tree.CanaryIntact());
}

TEST(ChunkNav, InsertedChunksTakeTheirHeaderAndGrowTheirParents)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    Go(nav, {1, 0, 1});
    const ChunkStep inserted = nav.InsertAfter(2);
    EXPECT_EQ(inserted.id, 3);
    EXPECT_EQ(nav.Flags(), 0x08);
    EXPECT_EQ(nav.DataSize(), 2u);
    EXPECT_TRUE(nav.Write(0, "xy", 2));
    EXPECT_FALSE(nav.Write(1, "xy", 2));
    EXPECT_EQ(nav.AddSibling(Nav::kClass2, Nav::kContainer, 8, 0xA1, 0xA2, 99).id, 8);
    EXPECT_EQ(nav.Flags(), 0x10);
    EXPECT_EQ(nav.DataSize(), 0u); // containers start empty
    EXPECT_EQ(nav.AddChild(Nav::kClass1, Nav::kData, 4, 0, 0, 3).id, 4);
    EXPECT_EQ(nav.Depth(), 4);
    EXPECT_EQ(Walk(nav), "2@1 6@1 1@2 2@3 3@3 3@3 8@3 4@4 7@1 9@1 5@1 ");
    EXPECT_TRUE(Nav::CheckTree(tree.bytes.data(), static_cast<size_t>(nav.Used())));
    EXPECT_EQ(nav.Used(), tree.capacity - Tree::kSpare + 10 + 8 + 11);

    Go(nav, {0});
    EXPECT_FALSE(nav.AddChild(1, 2, 4, 0, 0, 0)); // a data chunk takes no child
    Go(nav, {1});
    EXPECT_FALSE(nav.AddChild(1, 2, 4, 0, 0, 0)); // nor does a container that has children
    Go(nav, {3});
    EXPECT_FALSE(nav.AddChild(1, 2, 4, 0, 0, 0)); // nor a compressed one
    nav.Rewind();
    EXPECT_FALSE(nav.InsertAfter(0));
    EXPECT_FALSE(nav.AddSibling(1, 2, 4, 0, 0, 0));
}

TEST(ChunkNav, SeekFindsARememberedChunkAfterAnEditInsideIt)
{
    Tree tree;
    Nav nav(tree.bytes.data(), tree.capacity);
    Go(nav, {1});
    const uint8_t* style = nav.Header();
    Go(nav, {4});
    const uint8_t* last = nav.Header();
    Go(nav, {1, 0, 0});
    ASSERT_TRUE(nav.Resize(1)); // the last chunk moves one byte down
    EXPECT_EQ(nav.Seek(style, 1).id, 6);
    EXPECT_EQ(nav.Depth(), 1);
    nav.Rewind();
    EXPECT_EQ(nav.Seek(last - 1, 1).id, 5);
    EXPECT_FALSE(nav.Seek(last, 1)); // no chunk starts there any more
    EXPECT_EQ(nav.Id(), 5);
    Go(nav, {1, 0, 1});
    EXPECT_EQ(nav.Seek(style, 1).id, 6); // backwards: leaves first
}

TEST(ChunkNav, MovesRefuseHeadersThatOverrunTheirParent)
{
    Tree tree;
    tree.bytes[42] = 12; // the nested data chunk 2 claims 12 bytes inside a container of 19
    tree.bytes[61] = 50; // the empty container 7 claims 50 bytes
    Nav nav(tree.bytes.data(), tree.capacity);
    CTraceCapture capture;
    Go(nav, {1});
    EXPECT_EQ(nav.Enter(0, 0, 0).id, 1);
    EXPECT_FALSE(nav.Enter(0, 0, 0));
    EXPECT_TRUE(capture.Contains("CChunkNav::Enter() - child at offset 35 overruns its parent"));
    Go(nav, {1});
    EXPECT_FALSE(nav.Next(0, 0, 0));
    EXPECT_TRUE(capture.Contains("CChunkNav::Next() - sibling at offset 54 overruns its parent"));
    EXPECT_EQ(Walk(nav), "2@1 6@1 1@2 ");
}

TEST(ChunkNav, CheckTreeAcceptsOnlyTreesWhoseSizesFit)
{
    const Bytes good = SampleTree();
    struct Case {
        const char* what;
        size_t at; // byte to patch, or SIZE_MAX
        uint8_t value;
        size_t length; // bytes given to CheckTree
        bool ok;
    };
    const Case cases[] = {
        {"the sample tree", SIZE_MAX, 0, good.size(), true},
        {"bytes after the root are ignored", SIZE_MAX, 0, good.size() + 3, true},
        {"garbage inside a compressed chunk is not looked at", 70, 0xFF, good.size(), true},
        {"root larger than the bytes", SIZE_MAX, 0, good.size() - 1, false},
        {"fewer than 8 bytes", SIZE_MAX, 0, 7, false},
        {"child larger than its parent", 42, 12, good.size(), false},
        {"children leave 3 bytes of the root unfilled", 7, 74 + 3, good.size() + 3, false},
        {"size with the high bit set", 4, 0x80, good.size(), false},
        {"data chunk turned into a container over its bytes", 11, 0x10, good.size(), false},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        bytes.resize(std::max(bytes.size(), c.length));
        if (c.at != SIZE_MAX)
            bytes[c.at] = c.value;
        EXPECT_EQ(Nav::CheckTree(bytes.data(), c.length), c.ok) << c.what;
    }
}

TEST(ChunkNav, CheckTreeRefusesNestingDeeperThanTheLimit)
{
    Bytes tree = Chunk(3, 0x08, {});
    for (int level = 0; level < Nav::kMaxDepth; ++level)
        tree = Chunk(1, 0x00, tree);
    EXPECT_TRUE(Nav::CheckTree(tree.data(), tree.size()));
    tree = Chunk(1, 0x00, tree);
    EXPECT_FALSE(Nav::CheckTree(tree.data(), tree.size()));
}

TEST(ChunkNavComp, EmptyChunksStayUncompressed)
{
    Tree empty(Chunk(1, 0x14, Chunk(6, 0x10, {})));
    CChunkNavComp nav(empty.bytes.data(), empty.capacity);
    Go(nav, {0});
    EXPECT_TRUE(nav.Compress());
    EXPECT_EQ(nav.Flags(), 0x10); // a block of nothing would not be recognised again
}
