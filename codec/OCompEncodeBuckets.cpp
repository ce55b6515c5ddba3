// Payload encoders of methods 0 and 1: a greedy single slot per bucket, and 32-slot buckets with one
// step of look-ahead.
#include "codec/OCompEncoding.h"

namespace {
using namespace OCompEncoding;

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
} // namespace

int32_t OCompEncodeFast(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CFastFinder>(source, sourceLength, output, workArea);
}

int32_t OCompEncodeLazy(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea)
{
    return Encode<CLazyFinder>(source, sourceLength, output, workArea);
}
