// MIDI file images from messages at absolute ticks.
#include "tools/smfbuilder/CSmfBuilder.h"

#include "bank/model/CNstRecords.h"

#include <algorithm>

namespace {

using Bytes = CSmfBuilder::Bytes;

void PutVarLen(Bytes& out, uint32_t value)
{
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (count--)
        out.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
}

} // namespace

CSmfBuilder& CSmfBuilder::Add(uint32_t tick, std::initializer_list<uint8_t> message)
{
    return Add(tick, Bytes(message));
}

CSmfBuilder& CSmfBuilder::Add(uint32_t tick, const Bytes& message)
{
    messages.push_back({tick, message});
    return *this;
}

CSmfBuilder& CSmfBuilder::Note(uint32_t start, uint32_t end, uint8_t channel, uint8_t key, uint8_t velocity)
{
    Add(start, {static_cast<uint8_t>(0x90 | channel), key, velocity});
    return Add(end, {static_cast<uint8_t>(0x80 | channel), key, 64});
}

CSmfBuilder& CSmfBuilder::Tempo(uint32_t tick, uint32_t micros)
{
    return Add(tick, {0xFF, 0x51, 3, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                      static_cast<uint8_t>(micros)});
}

CSmfBuilder& CSmfBuilder::Signature(uint32_t tick, uint8_t numerator, uint8_t denomExp)
{
    return Add(tick, {0xFF, 0x58, 4, numerator, denomExp, 24, 8});
}

Bytes CSmfBuilder::TrackData(uint32_t endTick, bool withEnd) const
{
    std::vector<CTimedMessage> sorted = messages;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CTimedMessage& a, const CTimedMessage& b) { return a.tick < b.tick; });
    Bytes track;
    uint32_t now = 0;
    for (const CTimedMessage& message : sorted) {
        PutVarLen(track, message.tick - now);
        now = message.tick;
        track.insert(track.end(), message.bytes.begin(), message.bytes.end());
    }
    if (withEnd) {
        PutVarLen(track, endTick > now ? endTick - now : 0);
        track.insert(track.end(), {0xFF, 0x2F, 0});
    }
    return track;
}

Bytes CSmfBuilder::Image(uint32_t endTick) const
{
    return SmfImage(TrackData(endTick), division);
}

Bytes SmfImage(const Bytes& trackData, uint16_t division)
{
    return SmfFileImage(0, {trackData}, division);
}

Bytes SmfFileImage(uint16_t format, const std::vector<Bytes>& tracks, uint16_t division)
{
    Bytes image = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    AppendBE16(image, format);
    AppendBE16(image, static_cast<uint16_t>(tracks.size()));
    AppendBE16(image, division);
    for (const Bytes& track : tracks) {
        image.insert(image.end(), {'M', 'T', 'r', 'k'});
        AppendBE32(image, static_cast<uint32_t>(track.size()));
        image.insert(image.end(), track.begin(), track.end());
    }
    return image;
}
