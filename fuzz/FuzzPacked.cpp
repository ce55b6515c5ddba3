// Decodes arbitrary bytes as a packed event stream and as a pattern record: counting, trimming, segments.
#include "events/CEventsPool.h"
#include "packed/CDecProp.h"
#include "packed/CPatternData.h"
#include "packed/CPatternState.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Walks the stream to its end (or the point where it stops decoding), releasing every chain.
void DecodeAll(const uint8_t* data, size_t size)
{
    CDecProp decoder(data, static_cast<int32_t>(size));
    if (decoder.OnRewind() < 0)
        return;
    for (int guard = 0; guard < 1 << 16; ++guard) {
        CLinkedEvent* chain = nullptr;
        const int32_t delay = decoder.ExtractEvent(chain);
        EventsPool().ReleaseEvents(chain);
        if (delay < 0)
            return;
    }
}

void TrimAndSegment(const CPatternData& pattern, uint8_t steer)
{
    const uint32_t capacity = pattern.dataSize * 2 + 64;
    std::vector<uint8_t> buffer(capacity);
    CPatternData trimmed(pattern.kind);
    CPatternState state;
    CPatternData::Trim(state, pattern, trimmed, buffer.data(), capacity, (steer & 1) != 0);

    CPatternData segmented = pattern;
    state.Reset();
    const uint16_t signature = static_cast<uint16_t>(((steer >> 1) % 8 + 1) << 8 | (steer & 0x10 ? 8 : 4));
    const uint32_t last = segmented.BuildSegments(state, signature, 1 + steer % 40);
    std::vector<uint8_t> piece(capacity);
    for (uint32_t index = 0; index <= last + 1; ++index) {
        CPatternData destination(pattern.kind);
        CPatternData::ExtractSegment(segmented, destination, index, piece.data(), capacity);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 16)
        return 0;
    // The first byte picks record kind and parameters; the rest is the stream and the record.
    const uint8_t steer = data[0];
    DecodeAll(data + 1, size - 1);
    CPatternData pattern(0);
    const uint8_t kind = (steer & 0x20) ? CPatternData::DrumKind : 3;
    if (pattern.Load(data + 1, static_cast<uint32_t>(size - 1), kind, true))
        TrimAndSegment(pattern, steer);
    return 0;
}
