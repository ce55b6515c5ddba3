// Expanding a compact style tree on load: the analysis of how its slots play, its repairs, and the copy in
// which every chord variation track has a pattern of its own.
#include "events/Trace.h"
#include "sharing/CMakeMark.h"
#include "sharing/StyleTree.h"

#include <algorithm>
#include <cstring>

using namespace StyleTree;

namespace {
// Slot numbers the load analysis keeps track of.
constexpr size_t kMaxSlots = 64;
constexpr int32_t kExpansionMargin = 20000;

using PatternList = std::vector<std::pair<uint8_t, std::vector<uint8_t>>>;

bool HasEqualNeighbours(const std::vector<CCvPair>& pairs)
{
    return std::adjacent_find(pairs.begin(), pairs.end()) != pairs.end();
}

// a slot still playing at the end plays up to the later of the stream's end and the record's length).
bool PlayedDurations(const CCvRecord& record, size_t slots, std::vector<int64_t>& durations, bool& endMarks)
{
    std::vector<int64_t> started(slots, -1);
    durations.assign(slots, 0);
    CPackedReader reader(record.marks, record.marksSize);
    CChainPtr chain;
    uint32_t time = 0;
    auto stop = [&](size_t slot, int64_t at) {
        if (started[slot] >= 0)
            durations[slot] += at - started[slot];
        started[slot] = -1;
    };
    while (reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); event; event = event->next) {
            const int start = MarkSlot(*event, kStartMark);
            const int end = MarkSlot(*event, kEndMark);
            endMarks = endMarks || end >= 0;
            const int slot = std::max(start, end);
            if (slot < 0 || static_cast<size_t>(slot) >= slots)
                continue;
            stop(static_cast<size_t>(slot), time);
            if (start >= 0)
                started[static_cast<size_t>(slot)] = time;
        }
    }
    const int64_t endTime = std::max<int64_t>(reader.Time(), record.lengthTicks);
    for (size_t slot = 0; slot < slots; ++slot)
        stop(slot, endTime);
    return !reader.Failed();
}

void WriteLengthTicks(CChunkNav& nav, uint32_t lengthTicks)
{
    std::vector<uint8_t> bytes;
    AppendBE32(bytes, lengthTicks);
    nav.Write(0, bytes.data(), 4);
}

// The stored pattern record of a new stream.
std::vector<uint8_t> PatternRecord(uint8_t kind, uint32_t lengthTicks, const CPackedWriter& stream,
                                   const uint8_t trailer[2])
{
    std::vector<uint8_t> record;
    record.reserve(stream.Size() + 10);
    AppendBE32(record, lengthTicks);
    AppendBE32(record, static_cast<uint32_t>(stream.Size()));
    record.insert(record.end(), stream.Bytes(), stream.Bytes() + stream.Size());
    if (kind != 2) {
        record.push_back(trailer[0]);
        record.push_back(trailer[1]);
    }
    return record;
}

// The pattern of one run of equal neighbouring pairs [first, last): each start mark of a slot of the run
// ends the span of the slot started before it; an end mark of the playing slot ends its span.
bool ExpandRun(const CCvRecord& record, size_t first, size_t last, const uint16_t* references,
               const CPool& pool, std::vector<uint8_t>& out)
{
    CPackedWriter stream;
    CPackedReader reader(record.marks, record.marksSize);
    int playing = -1;
    uint32_t since = 0;
    bool ok = true;
    auto finishSpan = [&](uint32_t until) {
        if (playing >= 0)
            ok = ok &&
                 CMakeMark::CopyPatternSpan(pool.records[references[playing] - 1].view, stream, since, until);
        playing = -1;
    };
    CChainPtr chain;
    uint32_t time = 0;
    while (ok && reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); event; event = event->next) {
            const int start = MarkSlot(*event, kStartMark);
            if (start >= static_cast<int>(first) && start < static_cast<int>(last)) {
                finishSpan(time);
                playing = start;
                since = time;
            } else if (playing >= 0 && MarkSlot(*event, kEndMark) == playing) {
                finishSpan(time);
            }
        }
    }
    // The analysis plays every slot to the later of the stream's end and the chord variation's length,
    // and may have lengthened the record to a pattern it plays: the expanded pattern runs as far.
    const uint32_t endTime = std::max(reader.Time(), record.lengthTicks);
    finishSpan(endTime);
    if (!ok || reader.Failed() || !stream.Finish(endTime))
        return false;
    const CPoolRecord& pattern = pool.records[references[first] - 1];
    out = PatternRecord(pattern.id, endTime, stream, pattern.view.trailer);
    return true;
}

// The mark stream of an expanded chord variation: one start mark per slot at tick 0, then every other event
// of the old stream that lies before the chord variation's end.
bool ExpandedMarks(const CCvRecord& record, size_t slots, std::vector<uint8_t>& out)
{
    CPackedWriter stream;
    bool ok = true;
    for (size_t slot = 0; slot < slots; ++slot)
        ok = ok &&
             stream.WriteMeta(0, CEvent::PrivateMetaType, {kStartMark, static_cast<uint8_t>(slot), 0, 0});
    CPackedReader reader(record.marks, record.marksSize);
    CChainPtr chain;
    uint32_t time = 0;
    while (ok && reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); ok && event && time < record.lengthTicks;
             event = event->next)
            if (!event->IsEndOfTrack() && !IsPrivateMark(*event, kStartMark) &&
                !IsPrivateMark(*event, kEndMark))
                ok = stream.WriteEvent(time, *event);
    }
    return ok && FinishStream(reader, stream, record.lengthTicks, out);
}

// What replaces the pool and the chord variation records in an expanded copy.
struct CExpansion {
    PatternList patterns;
    std::vector<std::vector<uint8_t>> chordVars;
    size_t nextChordVar = 0;
};

ChunkStep AddLike(CChunkNav& dst, bool asChild, const CChunkNav& src, uint32_t size)
{
    const uint8_t chunkClass = (src.Flags() & CChunkNav::kFlagClass2) ? CChunkNav::kClass2 : C1;
    const uint8_t kind = IsData(src) ? kData : kContainer;
    return asChild ? dst.AddChild(chunkClass, kind, src.Id(), src.Aux1(), src.Aux2(), size)
                   : dst.AddSibling(chunkClass, kind, src.Id(), src.Aux1(), src.Aux2(), size);
}

bool AddData(CChunkNav& dst, bool asChild, uint8_t id, const std::vector<uint8_t>& bytes)
{
    const auto size = static_cast<uint32_t>(bytes.size());
    const ChunkStep step =
        asChild ? dst.AddChild(C1, kData, id, 0, 0, size) : dst.AddSibling(C1, kData, id, 0, 0, size);
    return step && dst.Write(0, bytes.data(), size);
}

bool WritePool(CChunkNav& dst, const PatternList& patterns)
{
    bool ok = AddData(dst, true, 1, CPoolListRec::Sequential(static_cast<uint16_t>(patterns.size())).Bytes());
    for (size_t i = 0; ok && i < patterns.size(); ++i)
        ok = AddData(dst, false, patterns[i].first, patterns[i].second);
    return ok && dst.Leave();
}

// Where a container lies: the content root, a style element, or anything else.
enum class Level { Root, Element, Other };

// Copies the children of src's current container into dst's current (empty) container, putting the new
// pool and chord variation records in place of the old. Both navigators end where they started.
bool CopyChildren(CChunkNav& src, CChunkNav& dst, Level level, CExpansion& expansion)
{
    if (!src.Enter(0, 0, 0))
        return true;
    bool first = true;
    bool ok = true;
    do {
        if (level == Level::Root && src.Id() == 2 && !IsData(src)) {
            ok = AddLike(dst, first, src, 0) && WritePool(dst, expansion.patterns);
        } else if (level == Level::Element && src.Id() == 3 && IsData(src)) {
            ok = expansion.nextChordVar < expansion.chordVars.size() &&
                 AddData(dst, first, 3, expansion.chordVars[expansion.nextChordVar++]);
        } else if (IsData(src)) {
            ok = AddLike(dst, first, src, src.DataSize()) && dst.Write(0, src.Data(), src.DataSize());
        } else {
            const Level inner = level == Level::Root && src.Id() == 3 ? Level::Element : Level::Other;
            ok = AddLike(dst, first, src, 0) && CopyChildren(src, dst, inner, expansion);
        }
        first = false;
    } while (ok && src.Next(0, 0, 0));
    src.Leave();
    return ok && dst.Leave();
}
} // namespace

CMakeMark::CMakeMark(CChunkNav& nav) : analysis(MeasureExpansion(nav, false))
{
    if (analysis > 0)
        expanded = ExpandChordVariations(nav, analysis);
}

int32_t CMakeMark::MeasureExpansion(CChunkNav& nav, bool strict)
{
    CPool pool;
    if (!ReadPool(nav, pool))
        return Corrupt("MeasureExpansion", "pattern pool");
    int64_t result = nav.Used();
    std::vector<uint32_t> lengths;
    for (const CPoolRecord& record : pool.records) {
        result -= kHeader + record.storedSize;
        lengths.push_back(record.view.lengthTicks);
    }
    bool compact = false;
    bool lengthsChanged = false;
    bool corrupt = false;
    size_t offset = 0;
    ForEachChordVar(nav, [&](CChunkNav& at) {
        for (size_t attempt = 0;; ++attempt) {
            CCvRecord record;
            std::vector<int64_t> durations;
            bool endMarks = false;
            if (!record.Read(at.Data(), at.DataSize()) ||
                offset + record.pairs.size() > pool.list.references.size() ||
                !PlayedDurations(record, std::min(record.pairs.size(), kMaxSlots), durations, endMarks)) {
                corrupt = true;
                return false;
            }
            compact = compact || endMarks || record.pairs.size() > 8 || HasEqualNeighbours(record.pairs);
            int64_t size = 0;
            bool again = false;
            for (size_t slot = 0; slot < durations.size() && !again; ++slot) {
                const int64_t played = durations[slot];
                if (played <= 0)
                    continue;
                const size_t r = pool.list.references[offset + slot] - 1u;
                const CPoolRecord& pattern = pool.records[r];
                if (pattern.id != record.pairs[slot].trackType + 2)
                    Trace("Warning! Pattern type && use in CV are inconsistent!");
                const int64_t length = lengths[r];
                // Only a repair that lengthens the chord variation can change the analysis: no endless retry.
                if (played < length && length > record.lengthTicks && attempt <= durations.size()) {
                    Trace("Warning! Uncorrect CV length found!\nForced to Pattern length.");
                    WriteLengthTicks(at, static_cast<uint32_t>(length));
                    again = true;
                    continue;
                }
                int64_t repeats = length > 0 ? played / length : 0;
                if (length <= 0 || played % length != 0 || (strict && !compact && length < played)) {
                    lengths[r] = static_cast<uint32_t>(std::min<int64_t>(played, UINT32_MAX));
                    repeats = 1;
                    lengthsChanged = true;
                }
                size += (int64_t{pattern.storedSize} * repeats) + kHeader;
            }
            if (again)
                continue;
            result += size;
            offset += record.pairs.size();
            return true;
        }
    });
    if (corrupt)
        return Corrupt("MeasureExpansion", "chord variation record");
    if (lengthsChanged) {
        Trace("Warning! Uncorrect Pattern length(s) found!\nForced to CV length.");
        EnterPoolList(nav);
        for (size_t i = 0; i < lengths.size() && nav.Next(0, C1, kData); ++i)
            if (lengths[i] != pool.records[i].view.lengthTicks)
                WriteLengthTicks(nav, lengths[i]);
        nav.Rewind();
    }
    if (!compact && result == nav.Used())
        return 0;
    return static_cast<int32_t>(std::min<int64_t>(result + kExpansionMargin, INT32_MAX));
}

std::unique_ptr<CStyleContent> CMakeMark::ExpandChordVariations(CChunkNav& source, int32_t sizeHint)
{
    CPool pool;
    if (!ReadPool(source, pool)) {
        Corrupt("ExpandChordVariations", "pattern pool");
        return nullptr;
    }
    CExpansion expansion;
    size_t offset = 0;
    bool ok = true;
    int64_t needed = source.Used() + 1024;
    ForEachChordVar(source, [&](CChunkNav& at) {
        CCvRecord record;
        ok = record.Read(at.Data(), at.DataSize()) &&
             offset + record.pairs.size() <= pool.list.references.size();
        const uint16_t* references = pool.list.references.data() + offset;
        offset += record.pairs.size();
        CCvRecord expandedCv;
        expandedCv.lengthTicks = record.lengthTicks;
        for (size_t first = 0; ok && first < record.pairs.size();) {
            size_t last = first + 1;
            while (last < record.pairs.size() && record.pairs[last] == record.pairs[first])
                ++last;
            auto& pattern = expansion.patterns.emplace_back(pool.records[references[first] - 1].id,
                                                            std::vector<uint8_t>());
            ok = ExpandRun(record, first, last, references, pool, pattern.second);
            needed += kHeader + static_cast<int64_t>(pattern.second.size());
            expandedCv.pairs.push_back(record.pairs[first]);
            first = last;
        }
        std::vector<uint8_t> marks;
        ok = ok && ExpandedMarks(record, expandedCv.pairs.size(), marks) &&
             expandedCv.Bytes(marks, expansion.chordVars.emplace_back());
        needed += ok ? kHeader + static_cast<int64_t>(expansion.chordVars.back().size()) : 0;
        return ok;
    });
    if (!ok || expansion.patterns.size() > UINT16_MAX) {
        Corrupt("ExpandChordVariations", "chord variation record");
        return nullptr;
    }
    const int64_t capacity = std::max<int64_t>(sizeHint, needed);
    if (capacity > INT32_MAX)
        return nullptr;
    auto content = CStyleContent::Create(static_cast<int32_t>(capacity), source.Aux1());
    if (!content)
        return nullptr;
    std::memcpy(content->buffer.get(), source.Header(), 4);
    if (!CopyChildren(source, *content->nav, Level::Root, expansion))
        return nullptr;
    content->nav->Rewind();
    return content;
}

bool CMakeMark::CopyPatternSpan(const CPatternData& pattern, CPackedWriter& out, uint32_t from, uint32_t to)
{
    CPackedReader reader(pattern.data, pattern.dataSize);
    for (int64_t pass = from; pass < to;) {
        reader.Rewind();
        CChainPtr chain;
        uint32_t time = 0;
        while (reader.Next(chain, time)) {
            const int64_t at = pass + time;
            if (chain->Class() == EventClass::Channel && at <= to &&
                !out.Write(static_cast<uint32_t>(at), chain.get()))
                return false;
        }
        if (reader.Failed())
            return false;
        // A pattern without length is played once.
        pass = reader.Time() > 0 ? pass + reader.Time() : to;
    }
    return true;
}
