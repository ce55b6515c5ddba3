// One track pattern of a chord variation: a packed event stream with its length and signature.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CMemEncoder;
class CPackedWriter;

class CNstPattern {
public:
    // A new pattern is virgin and holds the empty 384-tick stream.
    CNstPattern() { Reset(); }

    // Contents
    uint8_t trackType = 0; // 0 drum, 1 bass, 2 accompaniment; the stored chunk id is trackType + 2
    uint8_t param1 = 0;    // carried with the stored record of non-drum patterns
    uint8_t param2 = 0;
    uint8_t numerator = 4;
    uint8_t denomExp = 2; // denominator 2^denomExp
    uint8_t measures = 1;
    int32_t lengthTicks = 384; // time of the End of Track
    std::vector<uint8_t> data; // packed event stream, owned
    bool isEmpty = true;       // the stream's first event is the End of Track
    bool isVirgin = true;      // not yet set up by its chord variation

    int32_t DataSize() const { return static_cast<int32_t>(data.size()); }
    // True when the stream decodes to its End of Track with the event pool's records, or is empty.
    bool DecodesWhole() const;

    // Edits
    // Back to the virgin state with the empty stream ending at tick 384.
    void Reset();
    // Takes a copy of `size` bytes of packed stream ending at `length`; clears isVirgin and sets isEmpty
    // from the stream's first event (a stream that cannot be decoded counts as empty).
    void SetEvents(const uint8_t* bytes, size_t size, int32_t length);
    // SetEvents with the encoder's written bytes and its end time.
    void SetFromEncoder(const CMemEncoder& encoder);
    // No lengthened stream grows beyond the bank buffer (CStyleBank::kCapacity) by default.
    static constexpr size_t MaxLengthenedSize = 3145728;

    // Moves the End of Track to `ticks`. Unless `once` is set the events are repeated back to back as long as
    // a whole copy fits. isVirgin keeps its value. False (pattern unchanged) when the stream cannot be
    // decoded or re-encoded, or would grow beyond `maxSize` bytes (refused before the copies are made).
    bool SetLength(int32_t ticks, bool once, size_t maxSize = MaxLengthenedSize);
    // Every field, with a private copy of the data.
    void CopyFrom(const CNstPattern& other) { *this = other; }

private:
    bool WriteCopies(CPackedWriter& out, int32_t ticks, bool repeat, size_t maxSize) const;
};

// The stream of an empty pattern: End of Track at `ticks`.
std::vector<uint8_t> EmptyPackedStream(uint32_t ticks);
