// Packed event streams written byte by byte the way the keyboard stores its patterns.
#include "tools/native/CNativeStream.h"

#include <cassert>

namespace {
constexpr uint8_t kMark = 0x80;
constexpr uint8_t kIncrement = 0x40;
constexpr uint8_t kControl = 3;
constexpr uint8_t kNote = 7;
constexpr uint8_t kMeta = 9;
constexpr uint8_t kInvalid = 11;
constexpr uint8_t kSound = 14;
constexpr uint8_t kEndOfTrack = 0x2F;
constexpr uint8_t kOffVelocity = 64;

// The 14-bit duration field: exact up to 8191 ticks, above that bit 13 set and steps of 16.
uint32_t DurationField(uint32_t ticks)
{
    if (ticks <= 0x1FFF)
        return ticks;
    assert(ticks % 16 == 0 && ticks <= 0x1FFF * 16);
    return 0x2000 | ticks / 16;
}
} // namespace

void CNativeStream::Delta(uint32_t time)
{
    assert(time >= now);
    const uint32_t delta = time - now;
    now = time;
    // Groups of 7 bits, most significant first, each byte with bit 7 set; a delta of 0 has none.
    for (int shift = 21; shift >= 0; shift -= 7)
        if (delta >> shift)
            bytes.push_back(static_cast<uint8_t>(kMark | ((delta >> shift) & 0x7F)));
}

void CNativeStream::ChannelCode(uint8_t kind, uint8_t channel)
{
    assert(channel < 0x80);
    if (channel == runningChannel) {
        bytes.push_back(kind);
        return;
    }
    bytes.push_back(kIncrement | kind);
    bytes.push_back(static_cast<uint8_t>((channel - runningChannel) & 0x7F));
    runningChannel = channel;
}

CNativeStream& CNativeStream::Note(uint32_t time, uint8_t channel, uint8_t key, uint8_t velocity,
                                   uint32_t duration, bool sound)
{
    assert(key < 0x80 && velocity < 0x80);
    Delta(time);
    ChannelCode(sound ? kSound : kNote, channel);
    const uint32_t field = DurationField(duration);
    bytes.insert(bytes.end(),
                 {key, velocity, static_cast<uint8_t>(field >> 7), static_cast<uint8_t>(field & 0x7F),
                  static_cast<uint8_t>(kMark | kOffVelocity)});
    return *this;
}

CNativeStream& CNativeStream::Control(uint32_t time, uint8_t channel, uint8_t controller, uint8_t value)
{
    assert(controller < 0x80 && value < 0x80);
    Delta(time);
    ChannelCode(kControl, channel);
    bytes.insert(bytes.end(), {controller, static_cast<uint8_t>(kMark | value)});
    return *this;
}

CNativeStream& CNativeStream::Meta(uint32_t time, uint8_t type, std::initializer_list<uint8_t> data)
{
    Delta(time);
    // Meta events never carry an increment: the running channel stays as it is.
    const auto length = static_cast<uint32_t>(data.size());
    bytes.insert(bytes.end(),
                 {kMeta, type, static_cast<uint8_t>(length >> 7), static_cast<uint8_t>(length & 0x7F)});
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
}

CNativeStream& CNativeStream::Damage(uint32_t time)
{
    Delta(time);
    bytes.push_back(kInvalid);
    return *this;
}

CNativeStream::Bytes CNativeStream::End(uint32_t time)
{
    Meta(time, kEndOfTrack, {});
    return bytes;
}
