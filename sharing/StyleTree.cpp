// Reading and writing the pattern pool of a style content tree.
#include "sharing/StyleTree.h"

#include "events/Trace.h"

namespace StyleTree {

bool EnterPoolList(CChunkNav& nav)
{
    nav.Rewind();
    return nav.Enter(CChunkNav::MatchId(1), C1, kData) && nav.Next(CChunkNav::MatchId(2), C1, kContainer) &&
           nav.Enter(CChunkNav::MatchId(1), C1, kData);
}

bool ReadPool(CChunkNav& nav, CPool& pool)
{
    bool ok = EnterPoolList(nav) && pool.list.Read(nav.Data(), nav.DataSize());
    while (ok && nav.Next(0, C1, kData) && IsPatternRecord(nav)) {
        CPoolRecord& record = pool.records.emplace_back();
        record.id = nav.Id();
        record.storedSize = nav.DataSize();
        record.bytes = nav.Data();
        ok = record.view.Load(record.bytes, record.storedSize, record.id, false);
    }
    for (uint16_t reference : pool.list.references)
        ok = ok && reference <= pool.records.size();
    nav.Rewind();
    return ok;
}

bool WritePoolList(CChunkNav& nav, const CPoolListRec& list)
{
    const std::vector<uint8_t> bytes = list.Bytes();
    const bool ok = EnterPoolList(nav) && nav.Resize(static_cast<uint32_t>(bytes.size())) &&
                    nav.Write(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
    nav.Rewind();
    return ok;
}

// Calls visit(nav) with the navigator on each chord variation record, in tree order, until visit answers
// false. The visitor may resize the record it is on. Ends at the root.

int32_t Corrupt(const char* operation, const char* what)
{
    Trace("CMakeMark::%s() - style content corrupt: %s", operation, what);
    return -1;
}

// Slot number of a start or end mark.

int MarkSlot(const CEvent& event, uint8_t code)
{
    return IsPrivateMark(event, code) && event.Length() >= 2 ? event.DataByte(1) : -1;
}

// Played time of each of the first `slots` slots of a chord variation (start marks open, end marks close;

bool FinishStream(const CPackedReader& reader, CPackedWriter& stream, uint32_t end, std::vector<uint8_t>& out)
{
    if (reader.Failed() || !stream.Finish(end))
        return false;
    out = stream.TakeBytes();
    return true;
}

} // namespace StyleTree
