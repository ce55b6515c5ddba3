// Taking a style through the facade and back into the bank loses nothing any chord variation exports.
#include "RoundTripSupport.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "bank/facade/FacadeTestSupport.h"
#include "tools/example/CExampleBank.h"
#include "tools/native/CNativeBank.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <utility>

namespace {

constexpr int kElements = 12;
constexpr int kChordVariations = 6;

// The all-track export of every filled chord variation of style k, keyed by (element, chord variation).
using Exports = std::map<std::pair<int, int>, Bytes>;

Exports ExportStyle(const CStyleBank& bank, int k)
{
    Exports exports;
    const auto selection = bank.SelectStyle(k);
    if (!selection)
        return exports;
    CNstEditIfc style(selection->content.data(), selection->content.size());
    for (int element = 0; element < kElements; ++element)
        for (int cv = 0; cv < kChordVariations; ++cv)
            if (style.GetCvState(element, cv) == CNstEditIfc::StateFilled)
                exports[{element, cv}] = style.ExportCvToSmf(element, cv, CNstEditIfc::AllTracks);
    return exports;
}

// Opens `image`, rebuilds style k with normalising, commits it, saves and reopens into `reopened`.
void RebuildStyle(const Bytes& image, int k, CStyleBank& reopened)
{
    CStyleBank bank;
    ASSERT_EQ(bank.OpenImage(image.data(), image.size()), BankResult::Ok);
    const auto selection = bank.SelectStyle(k);
    ASSERT_TRUE(selection);
    CNstEditIfc style(selection->content.data(), selection->content.size());
    ASSERT_TRUE(style.IsLoaded());
    std::vector<uint8_t> chunk = style.BuildStyleChunk(true);
    ASSERT_FALSE(chunk.empty());
    ASSERT_EQ(bank.CommitStyle(k, std::move(chunk)), BankResult::Ok);
    Bytes saved;
    ASSERT_EQ(bank.SaveImage(saved, bank.StyleNames()).result, BankResult::Ok);
    ASSERT_EQ(reopened.OpenImage(saved.data(), saved.size()), BankResult::Ok);
}

void ExpectStylesSurviveRebuilding(const Bytes& image)
{
    CStyleBank original;
    ASSERT_EQ(original.OpenImage(image.data(), image.size()), BankResult::Ok);
    ASSERT_GT(original.StyleCount(), 0);
    for (int k = 0; k < original.StyleCount(); ++k) {
        SCOPED_TRACE("style " + std::to_string(k));
        const Exports before = ExportStyle(original, k);
        ASSERT_FALSE(before.empty());
        CStyleBank reopened;
        RebuildStyle(image, k, reopened);
        if (::testing::Test::HasFatalFailure())
            return;
        ASSERT_EQ(reopened.StyleCount(), original.StyleCount());
        const Exports after = ExportStyle(reopened, k);
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [where, bytes] : before) {
            SCOPED_TRACE("element " + std::to_string(where.first) + ", chord variation " +
                         std::to_string(where.second));
            ASSERT_TRUE(after.count(where));
            ASSERT_FALSE(bytes.empty());
            EXPECT_EQ(FirstMismatch(bytes, after.at(where)), "");
        }
    }
}

void ExpectUnchangedSavesAreIdentical(const Bytes& image)
{
    CStyleBank bank;
    ASSERT_EQ(bank.OpenImage(image.data(), image.size()), BankResult::Ok);
    Bytes first, second, third;
    ASSERT_EQ(bank.SaveImage(first, bank.StyleNames()).result, BankResult::Ok);
    ASSERT_EQ(bank.SaveImage(second, bank.StyleNames()).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(first, second), "");
    // And a bank reopened from what was saved saves the same bytes again.
    CStyleBank reopened;
    ASSERT_EQ(reopened.OpenImage(first.data(), first.size()), BankResult::Ok);
    ASSERT_EQ(reopened.SaveImage(third, reopened.StyleNames()).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(first, third), "");
}

Bytes GeneratedBank()
{
    Bytes image;
    EXPECT_TRUE(CExampleBank::Build(3, image));
    return image;
}

// `style` exports exactly the generator's notes in every chord variation, and holds no other.
void ExpectNativeNotes(CNstEditIfc& style, const CNativeStyle& expected)
{
    ASSERT_TRUE(style.IsLoaded());
    size_t filled = 0;
    for (int element = 0; element < kElements; ++element)
        for (int cv = 0; cv < kChordVariations; ++cv)
            filled += style.GetCvState(element, cv) == CNstEditIfc::StateFilled;
    EXPECT_EQ(filled, expected.chordVars.size());
    for (const CNativeChordVar& chordVar : expected.chordVars) {
        SCOPED_TRACE("element " + std::to_string(chordVar.element) + ", chord variation " +
                     std::to_string(chordVar.cv));
        std::vector<facadetest::CNote> notes;
        for (const CNativeNote& note : chordVar.notes)
            notes.push_back(
                {note.start, CNstEditIfc::TrackChannels[note.track], note.key, note.velocity, note.end});
        std::sort(notes.begin(), notes.end());
        const std::vector<facadetest::CNote> exported =
            facadetest::NotesOf(style.ExportCvToSmf(chordVar.element, chordVar.cv, CNstEditIfc::AllTracks));
        const auto [actual, wanted] =
            std::mismatch(exported.begin(), exported.end(), notes.begin(), notes.end());
        EXPECT_TRUE(actual == exported.end() && wanted == notes.end())
            << exported.size() << " notes, expected " << notes.size() << "; first difference "
            << (actual == exported.end() ? ::testing::PrintToString("none")
                                         : ::testing::PrintToString(*actual))
            << ", expected "
            << (wanted == notes.end() ? ::testing::PrintToString("none") : ::testing::PrintToString(*wanted));
    }
}

void ExpectNativeNotes(const CStyleBank& bank, int k, const CNativeStyle& expected)
{
    const auto selection = bank.SelectStyle(k);
    ASSERT_TRUE(selection);
    CNstEditIfc style(selection->content.data(), selection->content.size());
    ExpectNativeNotes(style, expected);
}

} // namespace

TEST(NoDataLoss, EveryReadableStyleOfTheNativeBankExportsItsNotesBeforeAndAfterRebuilding)
{
    Bytes image;
    ASSERT_TRUE(CNativeBank::Build(image));
    const std::vector<CNativeStyle> styles = CNativeBank::Expected();
    CStyleBank original;
    ASSERT_EQ(original.OpenImage(image.data(), image.size()), BankResult::Ok);
    ASSERT_EQ(original.StyleCount(), static_cast<int>(styles.size()));
    for (int k = 0; k < original.StyleCount(); ++k) {
        if (!styles[k].readable)
            continue;
        SCOPED_TRACE("style " + std::to_string(k + 1));
        ExpectNativeNotes(original, k, styles[k]);
        CStyleBank reopened;
        RebuildStyle(image, k, reopened);
        if (::testing::Test::HasFatalFailure())
            return;
        ExpectNativeNotes(reopened, k, styles[k]);
        // The refused styles travel through the save byte for byte.
        for (int j = 0; j < original.StyleCount(); ++j) {
            if (!styles[j].readable) {
                EXPECT_TRUE(original.SelectStyle(j)->content == reopened.SelectStyle(j)->content)
                    << "style " << j + 1;
            }
        }
    }
}

TEST(NoDataLoss, AStyleOfTheNativeBankIsRefusedWhereItsPatternOutgrowsTheEventPool)
{
    Bytes image;
    ASSERT_TRUE(CNativeBank::Build(image));
    CStyleBank bank;
    ASSERT_EQ(bank.OpenImage(image.data(), image.size()), BankResult::Ok);
    ASSERT_EQ(CNativeBank::Expected()[3].name, "Overfull");
    // Its Drum track of Variation 1, chord variation 1, holds 1100 notes at one tick.
    const auto overfull = bank.SelectStyle(3);
    CNstEditIfc style(overfull->content.data(), overfull->content.size());
    EXPECT_FALSE(style.IsLoaded());
    EXPECT_EQ(style.GetElementState(0), CNstEditIfc::StateAbsent);
    EXPECT_EQ(style.UndecodablePattern().element, 0);
    EXPECT_EQ(style.UndecodablePattern().cv, 0);
    EXPECT_EQ(style.UndecodablePattern().track, 0);
}

// The packed form holds durations above 8191 ticks only in steps of 16: a long note cut at the chord
// variation's last tick must still end there (9215), not at the step below it (9200), in the export and,
// after a save, in the stored pattern.
TEST(NoDataLoss, ANoteOfMoreThan8191TicksCutAtTheEndEndsOnTheLastTick)
{
    CPiece drone;
    drone.trackType = 1;
    drone.lengthTicks = 6 * 1536;
    drone.notes = {{0, 36, 90, 12000}}; // 750 steps of 16 ticks, past the end
    const CStylePlan plan{"Long Drone",
                          1,
                          false,
                          true,
                          {},
                          {drone},
                          {{0, 4, 2, {{0, 6 * 1536, {{2, {{0, 0, 6 * 1536}}}}, {}}}}}};
    const std::vector<uint8_t> content = CNativeBank::StyleContent(plan);
    CNstEditIfc style(content.data(), content.size());
    ExpectNativeNotes(style, CNativeBank::ExpectedOf(plan));
    const std::vector<uint8_t> saved = style.BuildStyleChunk(true);
    CNstEditIfc reopened(saved.data(), saved.size());
    ExpectNativeNotes(reopened, CNativeBank::ExpectedOf(plan));
}

TEST(NoDataLoss, EveryStyleOfTheExampleBankExportsTheSameFilesAfterRebuilding)
{
    ExpectStylesSurviveRebuilding(ReadBytes(RY7_EXAMPLE_BANK));
}

TEST(NoDataLoss, EveryStyleOfAGeneratedBankExportsTheSameFilesAfterRebuilding)
{
    ExpectStylesSurviveRebuilding(GeneratedBank());
}

TEST(NoDataLoss, SavingWithoutChangesGivesIdenticalFiles)
{
    ExpectUnchangedSavesAreIdentical(ReadBytes(RY7_EXAMPLE_BANK));
    ExpectUnchangedSavesAreIdentical(GeneratedBank());
}

TEST(NoDataLoss, SavingToAFileTwiceGivesIdenticalFiles)
{
    TempFolder folder("ry7-resave");
    CStyleBank bank;
    ASSERT_EQ(bank.OpenFile(RY7_EXAMPLE_BANK), BankResult::Ok);
    const auto path = folder.path / "bank.sty";
    ASSERT_EQ(bank.SaveFile(path.string(), bank.StyleNames()).result, BankResult::Ok);
    const Bytes first = ReadBytes(path);
    ASSERT_EQ(bank.SaveFile(path.string(), bank.StyleNames()).result, BankResult::Ok);
    EXPECT_EQ(FirstMismatch(first, ReadBytes(path)), "");
}
