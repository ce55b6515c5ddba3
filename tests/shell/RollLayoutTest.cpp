// The piano roll's geometry and texts, which the window's panel and the SVG picture share.
#include "shell/CRollLayout.h"
#include "shell/CRollSvg.h"

#include <gtest/gtest.h>

namespace {

CRollContent Content(uint8_t numerator, uint8_t denomExp, int measures, std::vector<CRollNote> notes)
{
    CRollContent content;
    content.numerator = numerator;
    content.denomExp = denomExp;
    content.measures = measures;
    content.lengthTicks = content.MeasureTicks() * static_cast<uint32_t>(measures);
    content.notes = std::move(notes);
    return content;
}

CRollNote Note(uint32_t start, uint8_t key, uint32_t length, bool outside = false)
{
    return {{start, 2, key, length, 100}, outside};
}

TEST(RollLayout, NamesKeysAndPositionsAsMusiciansCountThem)
{
    const std::pair<int, const char*> keys[] = {{0, "C-1"}, {59, "B3"}, {60, "C4"}, {61, "C#4"}, {127, "G9"}};
    for (const auto& [key, name] : keys)
        EXPECT_EQ(CRollLayout::KeyName(key), name);
    const struct {
        uint8_t numerator, denomExp;
        uint32_t tick;
        const char* position;
    } positions[] = {
        {4, 2, 0, "1:1:0"},     {4, 2, 1536 + 768 + 120, "2:3:120"},
        {3, 2, 1152, "2:1:0"},  {6, 3, 1152 + 192 + 8, "2:2:8"}, // beats of eighth notes in 6/8
        {2, 1, 767, "1:1:767"},                                  // half notes in 2/2
    };
    for (const auto& p : positions)
        EXPECT_EQ(CRollLayout::Position(Content(p.numerator, p.denomExp, 4, {}), p.tick), p.position)
            << p.tick;
}

TEST(RollLayout, ShowsAtLeastAnOctaveAroundTheNotesWithinTheKeyboard)
{
    const struct {
        std::vector<uint8_t> keys;
        int low, high;
    } cases[] = {
        {{}, 60, 71}, {{64}, 59, 70}, {{40, 90}, 39, 91}, {{0, 3}, 0, 11}, {{127}, 116, 127},
    };
    for (const auto& c : cases) {
        std::vector<CRollNote> notes;
        for (uint8_t key : c.keys)
            notes.push_back(Note(0, key, 10));
        const CRollContent content = Content(4, 2, 1, notes);
        const CRollLayout layout(content, 400, 300);
        EXPECT_EQ(int{layout.LowKey()}, c.low) << ::testing::PrintToString(c.keys);
        EXPECT_EQ(int{layout.HighKey()}, c.high) << ::testing::PrintToString(c.keys);
    }
}

TEST(RollLayout, PlacesEachNoteOnItsRowFromStartToEndAndFindsItThere)
{
    // Two measures of 4/4; a long note ends after them and widens the plot to a third measure.
    const CRollContent content =
        Content(4, 2, 2, {Note(0, 60, 384), Note(1536, 67, 1), Note(2304, 64, 2304, true)});
    const CRollLayout layout(content, 640, 400);
    EXPECT_EQ(layout.EndTick(), 3u * 1536);
    const CRollRect& plot = layout.Plot();
    ASSERT_EQ(layout.NoteBoxes().size(), 3u);
    EXPECT_EQ(layout.NoteBoxes().back().note, 2u) << "a note outside its range is drawn last";
    for (const CRollNoteBox& box : layout.NoteBoxes()) {
        const CCvNote& note = content.notes[box.note].note;
        const CRollRect row = layout.Row(note.key);
        EXPECT_NEAR(box.box.x, plot.x + plot.w * note.start / layout.EndTick(), 1e-9);
        EXPECT_NEAR(box.box.x + box.box.w, std::max(box.box.x + 1, layout.X(note.start + note.length)), 1e-9);
        EXPECT_TRUE(box.box.y >= row.y && box.box.y + box.box.h <= row.y + row.h);
        EXPECT_EQ(layout.NoteAt(box.box.x + box.box.w / 2, box.box.y + box.box.h / 2),
                  static_cast<int>(box.note));
    }
    // The one-tick note is hit a pixel beside it; a free place hits nothing.
    const CRollRect& thin = layout.NoteBoxes()[1].box;
    EXPECT_EQ(layout.NoteAt(thin.x - 0.9, thin.y + 1), 1);
    EXPECT_EQ(layout.NoteAt(plot.x + 1, layout.Row(72).y + 1), -1);
    // Measure lines at 0, 1536, 3072 and 4608, beat lines between them.
    int measures = 0, beats = 0;
    for (const CRollGridLine& line : layout.GridLines())
        ++(line.measure ? measures : beats);
    EXPECT_EQ(measures, 4);
    EXPECT_EQ(beats, 9);
    EXPECT_EQ(layout.NoteText(2), "E4 (Bass)\nStart: 2:3:0\nLength: 2304 ticks\nVelocity: 100\n"
                                  "Outside the program's note range");
}

TEST(RollLayout, SvgTextsEscapeWhatXmlGivesMeaningToAndForeignBytes)
{
    EXPECT_EQ(CRollSvg::Escaped("R&B <\"1\">"), "R&amp;B &lt;&quot;1&quot;&gt;");
    EXPECT_EQ(CRollSvg::Escaped("Caf\xE9\x01\tx\ny"), "Caf&#xE9;?\tx\ny");
}

} // namespace
