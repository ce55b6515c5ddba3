// A style in memory: its name, track styles and up to twelve elements, created on first access.
#pragma once

#include "bank/model/CNstStyleElem.h"

#include <array>
#include <memory>
#include <string>

// "All" in the index arguments of the copy operations.
constexpr int kAllIndices = 255;

class CNstStyle {
public:
    CNstStyle() = default;
    virtual ~CNstStyle() = default;
    CNstStyle(const CNstStyle&) = delete;
    CNstStyle& operator=(const CNstStyle&) = delete;

    // Hooks giving newly created parts their defaults; they do nothing here.
    virtual void OnElementCreated(CNstStyleElem& element, int index);
    virtual void OnChordVarCreated(CNstChordVar& chordVar, int index);
    virtual void OnPatternSetUp(CNstPattern& pattern, int track);

    // Contents
    std::string name; // at most 31 characters are stored
    std::array<std::array<uint8_t, kTrackStyleBytes>, kStyleTracks> trackStyle{};
    std::array<std::unique_ptr<CNstStyleElem>, kStyleElements> elements;

    // Elements
    // The element `index` (0..11), created when absent (then OnElementCreated).
    CNstStyleElem& GetElement(int index);
    CNstStyleElem* FindElement(int index) const { return elements[index].get(); }
    void DeleteElement(int index) { elements[index].reset(); }

    // Queries
    bool IsEmpty() const;
    int EstimateSize(bool repeat) const;

    // Copies
    // Copies the named parts of `source` (255 = all) into the named destination parts: present source parts
    // replace the destination's, absent ones delete them. Style-level fields are copied when this style is
    // empty or no single element is named.
    void CopyFrom(CNstStyle& source, int srcElement, int srcCv, int srcTrack, int dstElement, int dstCv,
                  int dstTrack);
};

// Index range helper of the copy operations: all `count` indices for 255, else the one named.
struct CIndexRange {
    int first;
    int last;
    static CIndexRange Of(int index, int count)
    {
        return index == kAllIndices ? CIndexRange{0, count - 1} : CIndexRange{index, index};
    }
    // Destination of source index i: the same index when dst is 255, else dst shifted along the range.
    int Destination(int i, int dst) const { return dst == kAllIndices ? i : dst + (i - first); }
    // Calls copy(source index, destination index) for every index of the range whose destination lies
    // in 0..count-1.
    template <class Copy> void ForEach(int dst, int count, Copy copy) const
    {
        for (int i = first; i <= last; ++i) {
            const int to = Destination(i, dst);
            if (to >= 0 && to < count)
                copy(i, to);
        }
    }
};
