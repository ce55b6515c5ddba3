// Splitting long patterns of a built style tree into measure-aligned pieces played one after the other.
#include "events/Trace.h"
#include "packed/CPatternData.h"
#include "packed/CPatternState.h"
#include "sharing/CMakeMark.h"
#include "sharing/StyleTree.h"

#include <algorithm>
#include <cassert>

using namespace StyleTree;

namespace {
constexpr size_t kMaxPairs = 255;
constexpr size_t kManyPairs = 32;

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
