// The facade's note list is the note list of its MIDI export, for every node of the example and the
// native-form bank, and reading it changes nothing.
#include "FacadeTestSupport.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNoteCollector.h"
#include "smf/CMidiOut.h"
#include "tools/example/CExampleBank.h"
#include "tools/native/CNativeBank.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <string>

using namespace facadetest;

namespace {

class CvNotes : public CPoolCheckedTest {};

// The notes of an exported file as the facade lists them: channels turned back into tracks.
std::vector<CCvNote> TrackNotes(const Bytes& image)
{
    std::vector<CCvNote> notes;
    for (const CNote& note : NotesOf(image)) {
        const auto track =
            std::find(CNstEditIfc::TrackChannels.begin(), CNstEditIfc::TrackChannels.end(), note.channel) -
            CNstEditIfc::TrackChannels.begin();
        notes.push_back(
            {note.start, static_cast<uint8_t>(track), note.key, note.end - note.start, note.velocity});
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::string Text(const CCvNote& note)
{
    return "track " + std::to_string(note.track) + " key " + std::to_string(note.key) + " at " +
           std::to_string(note.start) + " for " + std::to_string(note.length) + " velocity " +
           std::to_string(note.velocity);
}

::testing::AssertionResult SameNotes(const std::vector<CCvNote>& actual, const std::vector<CCvNote>& expected)
{
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.size() << " notes, expected " << expected.size()
                                         << "; first difference: " << (a == actual.end() ? "none" : Text(*a))
                                         << ", expected " << (e == expected.end() ? "none" : Text(*e));
}

// Checks every chord variation and every track of every readable style of `image`; counts the notes
// compared.
void ExpectExportedNotes(const Bytes& image, size_t& compared)
{
    CStyleBank bank;
    ASSERT_EQ(bank.OpenImage(image.data(), image.size()), BankResult::Ok);
    for (int k = 0; k < bank.StyleCount(); ++k) {
        const std::vector<uint8_t> content = bank.SelectStyle(k)->content;
        CNstEditIfc style(content.data(), content.size());
        if (!style.IsLoaded())
            continue;
        for (int e = 0; e < kStyleElements; ++e)
            for (int c = 0; c < kChordVars; ++c) {
                if (style.GetCvState(e, c) == CNstEditIfc::StateAbsent)
                    continue;
                for (int track = -1; track < kStyleTracks; ++track) {
                    const int t = track < 0 ? CNstEditIfc::AllTracks : track;
                    const std::string where = "style " + std::to_string(k + 1) + " element " +
                                              std::to_string(e) + " cv " + std::to_string(c) + " track " +
                                              std::to_string(t);
                    const Bytes before = Snapshot(style);
                    std::vector<CCvNote> notes;
                    ASSERT_TRUE(style.ReadCvNotes(e, c, t, notes)) << where;
                    ASSERT_EQ(Snapshot(style), before) << where << ": reading changed the style";
                    EXPECT_TRUE(SameNotes(notes, TrackNotes(style.ExportCvToSmf(e, c, t)))) << where;
                    compared += notes.size();
                }
            }
    }
}

TEST_F(CvNotes, AreTheNotesOfTheExportedFileOfTheExampleBank)
{
    Bytes image;
    ASSERT_TRUE(CExampleBank::Build(0, image));
    size_t compared = 0;
    ExpectExportedNotes(image, compared);
    EXPECT_GT(compared, 1000u);
}

// Notes with their own durations, held across pattern pieces and cut at the chord variation's end,
// patterns shorter than their chord variation, sounds of extended programs.
TEST_F(CvNotes, AreTheNotesOfTheExportedFileOfTheNativeBank)
{
    Bytes image;
    ASSERT_TRUE(CNativeBank::Build(image));
    size_t compared = 0;
    ExpectExportedNotes(image, compared);
    EXPECT_GT(compared, 100u) << compared;
}

TEST_F(CvNotes, OfAnAbsentChordVariationOrAVirginTrackAreNone)
{
    CNstEditIfc style(nullptr, 0);
    const Bytes file = GeneratedFile(5, 1, 4, 4);
    ASSERT_TRUE(style.ImportSmfToCv(file.data(), file.size(), 0, 1, 2, true));
    const Bytes before = Snapshot(style);
    std::vector<CCvNote> notes = {{0, 0, 60, 1, 1}};
    EXPECT_TRUE(style.ReadCvNotes(3, 0, CNstEditIfc::AllTracks, notes));
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(style.ReadCvNotes(0, 1, 5, notes));
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(style.ReadCvNotes(0, 1, 2, notes));
    EXPECT_FALSE(notes.empty());
    EXPECT_EQ(Snapshot(style), before);
    EXPECT_EQ(style.GetElementState(3), CNstEditIfc::StateAbsent);
}

// Random streams of Notes with durations (some reaching past End of Track) and note-on/note-off pairs,
// on two channels and three keys so that notes of one key overlap and touch: the collector finds the
// notes a reader finds in the file the format 0 writer makes of the same stream.
TEST_F(CvNotes, AreCollectedAsTheFileWriterWritesThem)
{
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        std::multimap<uint32_t, CLinkedEvent> stream;
        uint32_t end = 0;
        for (int i = 0; i < 30; ++i) {
            const auto channel = static_cast<uint8_t>(random() % 2);
            const auto key = static_cast<uint8_t>(60 + random() % 3);
            const auto velocity = static_cast<uint8_t>(1 + random() % 127);
            const uint32_t start = random() % 1000;
            const uint32_t length = 1 + random() % 300;
            CLinkedEvent on;
            if (random() % 2) {
                on.header = CEvent::ChannelHeader(EventKind::Note, channel, key, velocity);
                on.data = CEvent::NoteData(length, 64);
            } else {
                on.header = CEvent::ChannelHeader(EventKind::NoteOn, channel, key, velocity);
                CLinkedEvent off;
                off.header = CEvent::ChannelHeader(EventKind::NoteOff, channel, key, 64);
                stream.emplace(start + length, off);
                end = std::max(end, start + length);
            }
            stream.emplace(start, on);
        }
        end += random() % 200;
        CMidiOut file;
        CNoteCollector collector;
        ASSERT_TRUE(collector.Open());
        for (CEncoderBase* encoder :
             {static_cast<CEncoderBase*>(&file), static_cast<CEncoderBase*>(&collector)}) {
            for (const auto& [time, event] : stream)
                ASSERT_TRUE(encoder->WriteChainAt(time, &event)) << "seed " << seed;
            ASSERT_TRUE(encoder->WriteEndOfTrackAt(end) && encoder->Close()) << "seed " << seed;
        }
        std::vector<CNote> collected;
        for (const CCollectedNote& note : collector.Notes())
            collected.push_back({note.start, note.channel, note.key, note.velocity, note.end});
        std::sort(collected.begin(), collected.end());
        const CMemOut& image = file.Output();
        ASSERT_EQ(collected, NotesOf(Bytes(image.Data(), image.Data() + image.GetSize()))) << "seed " << seed;
    }
}

} // namespace
