// The facade's construction, content chunk, states, names and parameters.
#include "FacadeTestSupport.h"
#include "events/Trace.h"
#include "packed/CPackedStream.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

using namespace facadetest;

namespace {

constexpr int kBassTrack = 2;

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

TEST_F(EditIfc, AStyleWithAPatternThatCannotBeDecodedWholeIsRefusedNotHalfRead)
{
    // A Bass pattern whose free controller 2 = 0x55 (bytes 03 02 D5) marks the place to damage:
    // first, or after a note.
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first event" : "half-way");
        CNstEditIfc facade(nullptr, 0);
        CPackedWriter writer;
        CEvent note{CEvent::ChannelHeader(EventKind::NoteOn, 0, 40, 100), 0};
        CEvent off{CEvent::ChannelHeader(EventKind::NoteOff, 0, 40, 0), 0};
        CEvent marker{CEvent::ChannelHeader(EventKind::Control, 0, 2, 0x55), 0};
        if (!first) {
            ASSERT_TRUE(writer.WriteEvent(0, note));
            ASSERT_TRUE(writer.WriteEvent(100, off));
        }
        ASSERT_TRUE(writer.WriteEvent(first ? 0 : 200, marker));
        ASSERT_TRUE(writer.Finish(3072));
        facade.Style().GetElement(0).GetChordVar(1).GetPattern(kBassTrack).SetFromEncoder(writer.Encoder());
        facade.Style().GetElement(0).GetChordVar(1).lengthTicks = 3072;
        Bytes chunk = facade.BuildStyleChunk(false);
        const Bytes mark = {0x03, 0x02, 0xD5};
        const auto at = std::search(chunk.begin(), chunk.end(), mark.begin(), mark.end());
        ASSERT_NE(at, chunk.end());
        *at = 0x0B; // a kind that is never written

        CTraceCapture capture;
        CNstEditIfc damaged(chunk.data(), chunk.size());
        EXPECT_FALSE(damaged.IsLoaded());
        EXPECT_EQ(damaged.GetElementState(0), CNstEditIfc::StateAbsent);
        const CPatternPlace& place = damaged.UndecodablePattern();
        EXPECT_EQ(std::tie(place.element, place.cv, place.track), std::make_tuple(0, 1, int{kBassTrack}));
    }
}

TEST_F(EditIfc, APatternThatCannotBeDecodedWholeFailsBuildingAndExport)
{
    // Damage after a note, and more simultaneous notes than the event pool holds: neither is cut short.
    CPackedWriter damaged;
    ASSERT_TRUE(damaged.WriteEvent(0, CEvent{CEvent::ChannelHeader(EventKind::NoteOn, 0, 40, 100), 0}));
    ASSERT_TRUE(damaged.WriteEvent(100, CEvent{CEvent::ChannelHeader(EventKind::NoteOff, 0, 40, 0), 0}));
    ASSERT_TRUE(damaged.Finish(3072));
    Bytes halfWay = damaged.TakeBytes();
    halfWay.insert(halfWay.end() - 4, 0x0B);
    CPackedWriter chord;
    for (int i = 0; i < 1100; ++i)
        ASSERT_TRUE(chord.WriteEvent(
            0, CEvent{CEvent::ChannelHeader(EventKind::Note, 0, static_cast<uint8_t>(i % 128), 100),
                      CEvent::NoteData(96, 0)}));
    ASSERT_TRUE(chord.Finish(3072));
    for (const Bytes& stream : {halfWay, chord.TakeBytes()}) {
        CNstEditIfc facade(nullptr, 0);
        CNstChordVar& chordVar = facade.Style().GetElement(0).GetChordVar(1);
        chordVar.lengthTicks = 3072;
        chordVar.GetPattern(kBassTrack).SetEvents(stream.data(), stream.size(), 3072);
        CTraceCapture capture;
        EXPECT_TRUE(facade.ExportCvToSmf(0, 1, CNstEditIfc::AllTracks).empty());
        EXPECT_TRUE(facade.BuildStyleChunk(true).empty());
    }
}

} // namespace
