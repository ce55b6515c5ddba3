// The facade's construction, content chunk, states, names and parameters.
#include "FacadeTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace facadetest;

namespace {

class EditIfc : public CPoolCheckedTest {};

TEST_F(EditIfc, NewFacadeHoldsAnUnnamedNewStyleWithoutElements)
{
    CNstEditIfc facade(nullptr, 0);
    EXPECT_TRUE(facade.IsLoaded());
    char name[32];
    facade.GetStyleName(name, 31);
    EXPECT_STREQ(name, "New Style");
    EXPECT_EQ(facade.GetStyleVersion(), 1);
    EXPECT_EQ(facade.StyleTempo(), 120);
    for (int e = 0; e < kStyleElements; ++e)
        EXPECT_EQ(facade.GetElementState(e), CNstEditIfc::StateAbsent) << "element " << e;
    EXPECT_EQ(facade.Filter().Owner(), &facade);

    // Reading a parameter creates Variation 1 with the keyboard's defaults: 4/4, Bass on bank 121/0
    // program 32, two-measure chord variations.
    EXPECT_EQ(facade.GetSignature(0), (4 - 1) + 16 * 2);
    EXPECT_EQ(facade.GetElementState(0), CNstEditIfc::StateEmpty);
    EXPECT_EQ(facade.GetTrackProgram(0, 2), 121 << 24 | 0 << 16 | 32);
    EXPECT_EQ(facade.GetCvLength(0, 0), 2);
    EXPECT_EQ(facade.GetCvState(0, 0), CNstEditIfc::StateEmpty);
    EXPECT_EQ(facade.GetTrackState(0, 0, 2), CNstEditIfc::StateAbsent) << "not set up yet";
    facade.GetPatternParam1(0, 0, 2);
    EXPECT_EQ(facade.GetTrackState(0, 0, 2), CNstEditIfc::StateEmpty);
}

TEST_F(EditIfc, StateQueriesNeverCreateAnything)
{
    CNstEditIfc facade(nullptr, 0);
    EXPECT_EQ(facade.GetTrackState(4, 1, 7), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.GetCvState(4, 1), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.GetElementState(4), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.Style().FindElement(4), nullptr);

    facade.GetCvLength(4, 0);
    EXPECT_EQ(facade.GetTrackState(4, 1, 7), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.Style().FindElement(4)->FindChordVar(1), nullptr);

    facade.DeleteCv(7, 0); // absent element: nothing happens, nothing is created
    EXPECT_EQ(facade.GetElementState(7), CNstEditIfc::StateAbsent);
    facade.DeleteCv(4, 0);
    EXPECT_EQ(facade.GetCvState(4, 0), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.GetElementState(4), CNstEditIfc::StateEmpty);
}

TEST_F(EditIfc, NamesAreCutTo31CharactersAndReadBackTerminated)
{
    CNstEditIfc facade(nullptr, 0);
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    facade.SetStyleName(forty);
    EXPECT_EQ(facade.Style().name, forty.substr(0, 31));

    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    facade.GetStyleName(buffer, 11);
    EXPECT_STREQ(buffer, "ABCDEFGHIJK");
    EXPECT_EQ(buffer[12], '#') << "nothing written past maxLen + 1 bytes";

    facade.SetStyleName(std::string_view("Jazz\0Waltz", 10));
    facade.GetStyleName(buffer, 11);
    EXPECT_STREQ(buffer, "Jazz") << "the name ends at the first NUL";
}

TEST_F(EditIfc, ContentChunkReopensWithTheSameStyle)
{
    CNstEditIfc facade(nullptr, 0);
    facade.SetStyleName("Bossa 2");
    facade.SetStyleVersion(0);
    const Bytes file = GeneratedFile(1, 2, 4, 6);
    ASSERT_TRUE(facade.ImportSmfToCv(file.data(), file.size(), 0, 1, CNstEditIfc::AllTracks, false));
    const Bytes chunk = facade.BuildStyleChunk(false);
    ASSERT_FALSE(chunk.empty());

    CNstEditIfc reopened(chunk.data(), chunk.size());
    ASSERT_TRUE(reopened.IsLoaded());
    char name[32];
    reopened.GetStyleName(name, 31);
    EXPECT_STREQ(name, "Bossa 2");
    EXPECT_EQ(reopened.GetStyleVersion(), 0);
    EXPECT_EQ(reopened.GetCvState(0, 1), CNstEditIfc::StateFilled);
    EXPECT_EQ(reopened.GetCvState(0, 0), CNstEditIfc::StateAbsent) << "empty chord variations are not stored";
    for (int t = 0; t < kStyleTracks; ++t)
        EXPECT_EQ(reopened.Style().FindElement(0)->FindChordVar(1)->patterns[t].data,
                  facade.Style().FindElement(0)->FindChordVar(1)->patterns[t].data)
            << "track " << t;
    EXPECT_EQ(reopened.BuildStyleChunk(false), chunk) << "building again gives the same bytes";
}

TEST_F(EditIfc, UnreadableContentGivesAStyleWithoutElements)
{
    const Bytes cases[] = {
        {1, 0, 0, 0, 0, 0, 0, 40},                        // root claims 40 data bytes, has none
        {1, 0, 0, 0, 0, 0, 0, 8, 1, 0, 0, 8, 0, 0, 0, 0}, // root holding only an empty header record
        {1, 0, 0},                                        // shorter than a chunk header
    };
    for (const Bytes& bytes : cases) {
        CNstEditIfc facade(bytes.data(), bytes.size());
        EXPECT_FALSE(facade.IsLoaded());
        for (int e = 0; e < kStyleElements; ++e)
            EXPECT_EQ(facade.GetElementState(e), CNstEditIfc::StateAbsent);
    }
}

} // namespace
