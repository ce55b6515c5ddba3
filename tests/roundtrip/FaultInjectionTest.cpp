// A failing disk at any point of a save leaves the previous file as it was and reports the write error.
#include "RoundTripSupport.h"
#include "bank/chunk/CFileWriter.h"
#include "bank/chunk/CStyleBank.h"
#include "tools/example/CExampleBank.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

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

    // Saves with `fault` injected and checks the outcome a user relies on.
    void ExpectFailedSave(CFileWriter::Fault fault, size_t byte)
    {
        CFileWriter writer(target.string());
        writer.InjectFault(fault, byte);
        const CSaveResult result = bank.Save(writer, names);
        ASSERT_EQ(result.result, BankResult::WriteError) << "fault at byte " << byte;
        ASSERT_STREQ(CStyleBank::Message(result.result), "File write error!");
        ASSERT_EQ(FirstMismatch(previous, ReadBytes(target)), "") << "fault at byte " << byte;
        ASSERT_FALSE(fs::exists(writer.TempPath())) << "fault at byte " << byte;
    }

    TempFolder folder{"ry7-faults"};
    fs::path target = folder.path / "bank.sty";
    CStyleBank bank;
    std::vector<std::string> names;
    Bytes expected;
    Bytes previous;
};

} // namespace

TEST_F(FailingSave, KeepsThePreviousFileAtEveryBytePositionAtCloseAndAtRename)
{
    // Every byte position, from nothing written to everything written but the close.
    const size_t n = expected.size();
    size_t tried = 0;
    for (size_t byte = 0; byte <= n; ++byte) {
        ExpectFailedSave(CFileWriter::Fault::AtByte, byte);
        ++tried;
    }
    ExpectFailedSave(CFileWriter::Fault::AtClose, 0);
    ExpectFailedSave(CFileWriter::Fault::AtRename, 0);
    RecordProperty("FailurePoints", static_cast<int>(tried + 2));
    std::printf("fault injection: %zu failure points over a %zu-byte save\n", tried + 2, n);

    // The bank stayed whole through every failed save: the next one writes the same bytes as before.
    CFileWriter writer(target.string());
    ASSERT_EQ(bank.Save(writer, names).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(expected, ReadBytes(target)), "");
    EXPECT_FALSE(fs::exists(writer.TempPath()));
}

TEST_F(FailingSave, LeavesNoFileWhereThereWasNone)
{
    fs::remove(target);
    CFileWriter writer(target.string());
    writer.InjectFault(CFileWriter::Fault::AtByte, expected.size() / 2);
    EXPECT_EQ(bank.Save(writer, names).result, BankResult::WriteError);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(writer.TempPath()));
}
