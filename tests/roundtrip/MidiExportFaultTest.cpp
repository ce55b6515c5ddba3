// A MIDI export that cannot be written leaves what was there and reports the failure.
#include "ExampleExport.h"
#include "RoundTripSupport.h"
#include "app/shell/CExtProgList.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(FailingMidiExport, KeepsWhatStandsInTheWayAndLeavesNoTempFile)
{
    TempFolder folder("ry7-midi-faults");
    const CExtProgList programs;
    const Bytes previous = {'o', 'l', 'd'};

    // The export itself works here.
    const fs::path written = folder.path / "Main A.mid";
    ASSERT_TRUE(ExportExampleChordVariation(programs, written.string()));
    EXPECT_EQ(ReadBytes(written).size() > 14, true);

    // A folder in the way of the file: the image is written aside but can never replace the folder.
    const fs::path blocked = folder.path / "Main B.mid";
    fs::create_directory(blocked);
    WriteBytes(blocked / "inside", previous);
    EXPECT_FALSE(ExportExampleChordVariation(programs, blocked.string()));
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_EQ(FirstMismatch(previous, ReadBytes(blocked / "inside")), "");
    EXPECT_FALSE(fs::exists(blocked.string() + ".tmp"));

    // A folder that does not exist: nothing is created.
    const fs::path missing = folder.path / "absent" / "Main A.mid";
    EXPECT_FALSE(ExportExampleChordVariation(programs, missing.string()));
    EXPECT_FALSE(fs::exists(missing.parent_path()));
}
