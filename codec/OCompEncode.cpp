// Payload encoders of the compressed block: shared instruction writers, the common frame and the three
// match finders (greedy single slot, 32-slot buckets, hash chains).
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

namespace {
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

// ---------------------------------------------------------------------------------------------------
// Method 0: one slot per bucket, greedy.

class CFastFinder {
public:
    static constexpr std::size_t kSlots = 16384;

    CFastFinder(const CSearch& search, void* workArea)
        : s(search), scratch(workArea, kSlots * sizeof(uint32_t)), slots(scratch.Take<uint32_t>(kSlots))
    {
    }

    void Insert(int32_t q) { slots[Hash(q)] = static_cast<uint32_t>(q) + 1; }

    int32_t Step(int32_t p, int32_t& pending, CPayloadWriter& writer)
    {
        uint32_t& slot = slots[Hash(p)];
        const uint32_t stored = slot;
        slot = static_cast<uint32_t>(p) + 1;
        const auto c = static_cast<int32_t>(stored - 1);
        if (stored == kNoPosition || !s.Usable(c, p))
            return p + 1;
        const int32_t length = MatchLength(s.src, c, p, s.Limit(p));
        return EmitMatch(*this, s, {p, length, p - c, 0}, pending, writer);
    }

private:
    std::size_t Hash(int32_t q) const
    {
        const uint32_t a = s.src[q], b = s.src[q + 1], c = s.src[q + 2];
        const uint32_t v = ((c << 6) ^ b) << 5 ^ a;
        return (v * 33) >> 5 & 0x3FFF;
    }

    const CSearch& s;
    CScratch scratch;
    uint32_t* slots;
};

// ---------------------------------------------------------------------------------------------------
// Method 1: 1024 buckets of 32 slots, newest first.

class CLazyFinder {
public:
    static constexpr std::size_t kBuckets = 1024;
    static constexpr std::size_t kWays = 32;

    CLazyFinder(const CSearch& search, void* workArea)
        : s(search), scratch(workArea, kBuckets * kWays * sizeof(uint32_t)),
          slots(scratch.Take<uint32_t>(kBuckets * kWays))
    {
    }

    void Insert(int32_t q)
    {
        uint32_t* bucket = Bucket(q);
        std::memmove(bucket + 1, bucket, (kWays - 1) * sizeof *bucket);
        bucket[0] = static_cast<uint32_t>(q) + 1;
    }

    CCandidate Search(int32_t p)
    {
        CBestMatch best(s, p);
        uint32_t* bucket = Bucket(p);
        for (std::size_t i = 0; i < kWays && bucket[i] != kNoPosition; ++i) {
            const auto c = static_cast<int32_t>(bucket[i] - 1);
            if (p - c > kMaxDistance) {
                bucket[i] = kNoPosition;
                break;
            }
            if (!best.Consider(c))
                break;
        }
        return best.Best();
    }

    int32_t Step(int32_t p, int32_t& pending, CPayloadWriter& writer)
    {
        return LookAheadStep(*this, s, p, pending, writer);
    }

private:
    uint32_t* Bucket(int32_t q)
    {
        const uint32_t a = s.src[q], b = s.src[q + 1], c = s.src[q + 2];
        const uint32_t v = ((c << 3) ^ b) << 3 ^ a;
        return slots + ((v * 9) >> 3 & 0x3FF) * kWays;
    }

    const CSearch& s;
    CScratch scratch;
    uint32_t* slots;
};

// ---------------------------------------------------------------------------------------------------
// Method 2: bucket heads with chains of older positions, the chain nodes recycled in a ring.

struct CChainEntry {
    uint16_t next; // entry index, 0 = end of chain
    uint16_t prev;
    uint32_t position; // position + 1, kNoPosition when empty
};

// Positions sharing their first 4, 8, 16 or 32 bytes (by hash), newest first: per level a head per
// hash and, per position, the distance back to the previous position with the same hash. The bucket
// chains hold every position within reach whose three bytes hash alike, so once a winner is known to
// need K equal bytes, the level-K chain holds every candidate that can still win, in the same order.
// It is walked instead of the bucket chain; nothing else changes. Distances fit 16 bits because
// nothing beyond 49152 is followed, and a slot is rewritten only 65536 positions later.
class CPrefixChains {
public:
    static constexpr int kLevels = 4;
    static constexpr int32_t kLength[kLevels] = {4, 6, 8, 16};
    static constexpr int kMaxHeadBits = 14;
    static constexpr std::size_t kHeads = std::size_t{1} << kMaxHeadBits;
    static constexpr std::size_t kBackMask = 0xFFFF;
    // Heads hold position + kBias, so that a zeroed head reads as a position beyond reach.
    static constexpr uint32_t kBias = kMaxDistance + 1;
    static constexpr std::size_t kBytes =
        kLevels * (kHeads * sizeof(uint32_t) + (kBackMask + 1) * sizeof(uint16_t));

    // Short sources get fewer heads: less memory to clear for the call, about as few collisions.
    CPrefixChains(CScratch& scratch, int32_t n)
        : headShift(64 - std::clamp(static_cast<int>(std::bit_width(static_cast<uint32_t>(n))) - 2, 10,
                                    kMaxHeadBits))
    {
        for (int level = 0; level < kLevels; ++level) {
            heads[level] = scratch.Take<uint32_t>(kHeads, false);
            std::fill_n(heads[level], std::size_t{1} << (64 - headShift), 0u);
            back[level] = scratch.Take<uint16_t>(kBackMask + 1, false); // written before it is read
        }
    }

    // Hashing reads whole words, so a level takes positions with max(K, 8) bytes left. That loses
    // nothing: a candidate lies before a search position (below n - 13) and shares K bytes with it.
    void Insert(const CSearch& s, int32_t q)
    {
        InsertLevels(s, q, std::make_integer_sequence<int, kLevels>{});
    }

    // Deepest level whose prefix every match of at least `length` bytes shares, or -1.
    static int LevelFor(int32_t length)
    {
        static constexpr auto kLevelOf = [] {
            std::array<int8_t, kLength[kLevels - 1] + 1> levels{};
            for (std::size_t n = 0; n < levels.size(); ++n) {
                int level = -1;
                while (level + 1 < kLevels && kLength[level + 1] <= static_cast<int32_t>(n))
                    ++level;
                levels[n] = static_cast<int8_t>(level);
            }
            return levels;
        }();
        return kLevelOf[static_cast<std::size_t>(std::min(length, kLength[kLevels - 1]))];
    }

    // Newest position in the chain of p's prefix, or -1 (also when fewer bytes than the prefix remain).
    int32_t First(int level, const CSearch& s, int32_t p) const
    {
        if (p + std::max(kLength[level], 8) > s.n)
            return -1;
        const std::size_t hash = HashAt(level, s.src + p, std::make_integer_sequence<int, kLevels>{});
        return std::max(static_cast<int32_t>(heads[level][hash] - kBias), -1);
    }

    // Position before c in its chain, or -1.
    int32_t Next(int level, int32_t c) const
    {
        const uint16_t distance = back[level][static_cast<std::size_t>(c) & kBackMask];
        return distance != 0 ? c - distance : -1;
    }

private:
    // Hash of exactly the level's first kLength bytes, read as whole words (unrolled per level).
    template <int Level> std::size_t Hash(const uint8_t* bytes) const
    {
        constexpr int32_t length = kLength[Level];
        uint64_t key = 0;
        for (int32_t i = 0; i < length; i += 8) {
            uint64_t word = Load8(bytes + i);
            if (length - i < 8)
                word &= ~uint64_t{0} >> (64 - 8 * (length - i));
            key = (key ^ word) * 0xC2B2AE3D27D4EB4Fu;
        }
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> headShift);
    }

    template <int... Levels>
    std::size_t HashAt(int level, const uint8_t* bytes, std::integer_sequence<int, Levels...>) const
    {
        std::size_t hash = 0;
        (void(level == Levels ? hash = Hash<Levels>(bytes) : 0), ...);
        return hash;
    }

    // Enters q at each level while enough bytes remain.
    template <int Level> bool InsertLevel(const CSearch& s, int32_t q, bool checked)
    {
        if (checked && q + std::max(kLength[Level], 8) > s.n)
            return false;
        uint32_t& head = heads[Level][Hash<Level>(s.src + q)];
        const auto distance = static_cast<uint32_t>(q) + kBias - head;
        back[Level][static_cast<std::size_t>(q) & kBackMask] =
            distance <= kMaxDistance ? static_cast<uint16_t>(distance) : 0;
        head = static_cast<uint32_t>(q) + kBias;
        return true;
    }

    template <int... Levels>
    void InsertLevels(const CSearch& s, int32_t q, std::integer_sequence<int, Levels...>)
    {
        // Far from the end every level has its bytes; only the last positions need the check.
        if (q + std::max(kLength[kLevels - 1], 8) <= s.n)
            (InsertLevel<Levels>(s, q, false), ...);
        else
            (InsertLevel<Levels>(s, q, true) && ...);
    }

    int headShift; // 64 minus the bits of a head index
    uint32_t* heads[kLevels];
    uint16_t* back[kLevels];
};

class CChainFinder {
public:
    static constexpr uint16_t kHeads = 16384;
    static constexpr uint16_t kFirstNode = 16384;
    static constexpr uint16_t kLastNode = 65534;
    static constexpr std::size_t kEntries = 65535;
    static constexpr std::size_t kBytes = kEntries * sizeof(CChainEntry) + CPrefixChains::kBytes;

    CChainFinder(const CSearch& search, void* workArea)
        : s(search), scratch(workArea, kBytes), entries(scratch.Take<CChainEntry>(kEntries, false)),
          prefixes(scratch, search.n)
    {
        // A cleared table in effect: the heads are cleared, and a node is read only once it has been
        // handed out, or after the ring has come round (see Insert).
        std::fill_n(entries, kHeads, CChainEntry{});
    }

    void Insert(int32_t q)
    {
        const uint16_t h = Hash(q);
        CChainEntry& head = entries[h];
        // The head's previous position joins the chain only while it stays within reach.
        if (head.position != kNoPosition && q - static_cast<int32_t>(head.position - 1) < kMaxDistance) {
            const uint16_t index = ring;
            CChainEntry& node = entries[index];
            if (ringWrapped) { // the node is still in use
                entries[node.prev].next = node.next;
                if (node.next != 0)
                    entries[node.next].prev = node.prev;
            }
            node.prev = h;
            node.next = head.next;
            node.position = head.position;
            if (head.next != 0)
                entries[head.next].prev = index;
            head.next = index;
            ringWrapped = ringWrapped || ring == kLastNode;
            ring = ring == kLastNode ? kFirstNode : static_cast<uint16_t>(ring + 1);
        }
        head.position = static_cast<uint32_t>(q) + 1;
        prefixes.Insert(s, q);
    }

    // The nearest position sharing the deepest prefix seeds the best; then the chain that holds every
    // candidate still able to win is walked from nearest to farthest: the bucket chain while a
    // three-byte match could win, a prefix chain (see CPrefixChains) once more bytes are needed. When
    // the best improves the walk moves to a deeper chain, skipping positions already passed.
    CCandidate Search(int32_t p)
    {
        CBestMatch best(s, p);
        for (int level = CPrefixChains::kLevels - 1; level >= 0 && !best.Best().Found(); --level)
            if (const int32_t c = prefixes.First(level, s, p); c >= 0 && p - c <= kMaxDistance)
                best.Consider(c);
        int32_t passed = p; // positions from here on have been considered in this walk
        for (int level = WalkLevel(best, p, passed);;) {
            CChainCursor cursor(*this, level, p);
            for (; cursor.Valid(); cursor.Advance()) {
                const int32_t c = cursor.Position();
                if (p - c > kMaxDistance)
                    return best.Best(); // chains run from newest to oldest
                if (c >= passed)
                    continue;
                passed = c;
                if (!best.Consider(c))
                    return best.Best();
                if (WalkLevel(best, p, passed) != level)
                    break;
            }
            if (!cursor.Valid())
                return best.Best();
            level = WalkLevel(best, p, passed);
        }
    }

    int32_t Step(int32_t p, int32_t& pending, CPayloadWriter& writer)
    {
        return LookAheadStep(*this, s, p, pending, writer);
    }

private:
    uint16_t Hash(int32_t q) const
    {
        const uint32_t a = s.src[q], b = s.src[q + 1], c = s.src[q + 2];
        const uint32_t v = (((c << 5) ^ b) << 5 ^ a) & 0xFFFF;
        return static_cast<uint16_t>((v * 65) >> 6 & 0x3FFF);
    }

    // Chain to walk: -1 for the bucket chain, else the prefix level that every candidate still able to
    // win shares (all of them lie before `passed`).
    static int WalkLevel(const CBestMatch& best, int32_t p, int32_t passed)
    {
        if (!best.Best().Found())
            return -1;
        const bool nearer = p - passed < best.Best().distance;
        return CPrefixChains::LevelFor(std::min(best.WinningLength(p - passed, nearer), best.Limit()));
    }

    // Walks one chain, newest position first: the bucket chain (level -1) or a prefix chain.
    class CChainCursor {
    public:
        CChainCursor(const CChainFinder& finder, int chainLevel, int32_t p) : f(finder), level(chainLevel)
        {
            if (level < 0) {
                index = f.Hash(p);
                c = static_cast<int32_t>(f.entries[index].position) - 1;
            } else {
                c = f.prefixes.First(level, f.s, p);
            }
        }
        bool Valid() const { return c >= 0; }
        int32_t Position() const { return c; }
        void Advance()
        {
            if (level >= 0) {
                c = f.prefixes.Next(level, c);
                return;
            }
            index = f.entries[index].next;
            c = index != 0 ? static_cast<int32_t>(f.entries[index].position) - 1 : -1;
        }

    private:
        const CChainFinder& f;
        int level;
        uint16_t index = 0;
        int32_t c;
    };

    const CSearch& s;
    CScratch scratch;
    CChainEntry* entries;
    CPrefixChains prefixes;
    uint16_t ring = kFirstNode;
    bool ringWrapped = false; // every node has been handed out once
};
static_assert(CChainFinder::kBytes <= OCompWorkAreaSize);

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
} // namespace

int32_t OCompEncodeFast(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CFastFinder>(source, sourceLength, output, workArea);
}

int32_t OCompEncodeLazy(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CLazyFinder>(source, sourceLength, output, workArea);
}

int32_t OCompEncodeChain(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CChainFinder>(source, sourceLength, output, workArea);
}
