// The style: elements created on first access, emptiness, size estimate and selective copy.
#include "bank/CNstStyle.h"

#include <cassert>

void CNstStyle::OnElementCreated(CNstStyleElem&, int) {}
void CNstStyle::OnChordVarCreated(CNstChordVar&, int) {}
void CNstStyle::OnPatternSetUp(CNstPattern&, int) {}

CNstStyleElem& CNstStyle::GetElement(int index)
{
    assert(index >= 0 && index < kStyleElements);
    if (!elements[index]) {
        elements[index] = std::make_unique<CNstStyleElem>(this);
        OnElementCreated(*elements[index], index);
    }
    return *elements[index];
}

bool CNstStyle::IsEmpty() const
{
    for (const auto& element : elements)
        if (element && !element->IsEmpty())
            return false;
    return true;
}

int CNstStyle::EstimateSize(bool repeat) const
{
    int size = 108;
    for (const auto& element : elements)
        if (element)
            size += element->EstimateSize(repeat);
    return size;
}

void CNstStyle::CopyFrom(CNstStyle& source, int srcElement, int srcCv, int srcTrack, int dstElement,
                         int dstCv, int dstTrack)
{
    if (IsEmpty() || srcElement == kAllIndices) {
        name = source.name;
        trackStyle = source.trackStyle;
    }
    const CIndexRange range = CIndexRange::Of(srcElement, kStyleElements);
    for (int i = range.first; i <= range.last; ++i) {
        const int dst = range.Destination(i, dstElement);
        if (dst < 0 || dst >= kStyleElements)
            continue;
        if (CNstStyleElem* from = source.FindElement(i))
            GetElement(dst).CopyFrom(*from, srcCv, srcTrack, dstCv, dstTrack);
        else
            DeleteElement(dst);
    }
}
