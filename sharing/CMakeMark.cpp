// Expanding compact style trees on load and compacting built ones on save.
#include "sharing/CMakeMark.h"

#include "bank/CNstStream.h"
#include "events/Trace.h"
#include "packed/CPatternData.h"
#include "packed/CPatternState.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <unordered_map>

namespace {
constexpr uint8_t C1 = CChunkNav::kClass1;
constexpr uint8_t kData = CChunkNav::kData;
constexpr uint8_t kContainer = CChunkNav::kContainer;
constexpr int64_t kHeader = CChunkNav::kHeaderSize;
// Slot numbers the load analysis keeps track of.
constexpr size_t kMaxSlots = 64;
constexpr size_t kMaxPairs = 255;
constexpr size_t kManyPairs = 32;
constexpr int32_t kExpansionMargin = 20000;

using PatternList = std::vector<std::pair<uint8_t, std::vector<uint8_t>>>;

bool IsData(const CChunkNav& nav)
{
    return (nav.Flags() & CChunkNav::kFlagData) != 0;
}

bool IsPatternRecord(const CChunkNav& nav)
{
    return IsData(nav) && nav.Id() >= 2 && nav.Id() <= 4;
}

// One pattern record of the pool, read in place.
struct CPoolRecord {
    uint8_t id = 0;
    uint32_t storedSize = 0;
    const uint8_t* bytes = nullptr;
    CPatternRecView view;
};

struct CPool {
    CPoolListRec list;
    std::vector<CPoolRecord> records;
};

// From the root: style header, pool, pool list record.
bool EnterPoolList(CChunkNav& nav)
{
    nav.Rewind();
    return nav.Enter(CChunkNav::MatchId(1), C1, kData) && nav.Next(CChunkNav::MatchId(2), C1, kContainer) &&
           nav.Enter(CChunkNav::MatchId(1), C1, kData);
}

// Reads the pool list and every pattern record after it; false when one is missing or corrupt or a
// reference names no record. The navigator is left at the root.
bool ReadPool(CChunkNav& nav, CPool& pool)
{
    bool ok = EnterPoolList(nav) && pool.list.Read(nav.Data(), nav.DataSize());
    while (ok && nav.Next(0, C1, kData) && IsPatternRecord(nav)) {
        CPoolRecord& record = pool.records.emplace_back();
        record.id = nav.Id();
        record.storedSize = nav.DataSize();
        record.bytes = nav.Data();
        ok = record.view.Read(record.bytes, record.storedSize, record.id);
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

bool HasEqualNeighbours(const std::vector<CCvPair>& pairs)
{
    return std::adjacent_find(pairs.begin(), pairs.end()) != pairs.end();
}

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

// Ends a rewritten stream at `end` and hands out its bytes; false when the old stream did not decode.
bool FinishStream(const CPackedReader& reader, CPackedWriter& stream, uint32_t end, std::vector<uint8_t>& out)
{
    if (reader.Failed() || !stream.Finish(end))
        return false;
    out = stream.TakeBytes();
    return true;
}

// --- Expansion ---

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

// --- Splitting ---

// How one segment of a split pattern is played.
struct CSegmentUse {
    uint32_t start = 0;
    uint32_t end = 0;
    size_t piece = 0; // which kept piece holds its events
    bool writeStart = true;
    bool writeEnd = true;
};

struct CSplit {
    std::vector<std::vector<uint8_t>> pieces;
    std::vector<CSegmentUse> uses;
    uint32_t lengthTicks = 0;
    size_t Extra() const { return pieces.size() - 1; }
};

// Cuts the pattern record at the navigator into measure-aligned pieces; false when it stays whole.
bool CutPattern(const CChunkNav& nav, uint16_t signature, int targetEvents, CSplit& split)
{
    CPatternData pattern(nav.Id());
    if (!pattern.Load(nav.Data(), nav.DataSize(), nav.Id(), true))
        return false;
    CPatternState state;
    const uint32_t last = pattern.BuildSegments(state, signature, static_cast<uint32_t>(targetEvents));
    if (last == 0)
        return false;
    split.lengthTicks = pattern.lengthTicks;
    std::vector<uint8_t> buffer(2 * size_t{pattern.dataSize} + 64);
    for (uint32_t index = 0; index <= last; ++index) {
        CPatternData piece(nav.Id());
        if (!CPatternData::ExtractSegment(pattern, piece, index, buffer.data(),
                                          static_cast<uint32_t>(buffer.size())))
            return false;
        std::vector<uint8_t> bytes(piece.StoredSize());
        piece.Store(bytes.data(), static_cast<uint32_t>(bytes.size()));
        const auto same = std::find(split.pieces.begin(), split.pieces.end(), bytes);
        CSegmentUse& use = split.uses.emplace_back();
        use.start = pattern.Segment(index).startTime;
        use.end = use.start + pattern.Segment(index).duration;
        use.piece = static_cast<size_t>(same - split.pieces.begin());
        if (same == split.pieces.end())
            split.pieces.push_back(std::move(bytes));
        // A piece repeating the previous segment's piece simply keeps its slot playing.
        if (index > 0 && split.uses[index - 1].piece == use.piece) {
            split.uses[index - 1].writeEnd = false;
            use.writeStart = false;
        }
    }
    return true;
}

// True when every slot in `slots` starts once, at tick 0, is never stopped, and the chord variation is as
// long as the pattern: only such whole plays are cut.
bool PlayedWhole(const CCvRecord& record, const std::vector<bool>& split, uint32_t patternLength)
{
    if (record.lengthTicks != patternLength)
        return false;
    std::vector<int> starts(split.size(), 0);
    CPackedReader reader(record.marks, record.marksSize);
    CChainPtr chain;
    uint32_t time = 0;
    bool whole = true;
    while (whole && reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); event; event = event->next) {
            const int start = MarkSlot(*event, kStartMark);
            const int end = MarkSlot(*event, kEndMark);
            const int slot = std::max(start, end);
            if (slot < 0 || static_cast<size_t>(slot) >= split.size() || !split[static_cast<size_t>(slot)])
                continue;
            whole = whole && end < 0 && time == 0 && ++starts[static_cast<size_t>(slot)] == 1;
        }
    }
    for (size_t slot = 0; slot < split.size(); ++slot)
        whole = whole && (!split[slot] || starts[slot] == 1);
    return whole && !reader.Failed();
}

// A mark of the rewritten stream.
struct CNewMark {
    uint32_t time;
    uint8_t code;
    uint8_t slot;
    bool operator<(const CNewMark& other) const
    {
        // At one time an end mark comes before the start mark of the piece that follows it.
        return time != other.time ? time < other.time : code > other.code;
    }
};

bool WriteMark(CPackedWriter& stream, const CNewMark& mark)
{
    return mark.code == kStartMark
               ? stream.WriteMeta(mark.time, CEvent::PrivateMetaType, {kStartMark, mark.slot, 0, 0})
               : stream.WriteMeta(mark.time, CEvent::PrivateMetaType, {kEndMark, mark.slot});
}

// The mark stream of a chord variation whose slots flagged in `split` play the pieces of `cut`: each split
// slot becomes 1 + Extra() slots, later slots are renumbered, other events are kept at their times.
bool SplitMarks(const CCvRecord& record, const std::vector<bool>& split, const CSplit& cut,
                std::vector<uint8_t>& out)
{
    const size_t extra = cut.Extra();
    std::vector<size_t> newSlot(split.size());
    std::vector<CNewMark> marks;
    for (size_t slot = 0, shift = 0; slot < split.size(); ++slot) {
        newSlot[slot] = slot + shift;
        if (!split[slot])
            continue;
        shift += extra;
        for (const CSegmentUse& use : cut.uses) {
            const auto piece = static_cast<uint8_t>(newSlot[slot] + use.piece);
            if (use.writeStart)
                marks.push_back({use.start, kStartMark, piece});
            if (use.writeEnd && use.end < record.lengthTicks)
                marks.push_back({use.end, kEndMark, piece});
        }
    }
    std::sort(marks.begin(), marks.end());
    CPackedWriter stream;
    size_t next = 0;
    bool ok = true;
    auto flushUntil = [&](int64_t time) {
        for (; ok && next < marks.size() && marks[next].time <= time; ++next)
            ok = WriteMark(stream, marks[next]);
    };
    CPackedReader reader(record.marks, record.marksSize);
    CChainPtr chain;
    uint32_t time = 0;
    while (ok && reader.Next(chain, time)) {
        flushUntil(time);
        for (const CLinkedEvent* event = chain.get(); ok && event; event = event->next) {
            const int start = MarkSlot(*event, kStartMark);
            const int end = MarkSlot(*event, kEndMark);
            const int slot = std::max(start, end);
            if (event->IsEndOfTrack() ||
                (slot >= 0 && static_cast<size_t>(slot) < split.size() && split[static_cast<size_t>(slot)]))
                continue;
            if (slot >= 0 && static_cast<size_t>(slot) < split.size())
                ok = WriteMark(stream, {time, start >= 0 ? kStartMark : kEndMark,
                                        static_cast<uint8_t>(newSlot[static_cast<size_t>(slot)])});
            else
                ok = stream.WriteEvent(time, *event);
        }
    }
    flushUntil(INT64_MAX);
    return ok && FinishStream(reader, stream, record.lengthTicks, out);
}

// A chord variation record to rewrite, by its position among the records in tree order.
struct CRewrite {
    size_t index;
    std::vector<uint8_t> bytes;
    size_t pairs;
};

// Plans the chord variation rewrites and the new references for splitting pattern k (0-based) into the
// pieces of `cut`; false when a chord variation cannot take the split.
bool PlanSplit(CChunkNav& nav, size_t k, const CSplit& cut, std::vector<uint16_t>& references,
               std::vector<CRewrite>& rewrites)
{
    const size_t extra = cut.Extra();
    const auto named = static_cast<uint16_t>(k + 1);
    std::vector<uint16_t> renumbered;
    size_t offset = 0;
    size_t index = 0;
    bool ok = true;
    ForEachChordVar(nav, [&](CChunkNav& at) {
        CCvRecord record;
        ok = record.Read(at.Data(), at.DataSize()) && offset + record.pairs.size() <= references.size();
        if (!ok)
            return false;
        std::vector<bool> split(record.pairs.size());
        CCvRecord changed;
        changed.lengthTicks = record.lengthTicks;
        for (size_t slot = 0; slot < record.pairs.size(); ++slot) {
            const uint16_t reference = references[offset + slot];
            split[slot] = reference == named;
            renumbered.push_back(reference > named ? static_cast<uint16_t>(reference + extra) : reference);
            changed.pairs.push_back(record.pairs[slot]);
            for (size_t piece = 1; split[slot] && piece <= extra; ++piece) {
                renumbered.push_back(static_cast<uint16_t>(named + piece));
                changed.pairs.push_back(record.pairs[slot]);
            }
        }
        offset += record.pairs.size();
        if (std::find(split.begin(), split.end(), true) != split.end()) {
            std::vector<uint8_t> marks;
            ok = changed.pairs.size() <= kMaxPairs && PlayedWhole(record, split, cut.lengthTicks) &&
                 SplitMarks(record, split, cut, marks);
            CRewrite& rewrite = rewrites.emplace_back();
            rewrite = {index, {}, changed.pairs.size()};
            ok = ok && changed.Bytes(marks, rewrite.bytes);
        }
        ++index;
        return ok;
    });
    if (ok)
        references = std::move(renumbered);
    return ok;
}

// Bytes the tree grows by when the rewrites are applied.
int64_t RewriteGrowth(CChunkNav& nav, const std::vector<CRewrite>& rewrites)
{
    int64_t growth = 0;
    size_t index = 0;
    auto next = rewrites.begin();
    ForEachChordVar(nav, [&](CChunkNav& at) {
        if (next != rewrites.end() && next->index == index) {
            growth += static_cast<int64_t>(next->bytes.size()) - at.DataSize();
            ++next;
        }
        ++index;
        return next != rewrites.end();
    });
    return growth;
}

void ApplyRewrites(CChunkNav& nav, const std::vector<CRewrite>& rewrites)
{
    size_t index = 0;
    auto next = rewrites.begin();
    ForEachChordVar(nav, [&](CChunkNav& at) {
        if (next != rewrites.end() && next->index == index) {
            at.Resize(static_cast<uint32_t>(next->bytes.size()));
            at.Write(0, next->bytes.data(), static_cast<uint32_t>(next->bytes.size()));
            if (next->pairs >= kManyPairs)
                Trace("Warning! Many Cv Patterns %d", static_cast<int>(next->pairs));
            ++next;
        }
        ++index;
        return next != rewrites.end();
    });
}

// Splits the pattern record at the navigator (pool index k); answers the number of records added (the
// navigator then rests on the last piece), or 0 with the navigator unmoved when the pattern stays whole.
size_t SplitOne(CChunkNav& nav, size_t k, uint16_t signature, int targetEvents,
                std::vector<uint16_t>& references)
{
    CSplit cut;
    if (!CutPattern(nav, signature, targetEvents, cut))
        return 0;
    const uint8_t* header = nav.Header();
    const uint16_t depth = nav.Depth();
    std::vector<uint16_t> renumbered = references;
    std::vector<CRewrite> rewrites;
    const bool planned = PlanSplit(nav, k, cut, renumbered, rewrites);
    int64_t growth = 2 * static_cast<int64_t>(renumbered.size() - references.size()) -
                     static_cast<int64_t>(nav.DataSize()) - kHeader;
    if (planned)
        growth += RewriteGrowth(nav, rewrites);
    nav.Seek(header, depth);
    // The pieces go in before the whole record comes out: they must fit next to it.
    int64_t pieces = 0;
    for (const auto& piece : cut.pieces)
        pieces += kHeader + static_cast<int64_t>(piece.size());
    if (!planned || pieces > nav.Free() || growth + pieces > nav.Free())
        return 0;
    for (const auto& piece : cut.pieces) {
        const bool inserted = nav.InsertAfter(static_cast<uint32_t>(piece.size())) &&
                              nav.Write(0, piece.data(), static_cast<uint32_t>(piece.size()));
        assert(inserted);
        (void)inserted;
    }
    nav.Seek(header, depth);
    nav.Remove();
    for (size_t i = 0; i < cut.Extra(); ++i)
        nav.Next(0, C1, kData);
    const uint8_t* last = nav.Header();
    ApplyRewrites(nav, rewrites);
    nav.Seek(last, depth);
    references = std::move(renumbered);
    return cut.Extra();
}
} // namespace

// --- Loading ---

CMakeMark::CMakeMark(CChunkNav& nav) : analysis(MeasureExpansion(nav, false))
{
    if (analysis > 0)
        expanded = ExpandChordVariations(nav, analysis);
}

uint16_t CMakeMark::FirstElementSignature(CChunkNav& nav)
{
    const uint8_t* header = nav.Header();
    const uint16_t depth = nav.Depth();
    uint16_t signature = 0;
    nav.Rewind();
    for (bool going = nav.Enter(0, 0, 0).ok; going; going = nav.Next(0, 0, 0).ok) {
        if (nav.Id() != 3 || IsData(nav))
            continue;
        if (nav.Enter(CChunkNav::MatchId(1), C1, kData) && nav.DataSize() >= 3) {
            const uint8_t b = nav.Data()[2];
            signature = static_cast<uint16_t>(((b >> 3) << 8) | (1u << (b & 7)));
        }
        break;
    }
    nav.Rewind();
    if (depth > 0)
        nav.Seek(header, depth);
    return signature;
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

bool CMakeMark::CopyPatternSpan(const CPatternRecView& pattern, CPackedWriter& out, uint32_t from,
                                uint32_t to)
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

// --- Saving ---

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

void CMakeMark::SplitLongPatterns(CChunkNav& nav, int targetEvents)
{
    uint16_t signature = FirstElementSignature(nav);
    if ((signature >> 8) == 0 || (signature & 0xFF) == 0)
        signature = 0x0404;
    CPool pool;
    if (targetEvents <= 0 || !ReadPool(nav, pool))
        return;
    std::vector<uint16_t> references = pool.list.references;
    size_t count = pool.records.size();
    EnterPoolList(nav);
    for (size_t k = 0; nav.Next(0, C1, kData) && IsPatternRecord(nav); ++k) {
        if (nav.Aux2() != 0)
            continue;
        const size_t added = SplitOne(nav, k, signature, targetEvents, references);
        k += added;
        count += added;
    }
    pool.list.references = std::move(references);
    pool.list.patternCount = static_cast<uint16_t>(std::min<size_t>(count, UINT16_MAX));
    WritePoolList(nav, pool.list);
}

void CMakeMark::Compact(CChunkNav& nav)
{
    MergeDuplicatePatterns(nav);
    SplitLongPatterns(nav, 80);
    MergeDuplicatePatterns(nav);
}
