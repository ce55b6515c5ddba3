// The pattern pool and chord variation records of a style content tree, as the tree converters walk
// them. Internal to the conversions between the compact and the expanded form.
#pragma once

#include "bank/chunk/CChunkNav.h"
#include "bank/model/CNstRecords.h"
#include "packed/CPackedStream.h"
#include "packed/CPatternData.h"

#include <cstdint>
#include <vector>

namespace StyleTree {
constexpr uint8_t C1 = CChunkNav::kClass1;
constexpr uint8_t kData = CChunkNav::kData;
constexpr uint8_t kContainer = CChunkNav::kContainer;
constexpr int64_t kHeader = CChunkNav::kHeaderSize;

inline bool IsData(const CChunkNav& nav)
{
    return (nav.Flags() & CChunkNav::kFlagData) != 0;
}

inline bool IsPatternRecord(const CChunkNav& nav)
{
    return IsData(nav) && nav.Id() >= 2 && nav.Id() <= 4;
}

// One pattern record of the pool, read in place.
struct CPoolRecord {
    uint8_t id = 0;
    uint32_t storedSize = 0;
    const uint8_t* bytes = nullptr;
    CPatternData view;
};

struct CPool {
    CPoolListRec list;
    std::vector<CPoolRecord> records;
};

// From the root: style header, pool, pool list record.
bool EnterPoolList(CChunkNav& nav);
// Reads the pool list and every pattern record after it; false when one is missing or corrupt or a
// reference names no record. The navigator is left at the root.
bool ReadPool(CChunkNav& nav, CPool& pool);
bool WritePoolList(CChunkNav& nav, const CPoolListRec& list);

// Calls visit(nav) with the navigator on each chord variation record, in tree order, until visit answers
// false. The visitor may resize the record it is on. Ends at the root.
template <class Visit> void ForEachChordVar(CChunkNav& nav, Visit visit)
{
    nav.Rewind();
    bool going = nav.Enter(0, C1, 0).ok;
    while (going) {
        if (nav.Id() == 3 && !IsData(nav) && nav.Enter(0, C1, 0)) {
            do {
                if (nav.Id() == 3 && IsData(nav))
                    going = visit(nav);
            } while (going && nav.Next(0, C1, 0));
            nav.Leave();
        }
        going = going && nav.Next(0, C1, 0);
    }
    nav.Rewind();
}

// Traces "CMakeMark::<operation>() - style content corrupt: <what>" and answers -1.
int32_t Corrupt(const char* operation, const char* what);
// Slot number of a start or end mark (`code`), or -1 for any other event.
int MarkSlot(const CEvent& event, uint8_t code);
// Ends a rewritten stream at `end` and hands out its bytes; false when the old stream did not decode.
bool FinishStream(const CPackedReader& reader, CPackedWriter& stream, uint32_t end,
                  std::vector<uint8_t>& out);
} // namespace StyleTree
