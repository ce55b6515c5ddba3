// A MIDI export that cannot be written leaves what was there and reports the failure.
#include "RoundTripSupport.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "files/CFileWriter.h"
#include "shell/CExtProgList.h"
#include "shell/CStyleTransfer.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Exports the first chord variation of the example bank's first style, all tracks, through the shell's
// export step.
class FailingMidiExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        CStyleBank bank;
        ASSERT_EQ(bank.OpenFile(RY7_EXAMPLE_BANK), BankResult::Ok);
        const auto selection = bank.SelectStyle(0);
        ASSERT_TRUE(selection && !selection->content.empty());
        style = std::make_unique<CNstEditIfc>(selection->content.data(), selection->content.size());
    }
    bool Export(CFileWriter& writer)
    {
        return CStyleTransfer::ExportCvToFile(*style, programs, writer, 0, 0, CNstEditIfc::AllTracks);
    }
    bool Export(const fs::path& path)
    {
        CFileWriter writer(path.string());
        return Export(writer);
    }

    TempFolder folder{"ry7-midi-faults"};
    std::unique_ptr<CNstEditIfc> style;
    const CExtProgList programs{};
    const Bytes previous = {'o', 'l', 'd'};
};

} // namespace

TEST_F(FailingMidiExport, KeepsThePreviousFileWhereverTheDiskFails)
{
    const fs::path scratch = folder.path / "whole.mid";
    ASSERT_TRUE(Export(scratch));
    const Bytes expected = ReadBytes(scratch);
    ASSERT_GT(expected.size(), 14u);

    const fs::path target = folder.path / "Main A.mid";
    WriteBytes(target, previous);
    const auto expectFailure = [&](CFileWriter::Fault fault, size_t byte) {
        CFileWriter writer(target.string());
        writer.InjectFault(fault, byte);
        ASSERT_FALSE(Export(writer)) << "fault at byte " << byte;
        ASSERT_EQ(FirstMismatch(previous, ReadBytes(target)), "") << "fault at byte " << byte;
        ASSERT_EQ(Names(folder.path), (std::set<std::string>{"Main A.mid", "whole.mid"}))
            << "fault at byte " << byte;
    };
    using Fault = CFileWriter::Fault;
    for (size_t byte = 0; byte <= expected.size(); ++byte)
        expectFailure(Fault::AtByte, byte);
    for (const Fault fault : {Fault::AtCreate, Fault::AtSync, Fault::AtClose, Fault::AtRename})
        expectFailure(fault, 0);
    std::printf("fault injection: %zu failure points over a %zu-byte MIDI export\n", expected.size() + 5,
                expected.size());

    // The failed exports changed nothing in the style: the next one writes the same file.
    ASSERT_TRUE(Export(target));
    EXPECT_EQ(FirstMismatch(expected, ReadBytes(target)), "");
}

TEST_F(FailingMidiExport, KeepsWhatStandsInTheWayAndLeavesNoTempFile)
{
    // A folder in the way of the file: it is never replaced.
    const fs::path blocked = folder.path / "Main B.mid";
    fs::create_directory(blocked);
    WriteBytes(blocked / "inside", previous);
    EXPECT_FALSE(Export(blocked));
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_EQ(FirstMismatch(previous, ReadBytes(blocked / "inside")), "");
    EXPECT_EQ(Names(folder.path), std::set<std::string>{"Main B.mid"});

    // A folder that does not exist: nothing is created.
    const fs::path missing = folder.path / "absent" / "Main A.mid";
    EXPECT_FALSE(Export(missing));
    EXPECT_FALSE(fs::exists(missing.parent_path()));
}
