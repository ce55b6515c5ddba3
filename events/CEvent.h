// The event record every decoder and encoder exchanges, and the chains it travels in.
#pragma once

#include <cstddef>
#include <cstdint>

// Event kinds; the values are stored in packed patterns and must not change.
enum class EventKind : uint8_t {
    NoteOff = 0,
    NoteOn = 1,
    PolyPressure = 2,
    Control = 3,
    Program = 4,
    ChannelPressure = 5,
    PitchBend = 6,
    Note = 7, // note-on with its off `Duration()` ticks later
    ChannelMode = 8,
    Meta = 9,
    SysEx = 10,
    Unused = 11, // never produced; every writer rejects it
    SoundOff = 12,
    SoundOn = 13,
    Sound = 14,
    Empty = 15, // a fresh or released record
};

// Kind classes: decoders group one class per chain, encoders dispatch by class.
enum class EventClass : int { None = -1, Channel = 0, Meta = 1, SysEx = 2 };

// Two words. The header word is exact, bit for bit:
//   bits 0-7 kind, bits 8-15 channel (channel kinds) or meta type (Meta),
//   bits 16-23 data1, bits 24-31 data2 (channel kinds);
//   Meta and SysEx: bits 16-30 data length, bit 31 `external` (the bytes lie in an event buffer).
// Read as a signed number the header is negative exactly when the event owns a buffer.
//
// The data word holds either up to 4 inline data bytes (first byte lowest), a note's duration
// (bits 0-23) and off velocity (bits 24-31), or the address of an event buffer. It is a
// `uintptr_t` so that an address fits on 64-bit builds; inline values use its low 32 bits and
// the rest stays 0. One integer word (rather than a union) keeps copies, comparisons and the
// "which form is live" rule trivial: the header's `external` bit alone says how to read it.
struct CEvent {
    static constexpr uint32_t ExternalBit = 0x80000000u;
    static constexpr uint32_t EmptyHeader = static_cast<uint32_t>(EventKind::Empty);
    static constexpr uint32_t EndOfTrackHeader = 0x00002F09u; // Meta 0x2F, length 0
    static constexpr uint32_t FillerHeader = 0x00017E09u;     // Meta 0x7E, length 1, data 0
    static constexpr uint32_t MaxLength = 0x7FFF;             // 15-bit Meta/SysEx length
    static constexpr uint8_t EndOfTrackType = 0x2F;
    static constexpr uint8_t PrivateMetaType = 0x7E; // the system's own meta type

    uint32_t header = EmptyHeader;
    uintptr_t data = 0;

    // Header builders
    static constexpr uint32_t ChannelHeader(EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2)
    {
        return static_cast<uint32_t>(kind) | uint32_t{channel} << 8 | uint32_t{data1} << 16 |
               uint32_t{data2} << 24;
    }
    // `length` must not exceed MaxLength.
    static constexpr uint32_t MetaHeader(uint8_t type, uint32_t length, bool external)
    {
        return static_cast<uint32_t>(EventKind::Meta) | uint32_t{type} << 8 | (length & MaxLength) << 16 |
               (external ? ExternalBit : 0);
    }
    static constexpr uint32_t SysExHeader(uint32_t length)
    {
        return static_cast<uint32_t>(EventKind::SysEx) | (length & MaxLength) << 16 | ExternalBit;
    }
    static constexpr uint32_t NoteData(uint32_t duration, uint8_t offVelocity)
    {
        return (duration & 0xFFFFFF) | uint32_t{offVelocity} << 24;
    }

    // Class of a kind: Channel for 0-8 and 11-14, Meta for 9, SysEx for 10, None for 15 and above.
    static constexpr EventClass KindClass(EventKind kind)
    {
        switch (kind) {
        case EventKind::Meta:
            return EventClass::Meta;
        case EventKind::SysEx:
            return EventClass::SysEx;
        default:
            return static_cast<uint8_t>(kind) < static_cast<uint8_t>(EventKind::Empty) ? EventClass::Channel
                                                                                       : EventClass::None;
        }
    }

    // Header fields
    EventKind Kind() const { return static_cast<EventKind>(header & 0xFF); }
    EventClass Class() const { return KindClass(Kind()); }
    uint8_t Channel() const { return static_cast<uint8_t>(header >> 8); }
    uint8_t MetaType() const { return static_cast<uint8_t>(header >> 8); }
    uint8_t Data1() const { return static_cast<uint8_t>(header >> 16); }
    uint8_t Data2() const { return static_cast<uint8_t>(header >> 24); }
    uint32_t Length() const { return (header >> 16) & MaxLength; }
    bool IsExternal() const { return static_cast<int32_t>(header) < 0; }
    bool IsEndOfTrack() const { return header == EndOfTrackHeader; }
    bool IsFiller() const { return header == FillerHeader && data == 0; }
    void SetChannel(uint8_t channel) { header = (header & ~0xFF00u) | uint32_t{channel} << 8; }

    // Data word. Inline forms are valid only while !IsExternal(), Buffer() only while IsExternal().
    uint32_t Inline() const { return static_cast<uint32_t>(data); }
    uint32_t Duration() const { return Inline() & 0xFFFFFF; }
    uint8_t OffVelocity() const { return static_cast<uint8_t>(Inline() >> 24); }
    uint8_t* Buffer() const { return reinterpret_cast<uint8_t*>(data); }
    // Data byte `index` (< Length()) of a Meta or SysEx event, inline or in its buffer.
    uint8_t DataByte(uint32_t index) const;

    // Filling Meta and SysEx data. Both replace the current content without releasing it:
    // call ReleaseBuffer() first on a record that may own a buffer.
    // Sets a Meta event with `length` bytes copied from `bytes` (which holds that many; null allowed
    // when length is 0):
    // inline for up to 4 bytes, else in a new event buffer. False (record untouched) when
    // `length` exceeds MaxLength.
    bool SetMeta(uint8_t type, const uint8_t* bytes, uint32_t length);
    // Makes the record an external Meta (`isSysEx` false) or SysEx event of `length` bytes (1 to
    // MaxLength) and returns the new buffer for the caller to fill, or null (record untouched) when
    // `length` is out of range.
    uint8_t* SetExternal(bool isSysEx, uint8_t metaType, uint32_t length);

    // Ownership
    // Makes this record a second holder of `source`'s content: header and data copied, and a
    // buffer shared by reference. When the buffer already has the most sharers its count can
    // hold, the bytes are copied into a buffer of this record's own instead. The previous
    // content of this record is overwritten, not released.
    void ShareFrom(const CEvent& source);
    // Frees the buffer of an external event and makes the record Empty. For records outside the
    // event pool (locals, look-ahead copies); pooled chains go back with ReleaseEvents.
    void ReleaseBuffer();
};

// An event in a chain; every event of a chain happens at the same time, in write order.
struct CLinkedEvent : CEvent {
    CLinkedEvent* next = nullptr;

    // Last event of the chain starting here.
    CLinkedEvent* Last();
    // Number of events in the chain starting at `chain` (0 for null).
    static size_t ChainLength(const CLinkedEvent* chain);
};
