// A failing disk at any point of a save leaves the previous file as it was and reports the write error.
#include "RoundTripSupport.h"
#include "bank/chunk/CStyleBank.h"
#include "files/CFileWriter.h"
#include "tools/example/CExampleBank.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

using Fault = CFileWriter::Fault;

class FailingSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(bank.OpenFile(RY7_EXAMPLE_BANK), BankResult::Ok);
        names = bank.StyleNames();
        ASSERT_EQ(bank.SaveImage(expected, names).result, BankResult::Ok);
        // The previous file is another bank, so that a half-written or renamed file cannot pass for it.
        ASSERT_TRUE(CExampleBank::Build(1, previous));
        ASSERT_NE(previous, expected);
        WriteBytes(target, previous);
    }

    // Saves with `fault` injected and checks the outcome a user relies on: the message, the previous
    // file byte for byte, and no file left beside it.
    void ExpectFailedSave(Fault fault, size_t byte)
    {
        CFileWriter writer(target.string());
        writer.InjectFault(fault, byte);
        const CSaveResult result = bank.Save(writer, names);
        ASSERT_EQ(result.result, BankResult::WriteError) << "fault at byte " << byte;
        ASSERT_STREQ(CStyleBank::Message(result.result), "File write error!");
        ASSERT_EQ(FirstMismatch(previous, ReadBytes(target)), "") << "fault at byte " << byte;
        ASSERT_EQ(Names(folder.path), std::set<std::string>{"bank.sty"}) << "fault at byte " << byte;
    }

    TempFolder folder{"ry7-faults"};
    fs::path target = folder.path / "bank.sty";
    CStyleBank bank;
    std::vector<std::string> names;
    Bytes expected;
    Bytes previous;
};

} // namespace

TEST_F(FailingSave, KeepsThePreviousFileWhereverTheDiskFails)
{
    // The disk full at every byte position of the bank's image, from nothing written to everything
    // written. The bank's own steps do not depend on the position: the writer alone is driven here.
    const size_t n = expected.size();
    for (size_t byte = 0; byte <= n; ++byte) {
        CFileWriter writer(target.string());
        writer.InjectFault(Fault::AtByte, byte);
        ASSERT_FALSE(writer.Write(expected.data(), n)) << "fault at byte " << byte;
        ASSERT_EQ(FirstMismatch(previous, ReadBytes(target)), "") << "fault at byte " << byte;
        ASSERT_EQ(Names(folder.path), std::set<std::string>{"bank.sty"}) << "fault at byte " << byte;
    }
    // Every step through the bank's save: the disk full halfway, then each later step up to the rename.
    ExpectFailedSave(Fault::AtByte, n / 2);
    for (const Fault fault : {Fault::AtCreate, Fault::AtSync, Fault::AtClose, Fault::AtRename})
        ExpectFailedSave(fault, 0);
    std::printf("fault injection: %zu failure points over a %zu-byte save\n", n + 6, n);

    // The bank stayed whole through every failed save: the next one writes the same bytes as before.
    CFileWriter writer(target.string());
    ASSERT_EQ(bank.Save(writer, names).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(expected, ReadBytes(target)), "");
    EXPECT_EQ(Names(folder.path), std::set<std::string>{"bank.sty"});
}

TEST_F(FailingSave, TellsAFolderThatCouldNotBeSyncedAfterTheRename)
{
    // The new bank is in place but not known to survive a power cut: the user hears of it and can save
    // again, the bank still open.
    CFileWriter writer(target.string());
    writer.InjectFault(Fault::AtFolderSync);
    EXPECT_EQ(bank.Save(writer, names).result, BankResult::WriteError);
    EXPECT_EQ(FirstMismatch(expected, ReadBytes(target)), "");
    EXPECT_EQ(Names(folder.path), std::set<std::string>{"bank.sty"});
}

TEST_F(FailingSave, LeavesNoFileWhereThereWasNone)
{
    fs::remove(target);
    CFileWriter writer(target.string());
    writer.InjectFault(Fault::AtByte, expected.size() / 2);
    EXPECT_EQ(bank.Save(writer, names).result, BankResult::WriteError);
    EXPECT_TRUE(Names(folder.path).empty());
}

// A real full disk: a small tmpfs, mounted where the tests run as root.
TEST_F(FailingSave, AFullDiskKeepsThePreviousBankByteForByte)
{
    const fs::path disk = folder.path / "disk";
    fs::create_directory(disk);
    if (::mount("ry7-full", disk.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (root only); the AtByte fault stands for a full disk";
    struct Unmount {
        const fs::path& disk;
        ~Unmount() { ::umount2(disk.c_str(), MNT_DETACH); }
    } unmount{disk};
    const fs::path onDisk = disk / "bank.sty";
    WriteBytes(onDisk, previous);
    // Fill what is left, block by block, until the file system says no more.
    {
        std::FILE* filler = std::fopen((disk / "filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::vector<char> block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
               std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }
    EXPECT_EQ(bank.SaveFile(onDisk.string(), names).result, BankResult::WriteError);
    EXPECT_EQ(FirstMismatch(previous, ReadBytes(onDisk)), "");
    EXPECT_EQ(Names(disk), (std::set<std::string>{"bank.sty", "filler"}));
    // With room again the same save goes through.
    fs::remove(disk / "filler");
    EXPECT_EQ(bank.SaveFile(onDisk.string(), names).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(expected, ReadBytes(onDisk)), "");
}
