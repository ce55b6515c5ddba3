// A whole style built through the facade from MIDI files, stored, reopened and exported again.
#include "FacadeTestSupport.h"
#include "sharing/CMakeMark.h"

#include <gtest/gtest.h>

using namespace facadetest;

namespace {

class EndToEnd : public CPoolCheckedTest {};

// The first note that differs, or the difference in count.
::testing::AssertionResult SameNotes(const std::vector<CNote>& actual, const std::vector<CNote>& expected)
{
    for (size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
        if (actual[i] != expected[i])
            return ::testing::AssertionFailure()
                   << "note " << i << ": " << actual[i] << ", expected " << expected[i];
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << actual.size() << " notes, expected " << expected.size();
    return ::testing::AssertionSuccess();
}

TEST_F(EndToEnd, EveryNoteOfEveryChordVariationSurvivesStoringAndReopening)
{
    std::vector<CStyleFile> files = StyleFiles();
    CNstEditIfc built(nullptr, 0);
    for (const CStyleFile& file : files)
        ASSERT_TRUE(built.ImportSmfToCv(file.image.data(), file.image.size(), file.element, file.cv,
                                        CNstEditIfc::AllTracks, false))
            << "element " << file.element << " cv " << file.cv;
    const Bytes chunk = built.BuildStyleChunk(true);
    ASSERT_FALSE(chunk.empty());

    // The stored tree is compact (shared and split patterns), so reopening has to expand it.
    std::unique_ptr<CStyleContent> stored =
        CStyleContent::CopyOf(chunk.data(), chunk.size(), int32_t(chunk.size()));
    ASSERT_TRUE(stored);
    EXPECT_GT(CMakeMark::MeasureExpansion(*stored->nav, false), 0);

    CNstEditIfc reopened(chunk.data(), chunk.size());
    ASSERT_TRUE(reopened.IsLoaded());
    for (const CStyleFile& file : files) {
        const Bytes image = reopened.ExportCvToSmf(file.element, file.cv, CNstEditIfc::AllTracks);
        EXPECT_TRUE(SameNotes(NotesOf(image), file.notes)) << "element " << file.element << " cv " << file.cv;
        EXPECT_EQ(EventsOf(image).back().tick, file.lengthTicks)
            << "element " << file.element << " cv " << file.cv;
    }
}

} // namespace
