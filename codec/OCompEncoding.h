// The pieces every payload encoder of the compressed block shares: instruction writers, match
// candidates and their costs, the scratch dictionary and the common frame that drives a match finder.
// Internal to the codec: included by the encoders of each method only.
#pragma once

#include "codec/COComp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <climits>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

namespace OCompEncoding {
constexpr int32_t kMaxDistance = 49152;     // farthest match the far form can reach
constexpr int32_t kShortMaxDistance = 2048; // beyond it a match needs four equal bytes
constexpr int32_t kMediumMaxDistance = 16384;
constexpr int32_t kMaxLength = 65535;        // widest length field
constexpr int32_t kMinSourceForMatches = 18; // shorter sources are stored as literals
constexpr int32_t kSearchStop = 13;          // no search starts in the last 13 bytes
constexpr int32_t kLookAheadMaxScore = 2048; // a better score is taken without look-ahead
constexpr int32_t kLongPiece = 65532;        // piece size of literal runs above kMaxLength

// Dictionaries store position + 1 so that zeroed memory means "no position" and position 0 is usable.
constexpr uint32_t kNoPosition = 0;

// ---------------------------------------------------------------------------------------------------
// Instruction writers

class CPayloadWriter {
public:
    explicit CPayloadWriter(uint8_t* output) : start(output), op(output) {}

    int32_t Written() const { return static_cast<int32_t>(op - start); }

    // Literals in front of a match: 1 to 3 ride in the two low bits of the previous match's last byte.
    void PendingLiterals(const uint8_t* bytes, int32_t count)
    {
        if (count == 0)
            return;
        if (count <= 3) {
            assert(op != start);
            op[-1] = static_cast<uint8_t>(op[-1] | count);
            Bytes(bytes, count);
            return;
        }
        LiteralRun(bytes, count);
    }

    void Match(int32_t length, int32_t distance)
    {
        assert(length >= 3 && length <= kMaxLength && distance >= 1 && distance <= kMaxDistance);
        assert(length >= 4 || distance <= kShortMaxDistance);
        if (length <= 8 && distance <= kShortMaxDistance) {
            Word(static_cast<unsigned>(length - 1) << 13 | static_cast<unsigned>(distance - 1) << 2);
            return;
        }
        if (distance <= kMediumMaxDistance) {
            MatchLength(0x20, length, 33, 34);
            Word(static_cast<unsigned>(distance - 1) << 2);
            return;
        }
        auto f = static_cast<unsigned>(distance - (kMediumMaxDistance + 1));
        unsigned opcode = 0x10;
        if (f >= 16384) {
            opcode |= 8;
            f -= 16384;
        }
        MatchLength(opcode, length, 9, 10);
        Word(f << 2);
    }

    // The tail is always an explicit run (never the low-bit rule), then the end marker.
    void Tail(const uint8_t* bytes, int32_t count)
    {
        if (count >= 4) {
            LiteralRun(bytes, count);
        } else if (count > 0) {
            Byte(1);
            Word(static_cast<unsigned>(count));
            Bytes(bytes, count);
        }
        Byte(1);
        Word(0);
    }

private:
    void Byte(unsigned value) { *op++ = static_cast<uint8_t>(value); }
    void Word(unsigned value)
    {
        Byte(value >> 8);
        Byte(value & 0xFF);
    }
    void Bytes(const uint8_t* bytes, int32_t count)
    {
        std::memcpy(op, bytes, static_cast<std::size_t>(count));
        op += count;
    }

    // Medium and far matches: length inline in the opcode up to `inlineMax`, one biased byte up to
    // `byteBias` + 255, else opcode | 1 and a 16-bit length.
    void MatchLength(unsigned opcode, int32_t length, int32_t inlineMax, int32_t byteBias)
    {
        if (length <= inlineMax) {
            Byte(opcode | static_cast<unsigned>(length - 2));
        } else if (length <= byteBias + 255) {
            Byte(opcode);
            Byte(static_cast<unsigned>(length - byteBias));
        } else {
            Byte(opcode | 1);
            Word(static_cast<unsigned>(length));
        }
    }

    void LiteralRun(const uint8_t* bytes, int32_t count)
    {
        assert(count >= 4);
        if (count > kMaxLength) {
            // Only the long form is used once a run has been split, whatever the rest's size.
            while (count > kMaxLength) {
                Byte(1);
                Word(kLongPiece);
                Bytes(bytes, kLongPiece);
                bytes += kLongPiece;
                count -= kLongPiece;
            }
            Byte(1);
            Word(static_cast<unsigned>(count));
        } else if (count <= 17) {
            Byte(static_cast<unsigned>(count - 2));
        } else if (count <= 271) {
            Byte(0);
            Byte(static_cast<unsigned>(count - 18));
        } else {
            Byte(1);
            Word(static_cast<unsigned>(count));
        }
        Bytes(bytes, count);
    }

    uint8_t* start;
    uint8_t* op;
};

// ---------------------------------------------------------------------------------------------------
// Match measurement and scoring shared by the finders

struct CCandidate {
    int32_t position = -1; // where the match starts; -1 when there is none
    int32_t length = 0;
    int32_t distance = INT_MAX;
    int32_t score = INT_MIN;

    bool Found() const { return position >= 0; }
};

inline uint64_t Load8(const uint8_t* bytes)
{
    uint64_t value;
    std::memcpy(&value, bytes, 8);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap64(value);
    return value; // byte i of the source in bits 8i to 8i + 7
}

// Index of the lowest differing byte of two non-equal Load8 results.
inline int32_t FirstDifference(uint64_t diff)
{
    return std::countr_zero(diff) / 8;
}

// Number of equal bytes at c and p, the first `known` known to agree, up to `limit`.
inline int32_t MatchLength(const uint8_t* src, int32_t c, int32_t p, int32_t limit, int32_t known = 3)
{
    int32_t length = known;
    for (; length + 8 <= limit; length += 8)
        if (const uint64_t diff = Load8(src + c + length) ^ Load8(src + p + length); diff != 0)
            return length + FirstDifference(diff);
    while (length < limit && src[c + length] == src[p + length])
        ++length;
    return length;
}

// Bytes of the instruction that would encode the match; the finders maximise length minus this.
inline int32_t MatchCost(int32_t length, int32_t distance)
{
    if (length <= 8 && distance <= kShortMaxDistance)
        return 2;
    if (distance <= kMediumMaxDistance)
        return length <= 33 ? 3 : length <= 289 ? 4 : 5;
    return length <= 9 ? 3 : length <= 265 ? 4 : 5;
}

// Bytes spent on k pending literals before a match.
inline int32_t LiteralCost(int32_t k)
{
    if (k <= 3)
        return k;
    if (k <= 17)
        return k + 1;
    if (k <= 273)
        return k + 2;
    return k + 3;
}

// Shared state of one encoder run over a source of n bytes.
struct CSearch {
    const uint8_t* src;
    int32_t n;

    // Three equal bytes, and a fourth beyond the short-distance reach, within the farthest distance.
    bool Usable(int32_t c, int32_t p) const
    {
        const int32_t d = p - c;
        return d <= kMaxDistance && src[c] == src[p] && src[c + 1] == src[p + 1] &&
               src[c + 2] == src[p + 2] && (d <= kShortMaxDistance || src[c + 3] == src[p + 3]);
    }

    int32_t Limit(int32_t p) const { return std::min(kMaxLength, n - p); }
};

// The best candidate for one position, fed candidates nearest first. Searches start before n - 13, so
// eight bytes can always be loaded at the position and at any earlier candidate.
class CBestMatch {
public:
    CBestMatch(const CSearch& search, int32_t position)
        : src(search.src), p(position), limit(search.Limit(position)), head(Load8(src + position))
    {
    }

    // Scores candidate c (within the farthest distance) against the best so far. The result is the
    // candidate with the highest score and, among equal scores, the nearest one, whatever the order
    // candidates come in; a walk from nearest to farthest thus keeps the first of equal scores.
    // c can win only with WinningLength() equal bytes; the eight bytes ending there are compared before
    // measuring. Returns false when that lies beyond the limit: then no candidate at c's distance or
    // farther can win.
    [[gnu::always_inline]] bool Consider(int32_t c)
    {
        const int32_t d = p - c;
        const uint64_t diff = Load8(src + c) ^ head;
        if ((diff & (d <= kShortMaxDistance ? 0xFFFFFFu : 0xFFFFFFFFu)) != 0)
            return true; // fails the candidate test
        const bool nearer = d < best.distance;
        if (best.Found()) {
            const int32_t needed = WinningLength(d, nearer);
            if (needed > limit)
                return false;
            if (needed <= 8 ? (diff & (~uint64_t{0} >> (64 - 8 * needed))) != 0
                            : Load8(src + c + needed - 8) != Load8(src + p + needed - 8))
                return true;
        }
        const int32_t length = diff != 0 ? FirstDifference(diff) : MatchLength(src, c, p, limit, 8);
        const int32_t score = length - MatchCost(length, d);
        if (score > best.score || (score == best.score && nearer))
            Take({p, length, d, score});
        return true;
    }

    const CCandidate& Best() const { return best; }

    // Fewest equal bytes a candidate at distance d or farther needs to win, `nearer` when it lies
    // nearer than the best. The instruction cost never falls as the distance or the length grows and is
    // at least 2: a nearer candidate needs best.score + cost(best.score + 2), a farther one
    // best.score + 1 + cost(best.score + 3).
    int32_t WinningLength(int32_t d, bool nearer) const
    {
        assert(best.Found() && best.score >= 1);
        const int range = d <= kShortMaxDistance ? 0 : d <= kMediumMaxDistance ? 1 : 2;
        return winning[nearer ? 0 : 1][range];
    }

    int32_t Limit() const { return limit; }

private:
    void Take(const CCandidate& candidate)
    {
        best = candidate;
        constexpr int32_t kRangeEnd[] = {kShortMaxDistance, kMediumMaxDistance, kMaxDistance};
        for (int range = 0; range < 3; ++range) {
            winning[0][range] = best.score + MatchCost(best.score + 2, kRangeEnd[range]);
            winning[1][range] = best.score + 1 + MatchCost(best.score + 3, kRangeEnd[range]);
        }
    }

    const uint8_t* src;
    int32_t p;
    int32_t limit;
    uint64_t head;
    CCandidate best;
    int32_t winning[2][3]; // WinningLength by nearer/farther and distance range, set with the best
};

// Scratch memory of one call: the caller's work area, or one block allocated for the call and freed on
// return. Arrays are handed out in order, zeroed unless the user writes every element before reading it.
class CScratch {
public:
    CScratch(void* workArea, std::size_t bytes)
    {
        assert(bytes <= OCompWorkAreaSize);
        if (workArea == nullptr) {
            owned = std::make_unique_for_overwrite<std::byte[]>(bytes);
            workArea = owned.get();
        }
        next = static_cast<std::byte*>(workArea);
    }

    template <class T> T* Take(std::size_t count, bool zeroed = true)
    {
        static_assert(std::is_trivial_v<T> && alignof(T) <= alignof(uint32_t));
        assert(reinterpret_cast<std::uintptr_t>(next) % alignof(T) == 0);
        T* array = reinterpret_cast<T*>(next);
        next += count * sizeof(T);
        if (zeroed)
            std::fill_n(array, count, T{});
        return array;
    }

private:
    std::unique_ptr<std::byte[]> owned;
    std::byte* next;
};

// ---------------------------------------------------------------------------------------------------
// Emits the pending literals and the match, then enters the match's later positions, the last ones
// only while three bytes remain to hash.
template <class Finder>
int32_t EmitMatch(Finder& finder, const CSearch& s, const CCandidate& m, int32_t& pending,
                  CPayloadWriter& writer)
{
    writer.PendingLiterals(s.src + pending, m.position - pending);
    writer.Match(m.length, m.distance);
    const int32_t end = m.position + m.length;
    const int32_t lastHashed = std::min(end, s.n - 2);
    for (int32_t q = m.position + 1; q < lastHashed; ++q)
        finder.Insert(q);
    pending = end;
    return end;
}

// Step of the finders with one step of look-ahead (methods 1 and 2): the best candidate at p, compared
// with the best at p + 1 after charging each the literals needed to reach it.
template <class Finder>
int32_t LookAheadStep(Finder& finder, const CSearch& s, int32_t p, int32_t& pending, CPayloadWriter& writer)
{
    const CCandidate here = finder.Search(p);
    if (!here.Found()) {
        finder.Insert(p);
        return p + 1;
    }
    CCandidate chosen = here;
    if (here.score <= kLookAheadMaxScore && p + 1 < s.n - kSearchStop) {
        const CCandidate next = finder.Search(p + 1);
        if (next.Found() &&
            next.score - (LiteralCost(p + 1 - pending) - 1) > here.score - LiteralCost(p - pending))
            chosen = next;
    }
    for (int32_t q = p; q <= chosen.position; ++q)
        finder.Insert(q);
    return EmitMatch(finder, s, chosen, pending, writer);
}

// The common frame: sources below 18 bytes are all literals; otherwise the first four positions are
// seeded and searching runs up to n - 13. `Finder` supplies Insert(q) and Step(p, pending, writer), the
// latter returning the next position and moving `pending` past an emitted match. Then the tail run and
// the end marker.
template <class Finder>
int32_t Encode(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    assert(sourceLength >= 0 && (source != nullptr || sourceLength == 0) && output != nullptr);
    CPayloadWriter writer(output);
    int32_t pending = 0;
    if (sourceLength >= kMinSourceForMatches) {
        const CSearch search{source, sourceLength};
        Finder finder(search, workArea);
        for (int32_t q = 0; q < 4; ++q)
            finder.Insert(q);
        for (int32_t p = 4; p < sourceLength - kSearchStop;)
            p = finder.Step(p, pending, writer);
    }
    writer.Tail(source + pending, sourceLength - pending);
    return writer.Written();
}
} // namespace OCompEncoding
