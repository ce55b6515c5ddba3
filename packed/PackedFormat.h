// Constants and codings of the packed event stream shared by its decoder and encoder
// (docs/formats/packed-pattern.md).
#pragma once

#include <cstdint>

namespace PackedFormat {
constexpr uint8_t MarkBit = 0x80;      // delta bytes, and the last byte of an event
constexpr uint8_t IncrementBit = 0x40; // code byte: a channel-increment byte follows
constexpr uint8_t KindMask = 0x1F;
constexpr int MaxDeltaBytes = 4;
constexpr uint32_t MaxDelta = 0x0FFFFFFF;
constexpr uint32_t MaxLength = 0x3FFF; // Meta and SysEx lengths are two 7-bit groups
constexpr uint8_t MetaKind = 9;
constexpr uint8_t SysExKind = 10;
constexpr uint8_t SkipBlockKind = 30;
constexpr uint8_t EndOfDataKind = 31;

// Fixed operand bytes after the code (and increment) byte; Meta and SysEx data follow their three.
// -1 for kinds that cannot be decoded.
constexpr int OperandBytes(uint8_t kind)
{
    switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 6:
    case 8:
    case 12:
    case 13:
        return 2;
    case 4:
    case 5:
        return 1;
    case 7:
    case 14:
        return 5;
    case 9:
    case 10:
        return 3;
    default:
        return -1;
    }
}

// Durations: up to 8191 ticks exact; above, bit 13 selects steps of 16 up to 131056.
constexpr uint32_t FineLimit = 0x1FFF;
constexpr uint32_t CoarseBit = 0x2000;
constexpr uint32_t MaxDuration = 0x1FFF0;

constexpr uint32_t DecodeDuration(uint8_t high, uint8_t low)
{
    const uint32_t h = uint32_t(high & 0x7F) << 7 | (low & 0x7F);
    return h & CoarseBit ? (h & FineLimit) * 16 : h;
}

constexpr uint32_t EncodeDuration(uint32_t ticks)
{
    if (ticks <= FineLimit)
        return ticks;
    if (ticks <= MaxDuration)
        return ticks >> 4 | CoarseBit;
    return 0x3FFF;
}

// The duration `ticks` comes back as once coded and decoded.
constexpr uint32_t DecodedDuration(uint32_t ticks)
{
    const uint32_t coded = EncodeDuration(ticks);
    return DecodeDuration(static_cast<uint8_t>(coded >> 7), static_cast<uint8_t>(coded & 0x7F));
}
} // namespace PackedFormat
