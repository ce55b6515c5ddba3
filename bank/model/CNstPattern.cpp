// A track pattern: reset state, stream replacement and lengthening.
#include "bank/model/CNstPattern.h"

#include "events/Trace.h"
#include "packed/CPackedStream.h"

#include <algorithm>

std::vector<uint8_t> EmptyPackedStream(uint32_t ticks)
{
    CPackedWriter out;
    out.Finish(ticks);
    return out.TakeBytes();
}

void CNstPattern::Reset()
{
    // Delta 384 (0x83 0x80), then Meta 0x2F with length 0: the empty one-beat pattern.
    data = {0x83, 0x80, 0x09, 0x2F, 0x00, 0x00};
    lengthTicks = 384;
    isEmpty = true;
    isVirgin = true;
}

void CNstPattern::SetEvents(const uint8_t* bytes, size_t size, int32_t length)
{
    data.assign(bytes, bytes + size);
    lengthTicks = length;
    isVirgin = false;
    CPackedReader reader(data.data(), data.size());
    CChainPtr first;
    uint32_t time = 0;
    isEmpty = !reader.Next(first, time) || first->IsEndOfTrack();
}

bool CNstPattern::DecodesWhole() const
{
    if (data.empty())
        return true; // nothing to lose
    CPackedReader reader(data.data(), data.size());
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time)) {
    }
    return !reader.Failed();
}

void CNstPattern::SetFromEncoder(const CMemEncoder& encoder)
{
    const CEncodedBytes written = EncodedBytesOf(encoder);
    SetEvents(written.bytes, written.size, written.endTime);
}

// Writes the events once, or (with `repeat`) once per whole length that fits in `ticks`. Copies
// after the first are byte-identical, so the second gives the final size before any more work: a
// damaged length (a few ticks repeated over millions) is refused at once instead of growing the
// stream past `maxSize`.
bool CNstPattern::WriteCopies(CPackedWriter& out, int32_t ticks, bool repeat, size_t maxSize) const
{
    CPackedReader reader(data.data(), data.size());
    const int64_t copies = repeat ? std::max<int64_t>(1, ticks / lengthTicks) : 1;
    size_t firstCopySize = 0;
    for (int64_t copy = 0; copy < copies; ++copy) {
        const int64_t start = copy * lengthTicks;
        reader.Rewind();
        CChainPtr chain;
        uint32_t time = 0;
        bool wrote = false;
        while (reader.Next(chain, time)) {
            const int64_t at = start + time;
            if (at <= ticks && !out.WriteWithoutEnd(static_cast<uint32_t>(at), chain.get()))
                return false;
            wrote = wrote || at <= ticks;
        }
        if (reader.Failed())
            return false;
        if (!wrote)
            break; // later copies would add no event either
        if (copy == 0)
            firstCopySize = out.Size();
        else if (copy == 1 &&
                 firstCopySize + (out.Size() - firstCopySize) * static_cast<uint64_t>(copies - 1) > maxSize) {
            Trace("CNstPattern::SetLength() - %d ticks would exceed %zu bytes", ticks, maxSize);
            return false;
        }
    }
    return true;
}

bool CNstPattern::SetLength(int32_t ticks, bool once, size_t maxSize)
{
    if (ticks == lengthTicks)
        return true;
    if (ticks < 0)
        return false;
    CPackedWriter out;
    if (!isEmpty && !WriteCopies(out, ticks, !once && lengthTicks > 0, maxSize))
        return false;
    if (!out.Finish(static_cast<uint32_t>(ticks)))
        return false;
    const bool virgin = isVirgin;
    SetEvents(out.Bytes(), out.Size(), ticks);
    isVirgin = virgin;
    return true;
}
