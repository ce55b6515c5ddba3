// Packed event streams written byte by byte the way the keyboard stores its patterns.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Writes a packed event stream as the keyboard does: every note one Note (or Sound) event carrying
// its own duration, a running channel moved by increment bytes, delta times in 7-bit groups
// (docs/formats/packed-pattern.md). It shares no code with the system's encoder, so streams made
// here test the decoder against bytes it did not write.
//
// Events are given at absolute ticks in time order; a time before the previous one, a channel or
// data byte above 127, or a duration the format cannot hold exactly (above 8191 and not a multiple
// of 16, or above 131056) is a programmer error (asserted).
class CNativeStream {
public:
    using Bytes = std::vector<uint8_t>;

    // A note of `duration` ticks; `sound` writes it as a Sound, a note the keyboard marks as lying
    // outside its program's range. Off velocity 64.
    CNativeStream& Note(uint32_t time, uint8_t channel, uint8_t key, uint8_t velocity, uint32_t duration,
                        bool sound = false);
    CNativeStream& Control(uint32_t time, uint8_t channel, uint8_t controller, uint8_t value);
    // A Meta event with its data bytes as they are.
    CNativeStream& Meta(uint32_t time, uint8_t type, std::initializer_list<uint8_t> data);
    // A code byte of kind 11, which no writer produces: a reader cannot decode past it.
    CNativeStream& Damage(uint32_t time);
    // Ends the stream with End of Track at `time` and hands out its bytes.
    Bytes End(uint32_t time);

private:
    void Delta(uint32_t time);
    // The code byte of a channel event, with an increment byte when the channel changes.
    void ChannelCode(uint8_t kind, uint8_t channel);

    Bytes bytes;
    uint32_t now = 0;
    uint8_t runningChannel = 0;
};
