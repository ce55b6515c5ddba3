// Payload decoder of the compressed block: one pass over the instruction stream, no allocation.
#include "codec/COComp.h"

#include <cassert>
#include <cstring>

namespace {
constexpr int32_t kMalformed = -1;
constexpr int32_t kNoRoom = -2;

// Copies are done in whole words where the buffers leave room: such a copy may write up to a word
// past its end, still inside the output and overwritten by what follows.
constexpr std::size_t kWideLiterals = 16;

inline std::size_t Room(const uint8_t* from, const uint8_t* end)
{
    return static_cast<std::size_t>(end - from);
}

// Copies a match of `length` bytes from `distance` back; the caller has checked both bounds. An
// overlapping copy must repeat the last `distance` bytes, so a word copy is used only when it never
// reads bytes that it writes itself: 8 bytes from distance 8, 4 bytes from distance 4.
inline void CopyMatch(uint8_t* op, const uint8_t* oend, std::size_t distance, std::size_t length)
{
    const uint8_t* from = op - distance;
    uint8_t* const end = op + length;
    if (distance >= 8 && Room(end, oend) >= 8) {
        do {
            std::memcpy(op, from, 8);
            op += 8;
            from += 8;
        } while (op < end);
        return;
    }
    if (distance >= 4) {
        if (Room(end, oend) >= 4) {
            do {
                std::memcpy(op, from, 4);
                op += 4;
                from += 4;
            } while (op < end);
            return;
        }
        for (; Room(op, end) >= 4; op += 4, from += 4)
            std::memcpy(op, from, 4);
    } else if (distance == 1) {
        std::memset(op, *from, length);
        return;
    }
    while (op < end)
        *op++ = *from++;
}

// Short match: 3 bits length, 11 bits distance, 2 bits trailing literals in the two bytes t and b.
inline void ShortMatch(unsigned t, unsigned b, std::size_t& length, std::size_t& distance, unsigned& trailing)
{
    length = (t >> 5) + 1;
    distance = ((t & 31u) << 6 | b >> 2) + 1;
    trailing = b & 3;
}

// Copies `length` literal bytes (both bounds checked by the caller).
inline void CopyLiterals(uint8_t* op, const uint8_t* oend, const uint8_t* ip, const uint8_t* iend,
                         std::size_t length)
{
    if (length <= kWideLiterals && Room(op, oend) >= kWideLiterals && Room(ip, iend) >= kWideLiterals)
        std::memcpy(op, ip, kWideLiterals);
    else
        std::memcpy(op, ip, length);
}
} // namespace

int32_t OCompDecode(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t outputCapacity)
{
    assert(inputLength >= 0 && outputCapacity >= 0);
    assert((input != nullptr || inputLength == 0) && (output != nullptr || outputCapacity == 0));
    const uint8_t* ip = input;
    const uint8_t* const iend = input + inputLength;
    uint8_t* op = output;
    uint8_t* const oend = output + outputCapacity;

    while (ip < iend) {
        const unsigned t = *ip++;
        std::size_t length;
        std::size_t distance;
        unsigned trailing;
        // Short matches are the commonest instruction. Away from both buffer ends neither the match
        // (at most 8 bytes) nor its trailing literals can run out of room or input, so only the
        // distance is checked and the copies are whole words.
        if (t >= 64 && Room(ip, iend) >= 5 && Room(op, oend) >= 16) {
            ShortMatch(t, *ip++, length, distance, trailing);
            if (static_cast<std::size_t>(op - output) < distance)
                return kMalformed;
            if (distance >= 8)
                std::memcpy(op, op - distance, 8);
            else
                CopyMatch(op, oend, distance, length);
            op += length;
            std::memcpy(op, ip, 4);
            op += trailing;
            ip += trailing;
            continue;
        }
        if (t < 16) {
            // Literal runs: short, medium (one count byte), long (two count bytes, 0 = end marker).
            if (t >= 2) {
                length = t + 2;
            } else if (t == 0) {
                if (ip == iend)
                    return kMalformed;
                length = *ip++ + 18u;
            } else {
                if (iend - ip < 2)
                    return kMalformed;
                length = static_cast<std::size_t>(ip[0]) << 8 | ip[1];
                ip += 2;
                if (length == 0)
                    break;
            }
            if (static_cast<std::size_t>(oend - op) < length)
                return kNoRoom;
            if (static_cast<std::size_t>(iend - ip) < length)
                return kMalformed;
            CopyLiterals(op, oend, ip, iend, length);
            op += length;
            ip += length;
            continue;
        }

        if (t >= 64) {
            if (ip == iend)
                return kMalformed;
            ShortMatch(t, *ip++, length, distance, trailing);
        } else {
            // Medium (t 32..63) and far (t 16..31) matches share the length encoding; only the width
            // of the inline length field and the length bias differ.
            const unsigned inlineMask = t >= 32 ? 31u : 7u;
            const unsigned m = t & inlineMask;
            if (m >= 2) {
                length = m + 2;
            } else if (m == 0) {
                if (ip == iend)
                    return kMalformed;
                length = *ip++ + (t >= 32 ? 34u : 10u);
            } else {
                if (iend - ip < 2)
                    return kMalformed;
                length = static_cast<std::size_t>(ip[0]) << 8 | ip[1];
                ip += 2;
            }
            if (iend - ip < 2)
                return kMalformed;
            const unsigned w = static_cast<unsigned>(ip[0]) << 8 | ip[1];
            ip += 2;
            distance = (w >> 2) + 1;
            if (t < 32)
                distance += 16384 + ((t & 8) ? 16384 : 0);
            trailing = w & 3;
        }
        if (static_cast<std::size_t>(oend - op) < length)
            return kNoRoom;
        if (static_cast<std::size_t>(op - output) < distance)
            return kMalformed;
        CopyMatch(op, oend, distance, length);
        op += length;
        if (trailing != 0) {
            if (static_cast<std::size_t>(oend - op) < trailing)
                return kNoRoom;
            if (static_cast<std::size_t>(iend - ip) < trailing)
                return kMalformed;
            CopyLiterals(op, oend, ip, iend, trailing);
            op += trailing;
            ip += trailing;
        }
    }
    // Both the end marker and running out of input at an instruction boundary end the stream; the
    // marker must be the last three bytes.
    if (ip != iend)
        return kMalformed;
    return static_cast<int32_t>(op - output);
}
