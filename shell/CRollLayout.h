// The geometry, colours and texts of the piano roll, shared by the window's panel and the SVG writer so
// that both pictures agree.
#pragma once

#include "shell/CRollNotes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A colour as 8-bit red, green and blue.
struct CRollColour {
    uint8_t r, g, b;
    // "#rrggbb"
    std::string Hex() const;
};

// A rectangle in pixels, y growing downwards.
struct CRollRect {
    double x = 0, y = 0, w = 0, h = 0;
    bool Contains(double px, double py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// A text in a box: right-aligned (key names) or left-aligned (measure numbers, legend), centred
// vertically.
struct CRollLabel {
    CRollRect box;
    std::string text;
    bool alignRight = false;
};

// One note's bar: from its start to its end on its key's row.
struct CRollNoteBox {
    CRollRect box;
    size_t note; // index into the content's notes
    double opacity;
};

// A vertical line of the grid: a measure line or a beat line.
struct CRollGridLine {
    double x;
    bool measure;
};

// A track of the legend: its colour swatch and its name.
struct CRollLegendEntry {
    CRollRect swatch;
    CRollLabel name;
    int track;
};

// Places everything the roll shows into a picture of `width` x `height` pixels: the legend on top,
// the measure numbers below it, the key names on the left, and the plot of keys (rows) over time
// (columns). The plot's time runs from 0 to the chord variation's end (later, in whole measures, when
// a note ends after it); its keys from below the lowest to above the highest note, at least an octave.
// The layout refers to `content`, which must outlive it.
class CRollLayout {
public:
    // Fixed parts, in pixels
    static constexpr double Margin = 6;
    static constexpr double KeyColumn = 40;  // width of the key names left of the plot
    static constexpr double LegendRow = 18;  // height of one row of the legend
    static constexpr double LegendSlot = 96; // width of one legend entry
    static constexpr double Swatch = 10;     // side of a legend colour swatch
    static constexpr double NumberRow = 14;  // height of the measure numbers
    static constexpr int MinKeys = 12;       // the plot shows at least an octave
    // The natural scale of a picture (the SVG's): pixels per quarter note and per key.
    static constexpr double QuarterWidth = 48;
    static constexpr double KeyHeight = 8;
    static constexpr double MaxNaturalWidth = 16000;

    CRollLayout(const CRollContent& content, double width, double height);

    // The picture's size at its natural scale (time and keys), at least 480 x 160 pixels.
    static void NaturalSize(const CRollContent& content, double& width, double& height);

    // Geometry
    const CRollContent& Content() const { return content; }
    double Width() const { return width; }
    double Height() const { return height; }
    const CRollRect& Plot() const { return plot; }
    uint8_t LowKey() const { return lowKey; }
    uint8_t HighKey() const { return highKey; }
    uint32_t EndTick() const { return endTick; }
    // x of `tick` (not clamped to the plot).
    double X(double tick) const { return plot.x + tick * plot.w / endTick; }
    double RowHeight() const { return rowHeight; }
    // The row of `key` (LowKey..HighKey).
    CRollRect Row(uint8_t key) const;

    // What is drawn, in drawing order
    // The rows of the black keys, shaded.
    const std::vector<CRollRect>& BlackRows() const { return blackRows; }
    const std::vector<CRollGridLine>& GridLines() const { return gridLines; }
    const std::vector<CRollNoteBox>& NoteBoxes() const { return noteBoxes; }
    const std::vector<CRollLegendEntry>& Legend() const { return legend; }
    // Key names (each C) and measure numbers.
    const std::vector<CRollLabel>& Labels() const { return labels; }

    // Notes
    // The index into the content's notes of the note drawn topmost at (x, y); bars thinner than 3
    // pixels are hit a pixel around them. -1 when there is none.
    int NoteAt(double x, double y) const;
    // The tool tip of note `note`: "C#4 (Bass)", "Start: 2:3:120", "Length: 192 ticks",
    // "Velocity: 100", and "Outside the program's note range" for such a note, one per line.
    std::string NoteText(size_t note) const;

    // Texts and colours
    // "C-1" for key 0, "C4" for 60, "C#4" for 61, "G9" for 127.
    static std::string KeyName(int key);
    // "measure:beat:tick" of `tick`, measures and beats from 1, ticks within the beat from 0.
    static std::string Position(const CRollContent& content, uint32_t tick);
    static CRollColour TrackColour(int track);
    // 0.3 for velocity 1 up to 1 for velocity 127.
    static double Opacity(uint8_t velocity);
    static constexpr CRollColour Background{255, 255, 255};
    static constexpr CRollColour BlackRow{238, 238, 242};
    static constexpr CRollColour BeatLine{222, 222, 226};
    static constexpr CRollColour MeasureLine{150, 150, 158};
    static constexpr CRollColour Text{60, 60, 66};
    static constexpr CRollColour Outside{220, 0, 0}; // the outline of a note outside its range
    static constexpr CRollColour Cursor{20, 20, 20};

private:
    void PlaceLegend();
    void PlaceKeys();
    void PlaceGrid();
    void PlaceNotes();

    const CRollContent& content;
    double width;
    double height;
    CRollRect plot;
    uint8_t lowKey = 60;
    uint8_t highKey = 71;
    uint32_t endTick = 1;
    double rowHeight = 1;
    std::vector<CRollRect> blackRows;
    std::vector<CRollGridLine> gridLines;
    std::vector<CRollNoteBox> noteBoxes;
    std::vector<CRollLegendEntry> legend;
    std::vector<CRollLabel> labels;
};
