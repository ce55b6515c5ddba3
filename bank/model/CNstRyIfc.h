// The style model bound to a style content chunk: its defaults, and reading and building the content tree.
#pragma once

#include "bank/chunk/CChunkNav.h"
#include "bank/model/CNstStyle.h"

#include <cstdint>
#include <memory>

// A style content tree in a buffer of its own, with a navigator over it. The navigator does not own the
// buffer; both live and die together here. The content chunk is the first Size() bytes of Bytes().
struct CStyleContent {
    std::unique_ptr<uint8_t[]> buffer;
    int32_t capacity = 0;
    std::unique_ptr<CChunkNav> nav;

    const uint8_t* Bytes() const { return buffer.get(); }
    int32_t Size() const { return nav->Used(); }
    // A buffer of `capacity` bytes holding an empty content root (id 1, aux1 `version`) and a navigator at
    // that root; null when the buffer cannot be allocated.
    static std::unique_ptr<CStyleContent> Create(int32_t capacity, uint8_t version);
    // A copy of a content chunk (`size` bytes: header and data) in a buffer of `capacity` bytes; null when
    // the bytes are not a sound chunk tree or do not fit.
    static std::unique_ptr<CStyleContent> CopyOf(const uint8_t* bytes, size_t size, int32_t capacity);
};

// Where a pattern lies: element 0..11, chord variation 0..5, track 0..7; -1 throughout for none.
struct CPatternPlace {
    int element = -1;
    int cv = -1;
    int track = -1;
    bool IsNone() const { return element < 0; }
};

class CNstRyIfc : public CNstStyle {
public:
    // Defaults of a new style ("New Style", version 1, the keyboard's track styles); with a navigator at a
    // style content root, the model is then read from it (Parsed() tells whether that succeeded).
    explicit CNstRyIfc(CChunkNav* nav = nullptr);

    int32_t version = 1; // 0 old style format, 1 or more the new format

    void OnElementCreated(CNstStyleElem& element, int index) override;
    void OnPatternSetUp(CNstPattern& pattern, int track) override;

    // Reading
    // Fills the model from the content tree at the navigator's current chunk (left there afterwards). A tree
    // whose records are shorter than their fields, whose masks and chunks disagree, whose pool runs out of
    // pattern records or whose streams cannot be decoded to their End of Track (damage, or more simultaneous
    // events than the event pool holds) is refused: one trace line, every element deleted, false. A pattern
    // that was half read would lose the rest of its music on the next save.
    bool Parse(CChunkNav& nav);
    bool Parsed() const { return parsed; }
    // After a refused Parse: the first pattern whose stream could not be decoded, or none when the refusal
    // had another reason.
    const CPatternPlace& UndecodablePattern() const { return undecodable; }

    // Writing
    // Cleans the model up (empty elements and chord variations dropped, chord variations beyond 6 in the
    // Variations and beyond 2 elsewhere dropped, empty patterns reset, Variation 1 always present) and
    // builds a new content tree from it, each pattern lengthened to its chord variation. Null when the
    // buffer cannot be allocated or a pattern cannot be encoded; the caller owns the result.
    std::unique_ptr<CStyleContent> Build();

private:
    bool ParseElement(CChunkNav& nav, CChunkNav& pool, int index);
    bool ParseChordVar(CNstStyleElem& element, int elementIndex, const uint8_t* record, size_t size,
                       int index, CChunkNav& pool);
    void CleanUp();

    bool parsed = false;
    CPatternPlace undecodable;
};
