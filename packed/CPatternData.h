// One stored track pattern: its length, packed event stream and trailer; trimming and segments.
#pragma once

#include "packed/CPatternState.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One measure-aligned piece of a long pattern, as cut by BuildSegments.
struct CSegment {
    uint32_t startTime = 0;     // absolute tick where the segment starts
    uint32_t duration = 0;      // ticks
    uint32_t firstDelay = 0;    // ticks from startTime to the segment's first chain
    uint32_t firstEvent = 0;    // index of its first event in the whole pattern
    uint32_t segmentEvents = 0; // number of events
    uint32_t user[3] = {};      // for the caller's use
};

// A pattern record. Stored form (big-endian): length in ticks (4), stream size (4), the packed
// stream, and for record kinds other than 2 two trailer bytes (docs/formats/packed-pattern.md).
// `data` is borrowed: it points into the record it was loaded from or into a caller's buffer,
// which must outlive the pattern.
class CPatternData {
public:
    static constexpr uint8_t DrumKind = 2; // the record kind without a trailer
    static constexpr uint8_t LastKind = 4; // kinds 3 and 4 carry the trailer
    static constexpr uint32_t HeaderSize = 8;

    enum class TrimResult {
        Unchanged, // the pattern was already trimmed: same events, same length
        Changed,   // events were dropped, moved, shortened or added
        Failed,    // the stream could not be decoded to its end (damage, or more simultaneous events
                   // than the event pool holds) or the buffer was too small; `destination` untouched
    };

    explicit CPatternData(uint8_t recordKind = DrumKind) : kind(recordKind) {}

    // Stored form
    // Reads the stored form of `record`, `recordSize` bytes long, in place; `recordKind` is the
    // chunk id. With `countEvents` the stream is decoded to its end and every event counted into
    // eventCount. False (trace "CPatternData::Load() - ...") when the kind is not 2, 3 or 4 or the
    // record is shorter than its header, stream and trailer say (the pattern is then left empty), or
    // with `countEvents` when the stream cannot be decoded to its end (eventCount 0).
    bool Load(const uint8_t* record, uint32_t recordSize, uint8_t recordKind, bool countEvents);
    // Becomes a copy of `other`'s kind and trailer whose stream starts 8 bytes into `record`, with
    // every count and size 0: the start of rebuilding the pattern into a new record.
    void Rebind(const CPatternData& other, const uint8_t* record);
    // 8 + dataSize for kind 2, 10 + dataSize otherwise.
    uint32_t StoredSize() const;
    // Writes the stored form into `out` and answers StoredSize(), or 0 with nothing written when
    // `capacity` is smaller.
    uint32_t Store(uint8_t* out, uint32_t capacity) const;

    // Re-encoding
    // Rebuilds `source` into `buffer` (`capacity` bytes) as `destination`: channel events up to the
    // length (up to length - 1 unless `inclusive`) pass through `state` (see CPatternState::Apply),
    // a chain at exactly the length moves to length - 1, Note and Sound events keep their form and
    // end by length - 1 at the latest, Meta and SysEx events are dropped, events that bring the
    // state back to neutral are added at length - 1, and End of Track ends the stream at the
    // length. A stream without Note and Sound events is written exactly as the split-note encoder
    // writes it. Four times the source size plus 1024 bytes always holds the result.
    static TrimResult Trim(CPatternState& state, const CPatternData& source, CPatternData& destination,
                           uint8_t* buffer, uint32_t capacity, bool inclusive);
    // Cuts a pattern whose eventCount was counted into segments of about `targetEvents` events,
    // cut where `state` is neutral (no note of either form sounds across a cut), preferably at
    // measure starts of `signature` (numerator in the high byte, denominator in the low byte).
    // Answers the index of the last segment, or 0 when the pattern stays whole (too few events, no
    // target, a signature of no length, or a stream that cannot be decoded to its end).
    uint32_t BuildSegments(CPatternState& state, uint16_t signature, uint32_t targetEvents);
    // Writes segment `index` of `source` into `buffer` as `destination`, a pattern of the segment's
    // duration whose notes all end inside it. False, with `destination` untouched, when there is no
    // such segment, its events cannot be decoded whole or `capacity` is too small.
    static bool ExtractSegment(const CPatternData& source, CPatternData& destination, uint32_t index,
                               uint8_t* buffer, uint32_t capacity);

    size_t SegmentCount() const { return segments.size(); }
    CSegment& Segment(size_t index) { return segments[index]; }
    const CSegment& Segment(size_t index) const { return segments[index]; }

    uint8_t kind;
    uint32_t lengthTicks = 0;
    uint32_t dataSize = 0;
    uint8_t trailer[2] = {};
    const uint8_t* data = nullptr;
    uint32_t eventCount = 0;

private:
    bool HasTrailer() const { return kind != DrumKind; }
    // Gives `destination` the encoder's stream and this pattern's length, kind and trailer.
    void Adopt(CPatternData& destination, const uint8_t* buffer, uint32_t size, uint32_t length,
               uint32_t events) const;

    std::vector<CSegment> segments;
};
