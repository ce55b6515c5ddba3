// Storing identical pattern records of a built style tree once, and the compaction a built tree gets.
#include "sharing/CMakeMark.h"
#include "sharing/StyleTree.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

using namespace StyleTree;

uint32_t CMakeMark::MergeDuplicatePatterns(CChunkNav& nav)
{
    CPool pool;
    if (!ReadPool(nav, pool))
        return 0;
    const size_t count = pool.records.size();
    std::vector<size_t> keptIndex(count);
    std::vector<bool> duplicate(count, false);
    std::unordered_multimap<uint64_t, size_t> seen;
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const CPoolRecord& record = pool.records[i];
        // FNV-1a over the bytes finds the candidates; equal bytes decide.
        uint64_t hash = 1469598103934665603ull ^ record.id;
        for (uint32_t b = 0; b < record.storedSize; ++b)
            hash = (hash ^ record.bytes[b]) * 1099511628211ull;
        const auto [from, to] = seen.equal_range(hash);
        const auto same = std::find_if(from, to, [&](const auto& entry) {
            const CPoolRecord& other = pool.records[entry.second];
            return other.id == record.id && other.storedSize == record.storedSize &&
                   std::memcmp(other.bytes, record.bytes, record.storedSize) == 0;
        });
        if (same != to) {
            duplicate[i] = true;
            keptIndex[i] = keptIndex[same->second];
        } else {
            keptIndex[i] = kept++;
            seen.emplace(hash, i);
        }
    }
    const size_t removed = count - kept;
    if (removed > 0) {
        EnterPoolList(nav);
        nav.Next(0, C1, kData);
        for (size_t i = 0; i < count; ++i) {
            if (!duplicate[i])
                nav.Next(0, C1, kData);
            else if (nav.Remove() && !IsData(nav))
                break; // the last record went: the position is the pool itself
        }
        for (uint16_t& reference : pool.list.references)
            reference = static_cast<uint16_t>(keptIndex[reference - 1u] + 1);
        pool.list.patternCount = static_cast<uint16_t>(kept);
        WritePoolList(nav, pool.list);
    }
    nav.Rewind();
    return static_cast<uint32_t>((count << 16) | removed);
}

void CMakeMark::Compact(CChunkNav& nav)
{
    MergeDuplicatePatterns(nav);
    SplitLongPatterns(nav, 80);
    MergeDuplicatePatterns(nav);
}
