// One chord variation: eight track patterns, a length, and its own tempo marks.
#pragma once

#include "bank/model/CNstPattern.h"

#include <array>
#include <cstdint>
#include <vector>

class CEncoderBase;
class CNstStyle;

// Time at which a tempo stream ends (999 quarter notes).
constexpr uint32_t kTempoStreamEnd = 383616;

class CNstChordVar {
public:
    explicit CNstChordVar(CNstStyle* owner) : style(owner) {}

    // Contents
    uint8_t numerator = 4;
    uint8_t denomExp = 2;
    uint8_t measures = 1;
    int32_t lengthTicks = 384;
    std::array<CNstPattern, 8> patterns;
    // Packed stream of tempo marks (meta 0x7E: 2, percent of the style tempo); empty when there are none.
    std::vector<uint8_t> tempoData;
    CNstStyle* style; // not owned; may be null for a chord variation outside a style

    int32_t TempoSize() const { return static_cast<int32_t>(tempoData.size()); }

    // Queries
    // The pattern of `track` (0..7); a virgin pattern is first given this chord variation's signature and
    // measures, and the style's OnPatternSetUp hook.
    CNstPattern& GetPattern(int track);
    bool IsEmpty() const;
    // Bytes this chord variation may need when stored; with `repeat`, a pattern counts once more for every
    // doubling of its length that still fits the chord variation.
    int EstimateSize(bool repeat) const;

    // Tempo
    // Rebuilds the tempo stream from a packed stream: keeps its tempo marks and, when styleTempo > 0, turns
    // each change of Set Tempo into a mark in percent of styleTempo (1..255). Returns the input's end time,
    // or -1 when it cannot be decoded (the tempo stream is then left as it was).
    int SetTempoStream(const uint8_t* bytes, size_t size, int styleTempo);
    // Writes each tempo mark as a Set Tempo event (at most 0xFFFFFF microseconds per quarter; a tempo of 0
    // bpm gives that slowest value), then End of Track at the tempo stream end, and closes the encoder. False
    // when a write fails.
    bool WriteTempoEvents(CEncoderBase& encoder, int styleTempo) const;

    // Copies
    // 255 as srcTrack means all tracks (dstTrack 255: the same track).
    void CopyFrom(CNstChordVar& source, int srcTrack, int dstTrack);
};
