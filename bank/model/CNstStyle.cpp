// The style: elements created on first access, emptiness, size estimate and selective copy.
#include "bank/model/CNstStyle.h"

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
    CIndexRange::Of(srcElement, kStyleElements).ForEach(dstElement, kStyleElements, [&](int from, int to) {
        if (CNstStyleElem* element = source.FindElement(from))
            GetElement(to).CopyFrom(*element, srcCv, srcTrack, dstCv, dstTrack);
        else
            DeleteElement(to);
    });
}
