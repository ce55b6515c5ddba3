// Big-endian numbers, as the bank file, its records and MIDI file headers store them: a reading cursor
// over untrusted bytes, readers at positions the caller has checked, and writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads from `size` bytes; every read checks the remaining count first. After the first failed read
// the reader stays failed and every later read fails too.
class CBigEndianReader {
public:
    CBigEndianReader(const uint8_t* data, size_t size) : cursor(data), remaining(size) {}

    bool ReadU8(uint8_t& value);
    bool ReadBE16(uint16_t& value);
    bool ReadBE32(uint32_t& value);
    // Hands out a pointer to the next `count` bytes and steps over them.
    bool ReadBytes(size_t count, const uint8_t*& bytes);
    size_t Remaining() const { return remaining; }
    bool Failed() const { return failed; }

private:
    const uint8_t* cursor;
    size_t remaining;
    bool failed = false;
};

// The number at `p`, whose bytes the caller has checked are there.
inline uint16_t ReadBE16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t ReadBE32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Writes 4 bytes at `p`.
inline void WriteBE32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Appends to a growing record.
inline void AppendBE16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

inline void AppendBE32(std::vector<uint8_t>& out, uint32_t value)
{
    AppendBE16(out, static_cast<uint16_t>(value >> 16));
    AppendBE16(out, static_cast<uint16_t>(value));
}

inline bool CBigEndianReader::ReadBytes(size_t count, const uint8_t*& bytes)
{
    if (failed || count > remaining) {
        failed = true;
        return false;
    }
    bytes = cursor;
    cursor += count;
    remaining -= count;
    return true;
}

inline bool CBigEndianReader::ReadU8(uint8_t& value)
{
    const uint8_t* p = nullptr;
    if (!ReadBytes(1, p))
        return false;
    value = p[0];
    return true;
}

inline bool CBigEndianReader::ReadBE16(uint16_t& value)
{
    const uint8_t* p = nullptr;
    if (!ReadBytes(2, p))
        return false;
    value = ::ReadBE16(p);
    return true;
}

inline bool CBigEndianReader::ReadBE32(uint32_t& value)
{
    const uint8_t* p = nullptr;
    if (!ReadBytes(4, p))
        return false;
    value = ::ReadBE32(p);
    return true;
}
