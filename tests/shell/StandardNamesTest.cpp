// Standard names and the file-name matching of the many-file import.
#include "shell/CStandardNames.h"

#include <gtest/gtest.h>
#include <set>

TEST(StandardNames, RowsAndChordVariationsMapBothWays)
{
    std::set<std::string> names;
    for (int row = 0; row < CStandardNames::RowCount; ++row) {
        const CCvRef cv = CStandardNames::RowToCv(row);
        ASSERT_EQ(CStandardNames::CvToRow(cv.Element, cv.Cv), row);
        ASSERT_EQ(CStandardNames::CvName(cv.Element, cv.Cv), CStandardNames::Name(row));
        names.insert(CStandardNames::Name(row));
        // Every name finds its own row when it stands alone.
        ASSERT_EQ(CStandardNames::MatchFileName(std::string(CStandardNames::Name(row)) + ".mid"), row);
    }
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(CStandardNames::RowToCv(23).Element, 3);
    EXPECT_EQ(CStandardNames::RowToCv(23).Cv, 5);
    EXPECT_EQ(CStandardNames::RowToCv(38).Element, 11);
    EXPECT_EQ(CStandardNames::CvToRow(10, 1), 37);
}

TEST(StandardNames, RefusesChordVariationsAnElementCannotHold)
{
    const std::pair<int, int> invalid[] = {{4, 2}, {0, 6}, {12, 0}, {-1, 0}, {0, -1}, {11, 2}};
    for (const auto& [element, cv] : invalid) {
        EXPECT_EQ(CStandardNames::CvToRow(element, cv), -1) << element << "/" << cv;
        EXPECT_EQ(CStandardNames::CvName(element, cv), "");
    }
}

TEST(StandardNames, MatchesTheFirstTableNameAnywhereInTheFileName)
{
    const struct {
        const char* path;
        int row;
    } cases[] = {
        {"v1cv1.mid", 0},
        {"V1CV1.MID", 0},
        {"abci1cv2.mid", 25},
        {"i1cv2de.mid", 25},
        {"take.i1cv2", 25},
        {"v2cv1_v1cv3.mid", 2}, // two names: the smaller row wins
        {"_all_e2cv2.mid", 35},
        {"/home/me/songs/F3CV1.Mid", 36},
        {"C:\\Styles\\funk_I3CV2.MID", 39},
        {"\xc3\x84v4cv6.mid", 23}, // a UTF-8 letter before the name
        {"i1cv3.mid", -1},         // an Intro has two chord variations only
        {"v1cv7.mid", -1},
        {"v1cv.mid", -1},
        {"v 1cv1.mid", -1},
        {"", -1},
        {"v1cv1/song.mid", -1}, // the folder does not count
        {"v1cv1\\song.mid", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CStandardNames::MatchFileName(c.path), c.row) << c.path;
}

TEST(StandardNames, LowerFileNameDropsTheFolderAndLowersOnlyAsciiLetters)
{
    EXPECT_EQ(CStandardNames::LowerFileName("/A/B/Take.V1CV1.MID"), "take.v1cv1.mid");
    EXPECT_EQ(CStandardNames::LowerFileName("C:\\X\\\xc3\x84Z.mid"), "\xc3\x84z.mid");
    EXPECT_EQ(CStandardNames::LowerFileName("folder/"), "");
}
