// Conversion of a style content tree between the keyboard's compact form and the expanded form.
#pragma once

#include "bank/chunk/CChunkNav.h"
#include "bank/model/CNstRecords.h"
#include "bank/model/CNstRyIfc.h"

#include <cstdint>
#include <memory>

class CPackedWriter;
class CPatternData;

// In the expanded form every pattern record of the pool is played by exactly one chord variation slot, once,
// from tick 0 to the chord variation's end; the style record codec reads and writes only that form. In the
// compact form records are shared between slots, repeated while a slot plays, and long patterns are cut into
// pieces played one after another by neighbouring slots with equal pairs, driven by start and end marks.
// docs/formats/style-content.md describes both.
//
// Every operation takes a navigator over a style content tree (its root being the content chunk), starts
// and ends with it at the root, and never reads outside the records' sizes.
class CMakeMark {
public:
    // Empty: no expanded copy.
    CMakeMark() = default;
    // Expands `nav`'s tree when it is in compact form: MeasureExpansion (not strict), then
    // ExpandChordVariations. Expanded() then holds the copy, or null when the tree was already expanded, is
    // corrupt, or the copy could not be made (Analysis() tells which).
    explicit CMakeMark(CChunkNav& nav);

    // The result of the constructor's analysis (see MeasureExpansion).
    int32_t Analysis() const { return analysis; }
    // The expanded copy made by the constructor; the caller takes ownership.
    std::unique_ptr<CStyleContent> TakeExpanded() { return std::move(expanded); }

    // Loading
    // Time signature of the first element: numerator in the high byte, denominator (2^e) in the low byte;
    // 0 when there is no element header.
    static uint16_t FirstElementSignature(CChunkNav& nav);
    // Answers 0 when the tree is in expanded form, otherwise the bytes to allocate for its expanded copy
    // (an estimate with a 20000-byte margin; ExpandChordVariations grows past it when needed), and -1 when
    // the records are corrupt (the tree is then left to the record codec, which refuses it). Repairs what it
    // can in place, each with its trace: a chord variation shorter than a pattern it plays is given the
    // pattern's length; a pattern played for a time that is not a whole number of its lengths is given that
    // time. With `strict`, a pattern shorter than its use in a tree without compact signs counts as one too.
    static int32_t MeasureExpansion(CChunkNav& nav, bool strict);
    // A new tree holding the expanded copy of `source`'s tree, in a buffer of at least `sizeHint` bytes; null
    // when the records are corrupt or the buffer cannot be allocated.
    static std::unique_ptr<CStyleContent> ExpandChordVariations(CChunkNav& source, int32_t sizeHint);
    // Writes the channel events of `pattern` into `out` repeated back to back from tick `from` until a
    // repetition starts at or after tick `to`; events after `to` are left out. False when the pattern
    // cannot be decoded or a write fails.
    static bool CopyPatternSpan(const CPatternData& pattern, CPackedWriter& out, uint32_t from, uint32_t to);

    // Saving
    // Stores identical pattern records once and points their references at the one kept. Answers (number
    // of records read << 16) | number removed.
    static uint32_t MergeDuplicatePatterns(CChunkNav& nav);
    // Cuts every pattern of more than 1.5 x targetEvents events that is played whole from tick 0 into
    // measure-aligned pieces stored as records of their own, identical pieces stored once, and rewrites the
    // chord variations that play it to start (and stop) each piece in its own slot. A pattern whose split
    // would not fit the navigator's buffer or a chord variation's 255 pairs is left whole.
    static void SplitLongPatterns(CChunkNav& nav, int targetEvents);
    // The compaction applied to a freshly built tree before it is stored: merge, split (80 events), merge.
    static void Compact(CChunkNav& nav);

private:
    int32_t analysis = 0;
    std::unique_ptr<CStyleContent> expanded;
};
