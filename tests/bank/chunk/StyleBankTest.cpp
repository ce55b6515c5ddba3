// Opening, querying, committing and saving style banks.
#include "bank/chunk/CStyleBank.h"
#include "events/CBigEndian.h"
#include "events/Trace.h"
#include "files/CFileWriter.h"
#include "tools/bankbuilder/CBankBuilder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace {
using Bytes = CBankBuilder::Bytes;
using Nav = CChunkNav;
namespace fs = std::filesystem;

Bytes Pattern(size_t length, uint8_t seed)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>((i % 12) * 3 + seed);
    return bytes;
}

Bytes Content(uint8_t seed, size_t length = 300)
{
    return CBankBuilder::StyleContent(seed % 2, {CBankBuilder::Record(1, Pattern(10, seed)),
                                                 CBankBuilder::Record(2, Pattern(length, seed))});
}

// Style "Alpha" stored plain, a container of another id, style "Beta" stored compressed, then the index.
CBankBuilder SampleBuilder()
{
    CBankBuilder builder;
    builder.DataChunk(3, Pattern(8, 0))
        .NameTable()
        .Style("Alpha", Content(1))
        .Container(7, CBankBuilder::Record(1, {1, 2, 3}), "Other")
        .Style("Beta", Content(2), true)
        .OffsetIndex({9, 8, 7, 6});
    return builder;
}

struct Child {
    size_t offset;
    uint8_t id;
    uint8_t flags;
    uint32_t size;
};

// The root's children of an image that holds exactly one bank.
std::vector<Child> RootChildren(Bytes image)
{
    std::vector<Child> children;
    Nav nav(image.data(), static_cast<int32_t>(image.size()));
    while (nav.Find(0, 0, 0, 0, 1))
        children.push_back(
            {static_cast<size_t>(nav.Header() - image.data()), nav.Id(), nav.Flags(), nav.DataSize()});
    return children;
}

const Child& ChildWithId(const std::vector<Child>& children, uint8_t id)
{
    return *std::find_if(children.begin(), children.end(), [id](const Child& c) { return c.id == id; });
}

Bytes Saved(CStyleBank& bank)
{
    Bytes image;
    EXPECT_EQ(bank.SaveImage(image, bank.StyleNames()).result, BankResult::Ok);
    return image;
}

BankResult Open(CStyleBank& bank, const Bytes& image)
{
    return bank.OpenImage(image.data(), image.size());
}

// Index of the first differing byte, or -1.
long FirstMismatch(const Bytes& a, const Bytes& b)
{
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return ia == a.end() && ib == b.end() ? -1 : static_cast<long>(ia - a.begin());
}

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder per test, removed afterwards.
struct TempDir {
    TempDir()
        : path(fs::temp_directory_path() /
               ("ry7bank-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};
} // namespace

TEST(StyleBank, OpensAndSavesTheSmallBankOfTheFormatNotes)
{
    Bytes bank = {
        0x01, 0x00, 0x01, 0x14, 0x00, 0x00, 0x01, 0xff,                                 // root, 511 bytes
        0x02, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x10,                                 // bank info, 16 bytes
        0xa0, 0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 'Q',  'U', 'E', 'F', 0,   0, 0, 0, 0, //
        0x05, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x18, 'D', 'e', 'm', 'o', // name table, 24 bytes
    };
    bank.resize(0x40, 0);
    const Bytes style = {
        0x06, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x13, // style, 19 bytes
        0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0b, // content chunk, version 1
        0x02, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03, 'a',  'b',  'c',  0xfe,
        0x00, 0x00, 0x18, 0x00, 0x00, 0x01, 0xa4, // offset index, 420 bytes
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x40,
    };
    bank.insert(bank.end(), style.begin(), style.end());
    bank.resize(519, 0);
    CStyleBank opened;
    ASSERT_EQ(Open(opened, bank), BankResult::Ok);
    EXPECT_EQ(opened.StyleNames(), (std::vector<std::string>{"Demo"}));
    EXPECT_EQ(opened.SelectStyle(0)->content, Bytes(style.begin() + 8, style.begin() + 27));
    const Bytes saved = Saved(opened);
    const std::vector<Child> children = RootChildren(saved);
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(children[2].flags, 0x30);
    // Everything in front of the style but the root size is as it was.
    EXPECT_EQ(FirstMismatch(Bytes(saved.begin() + 8, saved.begin() + 0x40),
                            Bytes(bank.begin() + 8, bank.begin() + 0x40)),
              -1);
    const uint8_t* index = saved.data() + children[3].offset + 8;
    EXPECT_EQ(Bytes(index, index + 12), Bytes(style.begin() + 35, style.end()));
}

TEST(StyleBank, RefusesFilesWithoutTheBankHeader)
{
    const Bytes good = SampleBuilder().Build();
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
    };
    const Case cases[] = {
        {"root flags 0x10 instead of 0x14", 3, 0x10},
        {"root id 2", 0, 2},
        {"root aux2 0", 2, 0},
        {"bank info id 3", 8, 3},
        {"bank info flags", 11, 0x10},
        {"signature letter", 24, 'u'},
        {"signature terminator", 27, '!'},
    };
    CStyleBank bank;
    for (const Case& c : cases) {
        Bytes bytes = good;
        bytes[c.at] = c.value;
        EXPECT_EQ(Open(bank, bytes), BankResult::NotABank) << c.what;
        EXPECT_FALSE(bank.IsOpen());
    }
    EXPECT_EQ(bank.OpenImage(good.data(), 31), BankResult::NotABank); // shorter than the checked header
    EXPECT_EQ(bank.OpenFile("/nonexistent/bank.sty"), BankResult::NotABank);
    EXPECT_STREQ(CStyleBank::Message(BankResult::NotABank),
                 "File read error - File in use - or not a Quelon Ry Style File!");
}

TEST(StyleBank, RefusesTreesThatDoNotFitAndStylesThatDoNotExpand)
{
    const Bytes good = SampleBuilder().Build();
    const std::vector<Child> children = RootChildren(good);
    const Child& plain = ChildWithId(children, 6);
    const Child& packed = children[5];
    ASSERT_EQ(packed.flags, 0x30);
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
    };
    const Case cases[] = {
        {"style size overlaps the next chunk", plain.offset + 7, static_cast<uint8_t>(plain.size + 1)},
        {"style size far past the file", plain.offset + 4, 0x7F},
        {"content chunk larger than its style", plain.offset + 15, static_cast<uint8_t>(plain.size)},
        {"root size past the file", 4, 0x01},
        {"broken byte inside the compressed block", packed.offset + 8 + 20, 0x5A},
        {"block magic", packed.offset + 8, 'X'},
        {"block raw size far beyond the buffer", packed.offset + 8 + 7, 0x7F},
    };
    CStyleBank bank;
    for (const Case& c : cases) {
        Bytes bytes = good;
        bytes[c.at] = static_cast<uint8_t>(bytes[c.at] ^ c.value);
        EXPECT_EQ(Open(bank, bytes), BankResult::Corrupt) << c.what;
        EXPECT_FALSE(bank.IsOpen()) << c.what;
    }
    EXPECT_EQ(bank.OpenImage(good.data(), good.size() - 1), BankResult::Corrupt); // truncated file
    EXPECT_STREQ(CStyleBank::Message(BankResult::Corrupt), "File corrupt - Error!");
}

TEST(StyleBank, RefusesAStyleWhoseBlockDecodesToABrokenTree)
{
    Bytes notATree = Content(3);
    notATree[7] = static_cast<uint8_t>(notATree[7] + 1); // content chunk one byte longer than the data
    CBankBuilder builder;
    builder.NameTable().Style("Broken", notATree, true);
    CTraceCapture capture;
    CStyleBank bank;
    EXPECT_EQ(Open(bank, builder.Build()), BankResult::Corrupt);
    EXPECT_TRUE(capture.Contains("CChunkNavComp::Expand() - decoded chunk 6 is not a sound tree"));
}

TEST(StyleBank, RefusesFilesLargerThanTheBuffer)
{
    Bytes bytes = SampleBuilder().Build();
    bytes.resize(static_cast<size_t>(CStyleBank::kCapacity) + 1);
    CStyleBank bank;
    EXPECT_EQ(Open(bank, bytes), BankResult::TooLarge);
    TempDir dir;
    WriteFile(dir.path / "big.sty", bytes);
    EXPECT_EQ(bank.OpenFile(dir.path / "big.sty"), BankResult::TooLarge);
    bytes.pop_back(); // exactly the buffer: the bank and trailing bytes that are ignored
    EXPECT_EQ(Open(bank, bytes), BankResult::Ok);
}

TEST(StyleBank, OpensSlotsStylesAndNames)
{
    const Bytes image = SampleBuilder().Build();
    CStyleBank bank;
    ASSERT_EQ(Open(bank, image), BankResult::Ok);
    EXPECT_EQ(bank.Slots(), (std::vector<uint8_t>{1, 0, 1}));
    EXPECT_EQ(bank.StyleCount(), 2);
    EXPECT_EQ(bank.SlotOfStyle(1), 2);
    // The second style's name comes from the entry after the other container's.
    EXPECT_EQ(bank.StyleNames(), (std::vector<std::string>{"Alpha", "Beta"}));

    const std::optional<CStyleSelection> beta = bank.SelectStyle(1);
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->content, Content(2));
    EXPECT_EQ(beta->uncompressedSize, Content(2).size());
    EXPECT_EQ(beta->compressedSize, RootChildren(image)[5].size);
    EXPECT_LT(beta->compressedSize, beta->uncompressedSize);
    const std::optional<CStyleSelection> alpha = bank.SelectStyle(0);
    EXPECT_EQ(alpha->compressedSize, alpha->uncompressedSize);
    EXPECT_FALSE(bank.SelectStyle(2));
    EXPECT_FALSE(bank.SelectStyle(-1));
}

TEST(StyleBank, SixtyFourSlotsOpenAndASixtyFifthIsRefused)
{
    for (int containers : {64, 65}) {
        CBankBuilder builder;
        builder.NameTable().Style("First", Content(1));
        for (int i = 1; i < containers; ++i)
            builder.Container(9, {}, std::to_string(i));
        CStyleBank bank;
        EXPECT_EQ(Open(bank, builder.Build()), containers == 64 ? BankResult::Ok : BankResult::Corrupt);
        EXPECT_EQ(bank.Slots().size(), containers == 64 ? 64u : 0u);
    }
}

TEST(StyleBank, MissingOrShortNameTablesGiveFewerNames)
{
    CBankBuilder noTable;
    noTable.Style("A", Content(1)).Style("B", Content(2)).OffsetIndex();
    CStyleBank bank;
    ASSERT_EQ(Open(bank, noTable.Build()), BankResult::Ok);
    EXPECT_EQ(bank.StyleCount(), 2);
    EXPECT_TRUE(bank.StyleNames().empty());
    Bytes image;
    EXPECT_EQ(bank.SaveImage(image, {"X", "Y"}).result, BankResult::Ok);
    ASSERT_EQ(Open(bank, image), BankResult::Ok);
    EXPECT_EQ(bank.SelectStyle(1)->content, Content(2));

    Bytes entry(24, 0);
    entry[0] = 'A';
    CBankBuilder shortTable; // one entry for two styles
    shortTable.DataChunk(5, entry).Style("A", Content(1)).Style("B", Content(2));
    ASSERT_EQ(Open(bank, shortTable.Build()), BankResult::Ok);
    EXPECT_EQ(bank.StyleNames(), (std::vector<std::string>{"A"}));
    ASSERT_EQ(bank.SaveImage(image, {"Longer", "Second"}).result, BankResult::Ok);
    ASSERT_EQ(Open(bank, image), BankResult::Ok);
    EXPECT_EQ(bank.StyleNames(), (std::vector<std::string>{"Longer"}));
}

TEST(StyleBank, NamesStayInsideTheirEntries)
{
    CBankBuilder builder;
    builder.NameTable().Style("ABCDEFGHIJKLMNOPQRSTUVWXYZ", Content(1)).Style("Next", Content(2));
    CStyleBank bank;
    ASSERT_EQ(Open(bank, builder.Build()), BankResult::Ok);
    EXPECT_EQ(bank.StyleNames()[0], "ABCDEFGHIJKLMNOPQRSTUVWX"); // all 24 bytes, no terminator
    Bytes image;
    ASSERT_EQ(bank.SaveImage(image, {std::string(30, 'n')}).result, BankResult::Ok);
    ASSERT_EQ(Open(bank, image), BankResult::Ok);
    EXPECT_EQ(bank.StyleNames(), (std::vector<std::string>{std::string(23, 'n'), "Next"}));
}

TEST(StyleBank, SavingCompressesEveryStyleAndIsRepeatable)
{
    CStyleBank bank;
    ASSERT_EQ(Open(bank, SampleBuilder().Build()), BankResult::Ok);
    const int32_t used = bank.Used();
    const Bytes image = Saved(bank);
    EXPECT_EQ(bank.Used(), used); // expanded again in memory
    const std::vector<Child> children = RootChildren(image);
    EXPECT_EQ(children[3].flags, 0x30);
    EXPECT_EQ(children[5].flags, 0x30);
    EXPECT_EQ(children[4].flags, 0x10); // other containers are left alone
    EXPECT_EQ(bank.SelectStyle(0)->compressedSize, children[3].size);

    CStyleBank reopened;
    ASSERT_EQ(Open(reopened, image), BankResult::Ok);
    EXPECT_EQ(reopened.SelectStyle(0)->content, Content(1));
    EXPECT_EQ(reopened.SelectStyle(1)->content, Content(2));
    EXPECT_EQ(reopened.StyleNames(), bank.StyleNames());
    // Saving again, before or after reopening, gives the same bytes.
    EXPECT_EQ(FirstMismatch(image, Saved(bank)), -1);
    EXPECT_EQ(FirstMismatch(image, Saved(reopened)), -1);
}

TEST(StyleBank, OffsetIndexPointsAtTheHeadersAsWritten)
{
    CBankBuilder builder = SampleBuilder();
    builder.DataChunk(8, {1, 2}); // behind the index: not listed
    CStyleBank bank;
    ASSERT_EQ(Open(bank, builder.Build()), BankResult::Ok);
    const Bytes image = Saved(bank);
    const std::vector<Child> children = RootChildren(image);
    const Child& index = ChildWithId(children, 254);
    const uint8_t* entries = image.data() + index.offset + 8;
    EXPECT_EQ(Bytes(entries, entries + 4), (Bytes{9, 8, 7, 6})); // left as it was
    size_t count = 0;
    for (const Child& child : children) {
        if (child.offset >= index.offset)
            break;
        if (child.id >= 3) {
            EXPECT_EQ(ReadBE32(entries + 4 + 4 * count), child.offset) << "entry " << count;
            ++count;
        }
    }
    EXPECT_EQ(count, 5u); // chunk 3, the name table, two styles and the other container
    EXPECT_EQ(ReadBE32(entries + 4 + 4 * count), 0u);
}

TEST(StyleBank, IndexEntriesBeyondItsRoomAreLeftOut)
{
    CBankBuilder builder;
    builder.NameTable().Style("S", Content(1), true);
    for (int i = 0; i < 110; ++i)
        builder.DataChunk(7, {static_cast<uint8_t>(i)});
    builder.OffsetIndex().DataChunk(8, {0xAB, 0xCD});
    CStyleBank bank;
    ASSERT_EQ(Open(bank, builder.Build()), BankResult::Ok);
    CTraceCapture capture;
    const Bytes image = Saved(bank);
    EXPECT_TRUE(capture.Contains("112 chunks for an index of 104 entries"));
    const std::vector<Child> children = RootChildren(image);
    const Child& index = ChildWithId(children, 254);
    EXPECT_EQ(index.size, 4u + 4 * 104);
    EXPECT_EQ(ReadBE32(image.data() + index.offset + 8 + 4 + 4 * 103), children[104].offset);
    EXPECT_EQ(Bytes(image.end() - 2, image.end()), (Bytes{0xAB, 0xCD}));
}

TEST(StyleBank, BanksWithoutIndexSaveAndTrailingBytesAreDropped)
{
    CBankBuilder builder;
    builder.NameTable().Style("S", Content(1));
    Bytes bytes = builder.Build();
    const size_t length = bytes.size();
    bytes.insert(bytes.end(), {1, 2, 3});
    CStyleBank bank;
    ASSERT_EQ(Open(bank, bytes), BankResult::Ok);
    const Bytes image = Saved(bank);
    EXPECT_EQ(ReadBE32(image.data() + 4) + 8, image.size());
    EXPECT_LT(image.size(), length); // the style is now compressed, nothing trails
    ASSERT_EQ(Open(bank, image), BankResult::Ok);
    EXPECT_EQ(bank.SelectStyle(0)->content, Content(1));
}

TEST(StyleBank, CommittingAStyleReplacesItsContentOnly)
{
    CStyleBank bank;
    ASSERT_EQ(Open(bank, SampleBuilder().Build()), BankResult::Ok);
    const int32_t used = bank.Used();
    const Bytes replacement = Content(5, 900);
    EXPECT_EQ(bank.CommitStyle(0, replacement), BankResult::Ok);
    EXPECT_EQ(bank.Used(), used + 600);
    EXPECT_EQ(bank.SelectStyle(0)->content, replacement);
    EXPECT_EQ(bank.SelectStyle(0)->uncompressedSize, replacement.size());
    EXPECT_EQ(bank.SelectStyle(1)->content, Content(2));
    CStyleBank reopened;
    ASSERT_EQ(Open(reopened, Saved(bank)), BankResult::Ok);
    EXPECT_EQ(reopened.SelectStyle(0)->content, replacement);
    EXPECT_EQ(reopened.Slots(), bank.Slots());
}

TEST(StyleBank, CommitRefusesUnsoundContentAndLeavesTheBankAlone)
{
    CStyleBank bank;
    ASSERT_EQ(Open(bank, SampleBuilder().Build()), BankResult::Ok);
    const Bytes before = Saved(bank);
    Bytes longer = Content(5);
    longer[7] = static_cast<uint8_t>(longer[7] + 1); // size one byte past the data
    Bytes dataChunk = Content(5);
    dataChunk[3] = 0x08;
    Bytes otherId = Content(5);
    otherId[0] = 2;
    for (const Bytes& chunk : {longer, dataChunk, otherId, Bytes{1, 0, 0}})
        EXPECT_EQ(bank.CommitStyle(0, chunk), BankResult::Corrupt);
    EXPECT_EQ(bank.CommitStyle(2, Content(5)), BankResult::NoStyle);
    EXPECT_EQ(FirstMismatch(Saved(bank), before), -1);

    CBankBuilder twoChildren; // a style holding more than its content chunk
    twoChildren.Raw(CBankBuilder::Chunk(6, 0, 0, 0x10, CBankBuilder::Join({Content(1), Content(2)})));
    ASSERT_EQ(Open(bank, twoChildren.Build()), BankResult::Ok);
    EXPECT_EQ(bank.CommitStyle(0, Content(3)), BankResult::NoStyle);
    EXPECT_EQ(bank.SelectStyle(0)->content, Content(1));
}

TEST(StyleBank, CommitRefusesContentThatOutgrowsTheBuffer)
{
    CStyleBank bank;
    ASSERT_EQ(Open(bank, SampleBuilder().Build()), BankResult::Ok);
    const size_t oldTotal = Content(1).size();
    const size_t fits = static_cast<size_t>(CStyleBank::kCapacity - bank.Used()) + oldTotal - 16 - 18;
    EXPECT_EQ(bank.CommitStyle(0, Content(1, fits + 1)), BankResult::NoRoom);
    EXPECT_EQ(bank.SelectStyle(0)->content, Content(1));
    EXPECT_EQ(bank.CommitStyle(0, Content(1, fits)), BankResult::Ok);
    EXPECT_EQ(bank.Used(), CStyleBank::kCapacity);
    EXPECT_STREQ(CStyleBank::Message(BankResult::NoRoom), "Style Bank full - Error!");
}

TEST(StyleBank, AFailedSaveKeepsTheOldFile)
{
    TempDir dir;
    const fs::path path = dir.path / "bank.sty";
    const Bytes original = SampleBuilder().Build();
    WriteFile(path, original);
    CStyleBank bank;
    ASSERT_EQ(bank.OpenFile(path), BankResult::Ok);
    struct Case {
        CFileWriter::Fault fault;
        size_t byte;
    };
    for (const Case& c : {Case{CFileWriter::Fault::AtByte, 0}, Case{CFileWriter::Fault::AtByte, 100},
                          Case{CFileWriter::Fault::AtClose, 0}, Case{CFileWriter::Fault::AtRename, 0}}) {
        CFileWriter writer(path.string());
        writer.InjectFault(c.fault, c.byte);
        const CSaveResult result = bank.Save(writer, {"New"});
        EXPECT_EQ(result.result, BankResult::WriteError);
        EXPECT_EQ(FirstMismatch(ReadFile(path), original), -1);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()),
                  1);                                        // no temp file
        EXPECT_EQ(bank.SelectStyle(0)->content, Content(1)); // still open and expanded
        EXPECT_EQ(bank.SelectStyle(0)->compressedSize, Content(1).size());
    }
    EXPECT_STREQ(CStyleBank::Message(BankResult::WriteError), "File write error!");
    EXPECT_EQ(bank.SaveFile((dir.path / "missing" / "bank.sty").string(), {}).result, BankResult::WriteError);

    EXPECT_EQ(bank.SaveFile(path.string(), {"New"}).result, BankResult::Ok);
    CStyleBank reopened;
    ASSERT_EQ(reopened.OpenFile(path), BankResult::Ok);
    EXPECT_EQ(reopened.StyleNames(), (std::vector<std::string>{"New", "Beta"}));
    EXPECT_EQ(ReadFile(path), Saved(bank));
}

TEST(StyleBank, RandomlyDamagedBanksNeverBreakTheReader)
{
    const Bytes good = SampleBuilder().Build();
    std::mt19937 random(20261208);
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        const uint32_t seed = random();
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 mutate(seed);
        Bytes bytes = good;
        const int changes = 1 + static_cast<int>(mutate() % 6);
        for (int i = 0; i < changes; ++i)
            bytes[mutate() % bytes.size()] = static_cast<uint8_t>(mutate());
        if (mutate() % 8 == 0)
            bytes.resize(mutate() % bytes.size());
        CStyleBank bank;
        if (Open(bank, bytes) != BankResult::Ok)
            continue;
        ++opened;
        const std::vector<std::string> names = bank.StyleNames();
        for (int k = 0; k < bank.StyleCount(); ++k) {
            const std::optional<CStyleSelection> style = bank.SelectStyle(k);
            ASSERT_TRUE(style);
            bank.CommitStyle(k, style->content); // refused or accepted, never out of bounds
        }
        Bytes image;
        ASSERT_EQ(bank.SaveImage(image, names).result, BankResult::Ok);
        CStyleBank reopened;
        EXPECT_EQ(Open(reopened, image), BankResult::Ok);
    }
    EXPECT_GT(opened, 20); // the damage must leave enough banks open to exercise the rest
}
