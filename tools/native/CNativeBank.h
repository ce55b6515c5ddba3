// A bank stored the way the keyboard stores styles, and the notes each of its chord variations exports.
#pragma once

#include "tools/native/CNativeMusic.h"

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

// A note as an export must write it: track 0..7, start and end tick, key and on velocity. A note still
// sounding at the chord variation's end ends at its length - 1.
struct CNativeNote {
    uint8_t track;
    uint32_t start;
    uint8_t key;
    uint8_t velocity;
    uint32_t end;
    auto operator<=>(const CNativeNote&) const = default;
};

struct CNativeChordVar {
    int element; // 0..11
    int cv;      // 0..5
    uint32_t lengthTicks;
    std::vector<CNativeNote> notes; // sorted
};

struct CNativeStyle {
    std::string name;
    // False for a style the tools must refuse: it holds a pattern of more simultaneous events than the
    // event pool has records, or a pattern stream that breaks off half-way. Such a style lists no chord
    // variation.
    bool readable;
    std::vector<CNativeChordVar> chordVars; // every chord variation, in element and index order
};

// The native-form bank: styles assembled record by record in the keyboard's compact form. Every note
// is a Note or Sound event carrying its own duration; patterns are shared between chord variations,
// repeated while a slot plays, and long ones are cut into pieces played one after another by
// neighbouring equal pairs with start and end marks, with notes held across the cuts and the measure
// lines. Three readable styles (4/4 with a 3/4 Ending, 3/4 in the old format, 6/8) come first, then
// the overfull and the damaged style. docs/formats/style-content.md describes the form.
class CNativeBank {
public:
    // The bank image, the same bytes on every run. False when the music breaks a rule of the compact
    // form (a span that is not a whole number of its piece's lengths, overlapping spans, a piece of the
    // wrong track type) or two notes of one key on one track touch, or the bank would not open.
    static bool Build(std::vector<uint8_t>& bank);
    // What each style exports, in bank order.
    static std::vector<CNativeStyle> Expected();

    // One style on its own: its content chunk (header and data) as the bank stores it, and what it
    // exports. `style` must follow the compact form as Build checks it.
    static std::vector<uint8_t> StyleContent(const CStylePlan& style);
    static CNativeStyle ExpectedOf(const CStylePlan& style);
};
