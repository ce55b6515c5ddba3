// Status bytes and meta types of MIDI files that the reader and the writer share.
#pragma once

#include <cstdint>

struct CSmfBytes {
    static constexpr uint8_t NoteOn = 0x90;
    static constexpr uint8_t SysEx = 0xF0;
    static constexpr uint8_t Escape = 0xF7; // system exclusive packet without F0
    static constexpr uint8_t Meta = 0xFF;
    static constexpr uint8_t SetTempo = 0x51;
    static constexpr uint8_t SequencerSpecific = 0x7F;
    // Sequencer-specific events with this prefix carry the system's private meta events (0x7E).
    static constexpr uint8_t PrivatePrefix[2] = {0x42, 0x60};
};
