// Payload encoder of method 2: bucket heads with chains of older positions, beside prefix chains that
// find long matches quickly.
#include "codec/OCompEncoding.h"

namespace {
using namespace OCompEncoding;

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
} // namespace

int32_t OCompEncodeChain(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CChainFinder>(source, sourceLength, output, workArea);
}
