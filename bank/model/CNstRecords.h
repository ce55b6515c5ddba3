// Byte records of a style content tree: style header, pool list, element header, track parameters, chord
// variation.
#pragma once

#include "events/CBigEndian.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kStyleElements = 12;
constexpr int kStyleTracks = 8;
constexpr int kChordVars = 6;
constexpr int kChordTableSize = 22;
constexpr int kTrackParamBytes = 6;
constexpr int kTrackStyleBytes = 3;
constexpr int kStyleNameMax = 31;

// Style header record (content root / id 1). `hasLastByte` follows the chunk's aux2.
struct CStyleHeaderRec {
    std::string name;
    std::array<std::array<uint8_t, kTrackStyleBytes>, kStyleTracks> trackStyle{};
    uint16_t elementMask = 0;

    // Reads the record. Names longer than 31 characters are cut; without the last byte, byte 2 of the track
    // styles reads as 1 for track 0 and 0 for the others. False when the record is shorter than its fields.
    bool Read(const uint8_t* data, size_t size, bool hasLastByte);
    // The stored form; the name must hold at most 255 characters.
    std::vector<uint8_t> Bytes(bool withLastByte) const;
};

// Pool list record (pool / id 1): pattern count, then the references of every chord variation pair in tree
// order.
struct CPoolListRec {
    uint16_t patternCount = 0;
    std::vector<uint16_t> references;

    // False when the record is shorter than its counts say or a reference names no pattern (0 or above
    // count).
    bool Read(const uint8_t* data, size_t size);
    std::vector<uint8_t> Bytes() const;
    // The expanded form: `count` patterns referenced once each, in order.
    static CPoolListRec Sequential(uint16_t count);
};

// Element header record (element / id 1).
struct CElemHeaderRec {
    uint8_t cvMask = 0;
    uint8_t elementAux = 0;
    uint8_t numerator = 4;
    uint8_t denomExp = 2;
    std::array<uint8_t, kChordTableSize> chordTable{};

    // Entries the record lacks (fewer than 22) repeat entry 0; entries beyond 22 are ignored. False when the
    // record is shorter than its entry count says.
    bool Read(const uint8_t* data, size_t size);
    // Always 22 chord table entries: 26 bytes.
    std::vector<uint8_t> Bytes() const;
    uint8_t SignatureByte() const { return static_cast<uint8_t>((numerator << 3) | (denomExp & 7)); }
};

// Track parameter record (element / id 2): 8 entries of 6 bytes; bytes 4 and 5 of an entry are stored
// swapped.
struct CTrackParamRec {
    static constexpr size_t kSize = kStyleTracks * kTrackParamBytes;
    using Entries = std::array<std::array<uint8_t, kTrackParamBytes>, kStyleTracks>;

    static bool Read(const uint8_t* data, size_t size, Entries& entries);
    static std::vector<uint8_t> Bytes(const Entries& entries);
};

// One (track type, track index) pair of a chord variation record: slot i of the chord variation.
struct CCvPair {
    uint8_t trackType = 0;
    uint8_t track = 0;
    bool operator==(const CCvPair&) const = default;
};

// Chord variation record (element / id 3). `marks` points into the record it was read from.
struct CCvRecord {
    uint32_t lengthTicks = 0;
    const uint8_t* marks = nullptr;
    uint32_t marksSize = 0;
    std::vector<CCvPair> pairs;

    // False when the record is shorter than its mark stream size and pair count say.
    bool Read(const uint8_t* data, size_t size);
    // The stored form with `markStream` in place of `marks`; false when there are more than 255 pairs.
    bool Bytes(const std::vector<uint8_t>& markStream, std::vector<uint8_t>& out) const;
    static size_t StoredSize(size_t marksSize, size_t pairCount) { return 9 + marksSize + 2 * pairCount; }
};

// A stored pattern record read in place, sizes checked (the record codec of the packed format trusts them).
// Track type of each track index: 0 drum, 1 bass, 2 accompaniment.
uint8_t TrackTypeOf(int track);
