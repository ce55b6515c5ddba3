// MIDI file images from messages at absolute ticks, for tests and the example generator.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

class CSmfBuilder {
public:
    using Bytes = std::vector<uint8_t>;

    explicit CSmfBuilder(uint16_t fileDivision = 384) : division(fileDivision) {}

    // Messages, kept in the order given at equal ticks.
    CSmfBuilder& Add(uint32_t tick, std::initializer_list<uint8_t> message);
    CSmfBuilder& Add(uint32_t tick, const Bytes& message);
    CSmfBuilder& Note(uint32_t start, uint32_t end, uint8_t channel, uint8_t key, uint8_t velocity = 100);
    CSmfBuilder& Tempo(uint32_t tick, uint32_t microsPerQuarter);
    CSmfBuilder& Signature(uint32_t tick, uint8_t numerator, uint8_t denomExp);

    // The image, End of Track at `endTick` (at the last message when that is later).
    Bytes Image(uint32_t endTick) const;
    // Only the track data (delays and messages), with or without End of Track at `endTick`.
    Bytes TrackData(uint32_t endTick, bool withEnd = true) const;

private:
    struct CTimedMessage {
        uint32_t tick;
        Bytes bytes;
    };
    std::vector<CTimedMessage> messages;
    uint16_t division;
};

// A format 0 image around raw track data.
std::vector<uint8_t> SmfImage(const std::vector<uint8_t>& trackData, uint16_t division = 384);
// An image of `format` with one track chunk around each of `tracks` (raw track data), in their order.
std::vector<uint8_t> SmfFileImage(uint16_t format, const std::vector<std::vector<uint8_t>>& tracks,
                                  uint16_t division = 384);
