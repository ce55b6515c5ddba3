// Placing the piano roll's notes, grid, legend and labels.
#include "shell/CRollLayout.h"

#include "shell/CStandardNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Bars thinner than this are hit a pixel around them, so that a tool tip can find them.
constexpr double kMinHitSize = 3;
// Grid lines and labels closer than these are thinned out.
constexpr double kMinBeatSpacing = 4;
constexpr double kMinNumberSpacing = 18;
constexpr double kMinOctaveHeight = 11;

// The keys from one below the lowest note to one above the highest, widened to an octave; the octave
// from middle C without notes.
void KeyRange(const CRollContent& content, uint8_t& low, uint8_t& high)
{
    if (content.notes.empty()) {
        low = 60;
        high = 60 + CRollLayout::MinKeys - 1;
        return;
    }
    int lowest = 127, highest = 0;
    for (const CRollNote& roll : content.notes) {
        lowest = std::min<int>(lowest, roll.note.key);
        highest = std::max<int>(highest, roll.note.key);
    }
    lowest = std::max(0, lowest - 1);
    highest = std::min(127, highest + 1);
    for (bool up = true; highest - lowest + 1 < CRollLayout::MinKeys; up = !up) {
        if (up && highest < 127)
            ++highest;
        else if (lowest > 0)
            --lowest;
    }
    low = static_cast<uint8_t>(lowest);
    high = static_cast<uint8_t>(highest);
}

// The chord variation's end, or the end of the last note in whole measures when that lies later.
uint32_t EndTickOf(const CRollContent& content)
{
    uint64_t end = content.lengthTicks;
    for (const CRollNote& roll : content.notes)
        end = std::max<uint64_t>(end, uint64_t{roll.note.start} + roll.note.length);
    const uint64_t measure = content.MeasureTicks();
    end = (end + measure - 1) / measure * measure;
    return static_cast<uint32_t>(std::clamp<uint64_t>(end, measure, UINT32_MAX / 2));
}

// The tracks the legend names: the one track, or every track that has a note.
std::vector<int> LegendTracks(const CRollContent& content)
{
    if (content.track != CNstEditIfc::AllTracks)
        return {content.track};
    std::vector<bool> present(CStandardNames::TrackCount, false);
    for (const CRollNote& roll : content.notes)
        present[roll.note.track % CStandardNames::TrackCount] = true;
    std::vector<int> tracks;
    for (int t = 0; t < CStandardNames::TrackCount; ++t)
        if (present[static_cast<size_t>(t)])
            tracks.push_back(t);
    return tracks;
}

int LegendColumns(double width)
{
    return std::max(1, static_cast<int>((width - CRollLayout::KeyColumn - CRollLayout::Margin) /
                                        CRollLayout::LegendSlot));
}

double LegendHeight(const CRollContent& content, double width)
{
    const auto entries = static_cast<int>(LegendTracks(content).size());
    const int rows = std::max(1, (entries + LegendColumns(width) - 1) / LegendColumns(width));
    return rows * CRollLayout::LegendRow;
}

bool IsBlackKey(int key)
{
    static constexpr bool black[12] = {false, true,  false, true,  false, false,
                                       true,  false, true,  false, true,  false};
    return black[key % 12];
}

} // namespace

std::string CRollColour::Hex() const
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
    return text;
}

CRollLayout::CRollLayout(const CRollContent& content_, double width_, double height_)
    : content(content_), width(width_), height(height_)
{
    KeyRange(content, lowKey, highKey);
    endTick = EndTickOf(content);
    const double top = Margin + LegendHeight(content, width) + NumberRow;
    plot = {KeyColumn, top, std::max(1.0, width - KeyColumn - Margin), std::max(1.0, height - top - Margin)};
    rowHeight = plot.h / (highKey - lowKey + 1);
    PlaceKeys();
    PlaceGrid();
    PlaceNotes();
    PlaceLegend();
}

void CRollLayout::NaturalSize(const CRollContent& content, double& naturalWidth, double& naturalHeight)
{
    uint8_t low = 0, high = 0;
    KeyRange(content, low, high);
    const double plotWidth = EndTickOf(content) * QuarterWidth / 384;
    naturalWidth = std::clamp(KeyColumn + plotWidth + Margin, 480.0, MaxNaturalWidth);
    naturalHeight = std::max(160.0, Margin + LegendHeight(content, naturalWidth) + NumberRow +
                                        (high - low + 1) * KeyHeight + Margin);
}

CRollRect CRollLayout::Row(uint8_t key) const
{
    return {plot.x, plot.y + (highKey - key) * rowHeight, plot.w, rowHeight};
}

void CRollLayout::PlaceKeys()
{
    const bool named = MinKeys * rowHeight >= kMinOctaveHeight;
    for (int key = lowKey; key <= highKey; ++key) {
        const CRollRect row = Row(static_cast<uint8_t>(key));
        if (IsBlackKey(key))
            blackRows.push_back(row);
        if (named && key % 12 == 0)
            labels.push_back({{0, row.y + row.h / 2 - 7, KeyColumn - 4, 14}, KeyName(key), true});
    }
}

void CRollLayout::PlaceGrid()
{
    const uint32_t beat = content.BeatTicks();
    const uint32_t measure = content.MeasureTicks();
    const uint32_t measures = endTick / measure;
    const double measureWidth = X(measure) - X(0);
    const bool beats = X(beat) - X(0) >= kMinBeatSpacing;
    const auto lineEvery = static_cast<uint32_t>(std::ceil(std::max(1.0, kMinBeatSpacing / measureWidth)));
    const auto numberEvery =
        lineEvery *
        static_cast<uint32_t>(std::ceil(std::max(1.0, kMinNumberSpacing / (measureWidth * lineEvery))));
    for (uint32_t m = 0; m <= measures; m += lineEvery) {
        const uint32_t tick = m * measure;
        gridLines.push_back({X(tick), true});
        if (m == measures)
            break;
        if (m % numberEvery == 0)
            labels.push_back({{X(tick) + 2, plot.y - NumberRow, measureWidth * numberEvery - 2, NumberRow},
                              std::to_string(m + 1)});
        for (uint32_t t = tick + beat; beats && t < tick + measure; t += beat)
            gridLines.push_back({X(t), false});
    }
    if (measures % lineEvery != 0)
        gridLines.push_back({X(endTick), true});
}

void CRollLayout::PlaceNotes()
{
    const double gap = rowHeight >= 4 ? 1 : 0;
    noteBoxes.reserve(content.notes.size());
    // Notes outside their range come last, so that no other bar covers their outline.
    for (const bool outside : {false, true})
        for (size_t i = 0; i < content.notes.size(); ++i) {
            if (content.notes[i].outsideRange != outside)
                continue;
            const CCvNote& note = content.notes[i].note;
            const double x = X(note.start);
            const double w = std::max(1.0, X(static_cast<double>(note.start) + note.length) - x);
            const CRollRect row = Row(note.key);
            noteBoxes.push_back({{x, row.y + gap / 2, w, row.h - gap}, i, Opacity(note.velocity)});
        }
}

void CRollLayout::PlaceLegend()
{
    const int columns = LegendColumns(width);
    int i = 0;
    for (const int track : LegendTracks(content)) {
        const double x = KeyColumn + (i % columns) * LegendSlot;
        const double y = Margin + (i / columns) * LegendRow;
        const CRollRect swatch{x, y + (LegendRow - Swatch) / 2, Swatch, Swatch};
        legend.push_back({swatch,
                          {{x + Swatch + 4, y, LegendSlot - Swatch - 8, LegendRow},
                           CStandardNames::TrackName(track),
                           false},
                          track});
        ++i;
    }
}

int CRollLayout::NoteAt(double x, double y) const
{
    for (auto box = noteBoxes.rbegin(); box != noteBoxes.rend(); ++box) {
        CRollRect hit = box->box;
        if (hit.w < kMinHitSize)
            hit = {hit.x - 1, hit.y, hit.w + 2, hit.h};
        if (hit.h < kMinHitSize)
            hit = {hit.x, hit.y - 1, hit.w, hit.h + 2};
        if (hit.Contains(x, y))
            return static_cast<int>(box->note);
    }
    return -1;
}

std::string CRollLayout::NoteText(size_t index) const
{
    const CRollNote& roll = content.notes[index];
    const CCvNote& note = roll.note;
    std::string text = KeyName(note.key) + " (" + CStandardNames::TrackName(note.track % 8) + ")\n" +
                       "Start: " + Position(content, note.start) + "\n" +
                       "Length: " + std::to_string(note.length) + " ticks\n" +
                       "Velocity: " + std::to_string(note.velocity);
    if (roll.outsideRange)
        text += "\nOutside the program's note range";
    return text;
}

std::string CRollLayout::KeyName(int key)
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return names[key % 12] + std::to_string(key / 12 - 1);
}

std::string CRollLayout::Position(const CRollContent& content, uint32_t tick)
{
    const uint32_t measure = content.MeasureTicks();
    const uint32_t beat = content.BeatTicks();
    return std::to_string(tick / measure + 1) + ":" + std::to_string(tick % measure / beat + 1) + ":" +
           std::to_string(tick % beat);
}

CRollColour CRollLayout::TrackColour(int track)
{
    // Drum, Percussion, Bass, Acc. 1 .. Acc. 5: far apart in hue, none of them the outline's red.
    static constexpr CRollColour colours[8] = {{96, 96, 104},  {140, 86, 75},  {31, 119, 180},
                                               {44, 160, 44},  {255, 127, 14}, {148, 103, 189},
                                               {23, 190, 207}, {188, 189, 34}};
    return colours[track % 8];
}

double CRollLayout::Opacity(uint8_t velocity)
{
    return 0.3 + 0.7 * (std::clamp<int>(velocity, 1, 127) - 1) / 126.0;
}
