// Chain-by-chain reading and writing of packed event streams for the style model and the tree converters.
#pragma once

#include "events/CEventsPool.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class CDecProp;
class CEncoderBase;
class CMemEncoder;

// Decodes a packed stream (not owned, must outlive the reader) chain by chain with absolute times.
class CPackedReader {
public:
    CPackedReader(const uint8_t* data, size_t size);
    ~CPackedReader();
    CPackedReader(const CPackedReader&) = delete;
    CPackedReader& operator=(const CPackedReader&) = delete;

    // Hands out the next chain (owned by the caller) and its absolute time. False when the chain that ends
    // the stream has been handed out, or when the stream cannot be decoded (Failed() then tells).
    bool Next(CChainPtr& chain, uint32_t& time);
    // Starts over from the first byte.
    void Rewind();
    // True when decoding stopped before a chain ending with End of Track (or the end-of-data mark).
    bool Failed() const { return failed; }
    // Time of the last chain handed out: the stream's end time once Next has answered false.
    uint32_t Time() const { return time; }

private:
    std::unique_ptr<CDecProp> decoder;
    int32_t delay = -1;
    uint32_t time = 0;
    bool done = false;
    bool failed = false;
};

// Encodes chains into a packed stream held in a buffer that grows as needed (notes split into on and off).
class CPackedWriter {
public:
    CPackedWriter();
    ~CPackedWriter();
    CPackedWriter(const CPackedWriter&) = delete;
    CPackedWriter& operator=(const CPackedWriter&) = delete;

    // Each write answers false when the encoder refuses it; the caller keeps the chain.
    bool Write(uint32_t time, CLinkedEvent* chain);
    // Write without any End of Track event of the chain (the writer closes the stream itself).
    bool WriteWithoutEnd(uint32_t time, CLinkedEvent* chain);
    // Writes one Meta event of up to 4 data bytes.
    bool WriteMeta(uint32_t time, uint8_t type, std::initializer_list<uint8_t> bytes);
    // Writes a copy of one event (its buffer shared).
    bool WriteEvent(uint32_t time, const CEvent& event);
    // Writes End of Track at `endTime` and closes the encoder.
    bool Finish(uint32_t endTime);
    // The bytes written so far.
    const uint8_t* Bytes() const;
    size_t Size() const;
    std::vector<uint8_t> TakeBytes() const { return {Bytes(), Bytes() + Size()}; }
    CMemEncoder& Encoder() { return *encoder; }

private:
    std::unique_ptr<CMemEncoder> encoder;
};

// What an encoder has written: its bytes (owned by the encoder) and its end time.
struct CEncodedBytes {
    const uint8_t* bytes;
    size_t size;
    int32_t endTime;
};
CEncodedBytes EncodedBytesOf(const CMemEncoder& encoder);

// Writes one Meta event of `length` bytes to any encoder at `time`; false when the pool or the encoder
// refuses.
bool WriteMetaTo(CEncoderBase& encoder, uint32_t time, uint8_t type, const uint8_t* bytes, uint32_t length);

// Copies the tempo marks of a tempo stream that lie before `limit` into `out`; false when the stream cannot
// be decoded or a write fails.
bool CopyTempoMarks(const std::vector<uint8_t>& tempoData, uint32_t limit, CPackedWriter& out);

// The stored pattern record (chunk id `kind` 2..4, trailer param1/param2 for kinds 3 and 4) of a packed
// stream trimmed to `lengthTicks`: events past the length dropped, controllers and notes brought back to
// their neutral state at its end, notes in the form they have. False when the stream cannot be decoded to
// its end (damage, or more simultaneous events than the event pool holds) or re-encoded.
bool StoreTrimmedRecord(const uint8_t* data, size_t size, uint8_t kind, uint8_t param1, uint8_t param2,
                        uint32_t lengthTicks, std::vector<uint8_t>& record);

// True when `event` is a private meta event (0x7E) whose first data byte is `code`.
bool IsPrivateMark(const CEvent& event, uint8_t code);
// Private mark codes: 2 tempo (percent), 3 slot start (slot, 0, 0), 4 slot end (slot).
constexpr uint8_t kTempoMark = 2;
constexpr uint8_t kStartMark = 3;
constexpr uint8_t kEndMark = 4;
