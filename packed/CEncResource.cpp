// Packed event encoder inserting into a growable buffer.
#include "packed/CEncResource.h"

#include <algorithm>
#include <cstring>

CEncResource::CEncResource(CGrowBuffer& buffer, size_t step, size_t offset)
    : target(buffer), growStep(std::max<size_t>(step, 1)), insertOffset(std::min(offset, buffer.Used())),
      tailLength(buffer.Used() - insertOffset)
{
    target.SetUsed(insertOffset);
}

CEncResource::~CEncResource()
{
    if (IsOpen())
        Close();
}

void CEncResource::BindGap(uint32_t written)
{
    uint8_t* gap = target.Begin() + insertOffset;
    MoveOutput(gap, static_cast<uint32_t>(target.Capacity() - tailLength - insertOffset), written);
}

bool CEncResource::Open()
{
    if (!CEncoderProp::Open())
        return false;
    uint8_t* base = target.Begin();
    std::memmove(base + target.Capacity() - tailLength, base + insertOffset, tailLength);
    BindGap(0);
    return true;
}

bool CEncResource::Close()
{
    if (!CEncoderProp::Close())
        return false;
    uint8_t* base = target.Begin();
    const size_t written = Size();
    std::memmove(base + insertOffset + written, base + target.Capacity() - tailLength, tailLength);
    target.SetUsed(insertOffset + written + tailLength);
    return true;
}

bool CEncResource::Reserve(uint32_t bytes)
{
    const size_t oldCapacity = target.Capacity();
    const uint32_t written = Size();
    const size_t needed = insertOffset + written + bytes + tailLength;
    const size_t steps = (needed - std::min(needed, oldCapacity) + growStep - 1) / growStep;
    const size_t capacity = oldCapacity + std::max<size_t>(steps, 1) * growStep;
    target.Resize(capacity);
    uint8_t* base = target.Begin();
    std::memmove(base + capacity - tailLength, base + oldCapacity - tailLength, tailLength);
    BindGap(written);
    return true;
}
