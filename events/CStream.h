// Byte streams: the common base, and the input and output interfaces of decoders and encoders.
#pragma once

#include <cstdint>

// Base of every stream. Memory streams are open from construction to destruction; the readiness
// and waiting queries leave room for streams that deliver data progressively.
class CStream {
public:
    // `state` values
    static constexpr uint8_t StateClosed = 0;
    static constexpr uint8_t StateOpened = 2;
    static constexpr uint8_t StateReading = 4;
    static constexpr uint8_t StateWriting = 5;
    // `mode` values
    static constexpr uint8_t ModeRead = 1;
    static constexpr uint8_t ModeWrite = 2;
    // Seek origins
    static constexpr int SeekBegin = 0;
    static constexpr int SeekCurrent = 1;
    static constexpr int SeekEnd = 2;

    CStream() = default;
    virtual ~CStream() = default;
    CStream(const CStream&) = delete;
    CStream& operator=(const CStream&) = delete;

    virtual uint32_t GetSize() const { return size; }
    virtual uint32_t GetPos() const { return pos; }
    // Opens `name` in `mode`: position, error and last count cleared, state Opened. Answers true
    // when the error flag is clear. Memory streams override it with an operation that does nothing.
    virtual bool Open(const char* name, uint8_t mode);
    virtual void Close() {}
    // Moves to `offset` from the beginning (origin 0), the position (1) or the size (2); a negative
    // target becomes 0, a stream open for reading stops at its size. Any other origin sets the
    // error flag, moves nothing and answers false.
    virtual bool Seek(int64_t offset, int origin);
    virtual bool IsReady() const { return state != StateClosed; }
    // True when `count` bytes cannot be had yet without waiting.
    virtual bool IsPending(uint32_t count) const;
    virtual int Reserved() { return 0; }

    uint8_t GetError() const { return error; }
    // Bytes moved by the last read or write.
    uint32_t LastCount() const { return lastCount; }

protected:
    uint32_t pos = 0;
    uint32_t size = 0; // output: the highest position ever written
    uint32_t lastCount = 0;
    uint8_t error = 0; // 1 after a seek with a bad origin; cleared only by Open
    uint8_t state = StateClosed;
    uint8_t mode = 0;
};

// Input stream.
class CIn : public virtual CStream {
public:
    // Copies up to `count` bytes into `buffer` and advances; answers the count moved (also
    // LastCount()). Reading at the end moves nothing and is no error.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    // True when one byte was read into `byte`.
    bool ReadByte(uint8_t* byte) { return Read(byte, 1) == 1; }
};

// Output stream. Success of a write sequence is read from GetError().
class COut : public virtual CStream {
public:
    // Writes `count` bytes from `buffer` at the position and advances; LastCount() tells how many
    // were taken.
    virtual COut& Write(const void* buffer, uint32_t count) = 0;
    COut& WriteByte(uint8_t byte) { return Write(&byte, 1); }
};
