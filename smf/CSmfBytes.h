// Status bytes, meta types and variable-length numbers of MIDI files that the readers and the writer share.
#pragma once

#include <cstdint>

class CIn;

struct CSmfBytes {
    static constexpr uint8_t NoteOff = 0x80;
    static constexpr uint8_t NoteOn = 0x90;
    static constexpr uint8_t SysEx = 0xF0;
    static constexpr uint8_t Escape = 0xF7; // system exclusive packet without F0
    static constexpr uint8_t Meta = 0xFF;
    static constexpr uint8_t SetTempo = 0x51;
    static constexpr uint8_t SequencerSpecific = 0x7F;
    // Sequencer-specific events with this prefix carry the system's private meta events (0x7E).
    static constexpr uint8_t PrivatePrefix[2] = {0x42, 0x60};

    // Variable-length numbers (delays and lengths)
    enum class VarLen { Ok, EndOfData, TooLong };
    // Reads a number of at most four 7-bit groups from `in`, most significant first, bit 7 set on every
    // byte but the last: the largest is 0x0FFFFFFF, the bytes FF FF FF 7F. EndOfData when the input ends
    // inside the number, TooLong when a fourth byte has bit 7 set; `value` is 0 after either.
    static VarLen ReadVarLen(CIn& in, uint32_t& value);
};
