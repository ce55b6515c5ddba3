// Pattern records: stored form, trimming to a length and cutting into segments.
#include "packed/CPatternData.h"

#include "events/CBigEndian.h"
#include "events/CEventsPool.h"
#include "events/Trace.h"
#include "packed/CDecProp.h"
#include "packed/CMemEncoder.h"
#include "packed/EventChains.h"
#include "packed/PackedFormat.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
// Walks the chains of a pattern's stream with their absolute times.
class ChainWalk {
public:
    explicit ChainWalk(const CPatternData& pattern)
        : decoder(pattern.data, static_cast<int32_t>(pattern.dataSize)), delay(decoder.CurrentDelay())
    {
    }

    bool HasNext() const { return delay != CDecBase::NoDelay && decoder.PendingClass() != EventClass::None; }
    // True once the chain ending the stream has been taken. A walk that stops without it met damage
    // or an event pool that ran dry (more simultaneous events than it holds): what it took so far
    // is not the whole pattern.
    bool ReachedEnd() const { return decoder.IsFinished(); }
    // Absolute time of the chain the next Take hands out.
    uint32_t NextTime() const { return time + static_cast<uint32_t>(delay); }
    CChainPtr Take()
    {
        time = NextTime();
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractEvent(chain);
        return CChainPtr(chain);
    }

private:
    CDecProp decoder;
    int32_t delay;
    uint32_t time = 0;
};

// Cuts a chain before its first End of Track; those events are released.
CChainPtr WithoutEndOfTrack(CChainPtr chain)
{
    bool ended = false;
    return CChainPtr(KeepEvents(chain.release(), [&ended](const CEvent& event) {
        ended = ended || event.IsEndOfTrack();
        return !ended;
    }));
}

bool HasEndOfTrack(const CLinkedEvent* chain)
{
    for (; chain; chain = chain->next)
        if (chain->IsEndOfTrack())
            return true;
    return false;
}

// Shortens every Note and Sound of a chain written at `time` so that it ends by tick `end`;
// answers whether one was shortened. The coded duration rounds down, so it never ends later.
bool EndWholeNotesBy(CLinkedEvent* chain, uint32_t time, uint32_t end)
{
    bool shortened = false;
    for (; chain; chain = chain->next) {
        const EventKind kind = chain->Kind();
        if (kind != EventKind::Note && kind != EventKind::Sound)
            continue;
        const uint32_t room = end > time ? end - time : 0;
        if (chain->Duration() > room) {
            chain->data = CEvent::NoteData(room, chain->OffVelocity());
            shortened = true;
        }
    }
    return shortened;
}

// As EndWholeNotesBy, but a note whose shortened duration its coding cannot hold exactly (above 8191
// ticks the steps are 16) becomes a NoteOn/SoundOn, which the reset events end at `end` itself.
bool EndWholeNotesAt(CLinkedEvent* chain, uint32_t time, uint32_t end)
{
    bool shortened = false;
    const uint32_t room = end > time ? end - time : 0;
    for (; chain; chain = chain->next) {
        const EventKind kind = chain->Kind();
        if ((kind != EventKind::Note && kind != EventKind::Sound) || chain->Duration() <= room)
            continue;
        shortened = true;
        if (PackedFormat::DecodedDuration(room) == room) {
            chain->data = CEvent::NoteData(room, chain->OffVelocity());
            continue;
        }
        chain->header =
            CEvent::ChannelHeader(kind == EventKind::Note ? EventKind::NoteOn : EventKind::SoundOn,
                                  chain->Channel(), chain->Data1(), chain->Data2());
        chain->data = 0;
    }
    return shortened;
}
} // namespace

bool CPatternData::Load(const uint8_t* record, uint32_t recordSize, uint8_t recordKind, bool countEvents)
{
    kind = recordKind;
    lengthTicks = dataSize = eventCount = 0;
    trailer[0] = trailer[1] = 0;
    data = nullptr;
    segments.clear();
    const uint32_t trailerBytes = HasTrailer() ? 2 : 0;
    if (recordKind < DrumKind || recordKind > LastKind) {
        Trace("CPatternData::Load() - %u is no pattern record kind", recordKind);
        return false;
    }
    if (!record || recordSize < HeaderSize + trailerBytes) {
        Trace("CPatternData::Load() - record of %u bytes is too short", recordSize);
        return false;
    }
    // The stream size comes from the bytes: it must fit in the record it was read from.
    const uint32_t size = ReadBE32(record + 4);
    if (size > recordSize - HeaderSize - trailerBytes || size > INT32_MAX) {
        Trace("CPatternData::Load() - stream of %u bytes exceeds the record of %u", size, recordSize);
        return false;
    }
    lengthTicks = ReadBE32(record);
    dataSize = size;
    data = record + HeaderSize;
    if (trailerBytes) {
        trailer[0] = data[size];
        trailer[1] = data[size + 1];
    }
    if (!countEvents)
        return true;
    ChainWalk walk(*this);
    while (walk.HasNext())
        eventCount += static_cast<uint32_t>(CLinkedEvent::ChainLength(walk.Take().get()));
    if (walk.ReachedEnd())
        return true;
    Trace("CPatternData::Load() - the stream cannot be decoded to its end after %u events", eventCount);
    eventCount = 0;
    return false;
}

void CPatternData::Rebind(const CPatternData& other, const uint8_t* record)
{
    kind = other.kind;
    trailer[0] = other.trailer[0];
    trailer[1] = other.trailer[1];
    data = record + HeaderSize;
    lengthTicks = dataSize = eventCount = 0;
    segments.clear();
}

uint32_t CPatternData::StoredSize() const
{
    return HeaderSize + dataSize + (HasTrailer() ? 2 : 0);
}

uint32_t CPatternData::Store(uint8_t* out, uint32_t capacity) const
{
    const uint32_t stored = StoredSize();
    if (!out || capacity < stored)
        return 0;
    WriteBE32(out, lengthTicks);
    WriteBE32(out + 4, dataSize);
    if (dataSize > 0)
        std::memcpy(out + HeaderSize, data, dataSize);
    if (HasTrailer()) {
        out[HeaderSize + dataSize] = trailer[0];
        out[HeaderSize + dataSize + 1] = trailer[1];
    }
    return stored;
}

void CPatternData::Adopt(CPatternData& destination, const uint8_t* buffer, uint32_t size, uint32_t length,
                         uint32_t events) const
{
    destination.kind = kind;
    destination.trailer[0] = trailer[0];
    destination.trailer[1] = trailer[1];
    destination.data = buffer;
    destination.dataSize = size;
    destination.lengthTicks = length;
    destination.eventCount = events;
    destination.segments.clear();
}

CPatternData::TrimResult CPatternData::Trim(CPatternState& state, const CPatternData& source,
                                            CPatternData& destination, uint8_t* buffer, uint32_t capacity,
                                            bool inclusive)
{
    state.Reset();
    const uint32_t length = source.lengthTicks;
    const uint32_t limit = inclusive || length == 0 ? length : length - 1;
    // Where closing events go; a pattern of no length keeps them at tick 0.
    const uint32_t lastTick = length == 0 ? 0 : length - 1;
    CMemEncoder encoder(buffer, capacity, CNoteForm::Kept);
    bool changed = false;
    bool written = true;
    uint32_t kept = 0;
    uint32_t stopTime = 0;
    ChainWalk walk(source);
    bool stopped = false;
    while (written && walk.HasNext()) {
        stopTime = walk.NextTime();
        if (stopTime > limit) {
            changed = stopped = true;
            break;
        }
        CChainPtr chain = walk.Take();
        if (chain->Class() != EventClass::Channel)
            continue; // Meta and SysEx are dropped; End of Track is written anew
        uint32_t at = stopTime;
        if (at == length && length > 0) {
            at = lastTick;
            changed = true;
        }
        // A whole note still sounding at the last tick ends there, as a sounding split note does.
        changed = EndWholeNotesAt(chain.get(), at, lastTick) || changed;
        CChainPtr remaining(KeepEvents(chain.release(), [&](const CEvent& event) {
            const bool removed = state.Apply(event, at);
            changed = changed || removed;
            kept += !removed;
            return !removed;
        }));
        if (remaining)
            written = encoder.WriteChainAt(at, remaining.get());
    }
    if (!written || (!stopped && !walk.ReachedEnd())) {
        Trace("CPatternData::Trim() - the pattern cannot be %s whole", written ? "decoded" : "written");
        return TrimResult::Failed;
    }
    if (!state.IsNeutral(lastTick)) {
        CLinkedEvent* resets = nullptr;
        const int built = state.BuildResetEvents(resets);
        CChainPtr owned(resets);
        if (built == 0 || !encoder.WriteChainAt(lastTick, owned.get())) {
            Trace("CPatternData::Trim() - the pattern cannot be brought back to neutral");
            return TrimResult::Failed;
        }
        kept += static_cast<uint32_t>(built);
        changed = true;
    }
    if (!encoder.Finish(length)) {
        Trace("CPatternData::Trim() - no room for the End of Track");
        return TrimResult::Failed;
    }
    encoder.Close();
    const uint32_t sourceSize = source.dataSize;
    source.Adopt(destination, buffer, encoder.Size(), length, kept + 1);
    changed = changed || destination.dataSize != sourceSize || stopTime != length;
    return changed ? TrimResult::Changed : TrimResult::Unchanged;
}

uint32_t CPatternData::BuildSegments(CPatternState& state, uint16_t signature, uint32_t targetEvents)
{
    segments.clear();
    if (targetEvents == 0 || eventCount < uint64_t{targetEvents} + targetEvents / 2)
        return 0;
    if (eventCount > 4 * uint64_t{targetEvents})
        targetEvents = static_cast<uint32_t>((uint64_t{eventCount} + targetEvents / 2) / 4);
    const uint32_t numerator = signature >> 8;
    const uint32_t denominator = signature & 0xFF;
    const uint32_t measure = denominator ? numerator * 1536 / denominator : 0;
    if (measure == 0)
        return 0;
    uint32_t minimum = targetEvents;
    uint32_t maximum = targetEvents;
    if (lengthTicks >= measure) {
        minimum = std::max<uint32_t>(targetEvents / 2, 1);
        maximum = targetEvents + targetEvents / 2;
    }

    state.Reset();
    segments.reserve(eventCount / minimum + 3);
    ChainWalk walk(*this);
    CSegment current;
    current.firstDelay = walk.HasNext() ? walk.NextTime() : 0;
    uint32_t seen = 0;
    uint32_t previous = 0;
    bool ended = false;
    while (walk.HasNext()) {
        const uint32_t t = walk.NextTime();
        const uint32_t held = seen - current.firstEvent;
        const bool full = held >= maximum;
        if (eventCount > seen + minimum && (full || (held >= minimum && t / measure > previous / measure))) {
            // No note may sound across the cut: it would lose its end to the next piece.
            const uint32_t cut = full ? t : t / measure * measure;
            if (state.IsNeutral(cut)) {
                current.duration = cut - current.startTime;
                current.segmentEvents = held;
                segments.push_back(current);
                current = CSegment{};
                current.startTime = cut;
                current.firstDelay = t - cut;
                current.firstEvent = seen;
            }
        }
        CChainPtr chain = walk.Take();
        for (const CLinkedEvent* event = chain.get(); event; event = event->next) {
            ++seen;
            if (event->Class() == EventClass::Channel)
                state.Apply(*event, t);
        }
        ended = HasEndOfTrack(chain.get());
        previous = t;
    }
    if (!walk.ReachedEnd()) {
        Trace("CPatternData::BuildSegments() - the stream cannot be decoded to its end; not cut");
        segments.clear();
        return 0;
    }
    current.duration = previous - current.startTime;
    // The End of Track is not counted: each extracted segment gets its own.
    current.segmentEvents = seen - current.firstEvent - (ended && seen > current.firstEvent ? 1 : 0);
    segments.push_back(current);
    return static_cast<uint32_t>(segments.size() - 1);
}

bool CPatternData::ExtractSegment(const CPatternData& source, CPatternData& destination, uint32_t index,
                                  uint8_t* buffer, uint32_t capacity)
{
    if (index >= source.segments.size())
        return false;
    const CSegment segment = source.segments[index];
    ChainWalk walk(source);
    for (uint32_t passed = 0; passed < segment.firstEvent && walk.HasNext();)
        passed += static_cast<uint32_t>(CLinkedEvent::ChainLength(walk.Take().get()));

    CMemEncoder encoder(buffer, capacity, CNoteForm::Kept);
    const uint32_t firstTime = walk.HasNext() ? walk.NextTime() : 0;
    uint32_t taken = 0;
    uint32_t written = 0;
    bool ok = true;
    while (ok && taken < segment.segmentEvents && walk.HasNext()) {
        const uint32_t at = segment.firstDelay + (walk.NextTime() - firstTime);
        CChainPtr chain = walk.Take();
        taken += static_cast<uint32_t>(CLinkedEvent::ChainLength(chain.get()));
        chain = WithoutEndOfTrack(std::move(chain));
        if (!chain)
            continue;
        // Cuts lie where nothing sounds, so only notes past the pattern's own end need this.
        EndWholeNotesBy(chain.get(), at, segment.duration);
        written += static_cast<uint32_t>(CLinkedEvent::ChainLength(chain.get()));
        ok = encoder.WriteChainAt(at, chain.get());
    }
    // A segment's events all lie before the stream's end: running out of them first is damage.
    if (!ok || taken < segment.segmentEvents || !encoder.Finish(segment.duration)) {
        Trace("CPatternData::ExtractSegment() - segment %u cannot be %s whole", index,
              ok ? "decoded" : "written");
        return false;
    }
    encoder.Close();
    source.Adopt(destination, buffer, encoder.Size(), segment.duration, written + 1);
    return true;
}
