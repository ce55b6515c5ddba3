// Packed event stream decoder.
#include "packed/CDecProp.h"

#include "events/CEvBuffersPool.h"
#include "events/CEventsPool.h"
#include "events/Trace.h"
#include "packed/CEncResource.h"
#include "packed/CGrowBuffer.h"
#include "packed/EventChains.h"
#include "packed/PackedFormat.h"

#include <cstring>

namespace {
constexpr size_t StoreGrowStep = 4096;

// Bounds-checked reading of one packed event; every read checks the bytes left first.
struct Reader {
    const uint8_t* p;
    const uint8_t* end;

    bool Has(size_t n) const { return static_cast<size_t>(end - p) >= n; }
    // Skips up to and including the first byte with bit 7 set; false when the stream ends first.
    bool SkipMarked()
    {
        while (p != end)
            if (*p++ & PackedFormat::MarkBit)
                return true;
        return false;
    }
    uint32_t Length14() const { return uint32_t(p[1] & 0x7F) << 7 | (p[2] & 0x7F); }
};

// Every SysEx form puts back the framing bytes its writer removed.
struct SysExFraming {
    bool leadingF0;
    bool trailingF7;
};

SysExFraming FramingOf(uint8_t form)
{
    switch (form) {
    case 0:
        return {true, true};
    case 1:
        return {true, false};
    case 2:
        return {false, false};
    default:
        return {false, true};
    }
}

// The heap leaves bits 6-7 of a recycled block's count byte as it found them; a decoded buffer starts
// with bit 7 clear.
void ClearBufferFlag(uint8_t* payload)
{
    CEvBuffersPool::HeaderOf(payload).refCount &= 0x7F;
}

// Fills `event` with a SysEx whose `stored` bytes start at `bytes`; the last carries the mark.
void BuildSysEx(CLinkedEvent& event, uint8_t form, const uint8_t* bytes, uint32_t stored)
{
    const SysExFraming framing = FramingOf(form);
    const uint32_t length = stored + framing.leadingF0 + framing.trailingF7;
    uint8_t* out = EvBuffersPool().Alloc(length);
    event.header = CEvent::SysExHeader(length);
    event.data = reinterpret_cast<uintptr_t>(out);
    if (framing.leadingF0)
        *out++ = 0xF0;
    std::memcpy(out, bytes, stored);
    if (stored > 0)
        out[stored - 1] &= 0x7F;
    if (framing.trailingF7)
        out[stored] = 0xF7;
    ClearBufferFlag(event.Buffer());
}

bool IsEndOfStream(const CEvent& meta)
{
    if (meta.MetaType() == CEvent::EndOfTrackType)
        return true;
    return meta.MetaType() == CEvent::PrivateMetaType && meta.Length() > 0 && meta.DataByte(0) == 1;
}
} // namespace

CDecProp::CDecProp(const uint8_t* stream, int32_t streamSize)
{
    SetBuffer(stream, streamSize);
}

CDecProp::CDecProp(const CDecProp& other) : CDecBase()
{
    CopyFrom(other);
}

CDecProp& CDecProp::operator=(const CDecProp& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CDecProp::CopyFrom(const CDecProp& other)
{
    snapshotDelay = other.snapshotDelay;
    snapshotElapsed = other.snapshotElapsed;
    currentDelay = other.currentDelay;
    elapsedTime = other.elapsedTime;
    cursor = other.cursor;
    size = other.size;
    endTime = other.endTime;
    buffer = other.buffer;
    channel = other.channel;
    finished = other.finished;
    pendingClass = other.pendingClass;
    pendingStart = other.pendingStart;
    pendingChannel = other.pendingChannel;
    photos = other.photos ? std::make_unique<CPhotosList>() : nullptr;
    EventsPool().ReleaseEvents(pending);
    pending = EventsPool().CopyChain(other.pending);
    if (other.pending && !pending)
        finished = 0; // no look-ahead: the copy reports failure rather than a silent early end
}

CDecProp::~CDecProp()
{
    EventsPool().ReleaseEvents(pending);
}

int CDecProp::Reset()
{
    CDecBase::Reset();
    cursor = buffer;
    Prepare(0);
    return 1;
}

void CDecProp::SetBuffer(const uint8_t* stream, int32_t streamSize)
{
    buffer = stream;
    size = stream && streamSize > 0 ? streamSize : 0;
    elapsedTime = 0;
    SetCurrentDelay(OnRewind());
}

int32_t CDecProp::OnRewind()
{
    cursor = buffer;
    pendingChannel = 0;
    return Prepare(0);
}

// Inlined into its two callers: it runs once per decoded event.
[[gnu::always_inline]] inline CLinkedEvent* CDecProp::DecodeOne(uint32_t& delta)
{
    using namespace PackedFormat;
    Reader in{cursor, buffer + size};
    // Damage, or the end of the bytes: decoding stops where it got to.
    const auto stop = [&]() -> CLinkedEvent* {
        cursor = in.p;
        return nullptr;
    };
    for (;;) {
        if (finished)
            return nullptr;
        pendingStart = in.p;
        pendingChannel = channel;

        // At most four delta groups precede the code byte; more is damage, and capping the count
        // keeps every delay within 28 bits.
        uint32_t ticks = 0;
        uint8_t code = 0;
        for (int groups = 0;; ++groups) {
            if (in.p == in.end || groups > MaxDeltaBytes)
                return stop();
            code = *in.p++;
            if (!(code & MarkBit))
                break;
            ticks = ticks << 7 | (code & 0x7F);
        }
        if (code & IncrementBit) {
            if (!in.Has(1))
                return stop();
            channel = static_cast<uint8_t>((channel + *in.p++) & 0x7F);
        }

        const uint8_t kind = code & KindMask;
        if (kind == SkipBlockKind) {
            cursor = in.p;
            if (SkipBlock() != 0) {
                if (cursor < in.p || cursor > in.end)
                    return nullptr;
                in.p = cursor;
            } else if (!in.SkipMarked()) {
                return stop();
            }
            continue; // the block's delta is dropped
        }
        if (kind == EndOfDataKind) {
            in.SkipMarked();
            return stop();
        }

        const int operands = OperandBytes(kind);
        if (operands < 0 || !in.Has(static_cast<size_t>(operands)))
            return stop();
        uint32_t dataLength = 0;
        if (kind == MetaKind || kind == SysExKind) {
            dataLength = in.Length14();
            if (!in.Has(3 + size_t{dataLength}))
                return stop();
        }
        CLinkedEvent* event = events.GetNewEvent();
        if (!event)
            return stop();
        const uint8_t* op = in.p;
        switch (static_cast<EventKind>(kind)) {
        case EventKind::Program:
        case EventKind::ChannelPressure:
            event->header = CEvent::ChannelHeader(static_cast<EventKind>(kind), channel, op[0] & 0x7F, 0);
            break;
        case EventKind::Note:
        case EventKind::Sound:
            event->header = CEvent::ChannelHeader(static_cast<EventKind>(kind), channel, op[0], op[1] & 0x7F);
            event->data = CEvent::NoteData(DecodeDuration(op[2], op[3]), op[4] & 0x7F);
            break;
        case EventKind::Meta:
            event->SetMeta(op[0], op + 3, dataLength);
            if (event->IsExternal())
                ClearBufferFlag(event->Buffer());
            if (IsEndOfStream(*event))
                finished = 1;
            break;
        case EventKind::SysEx:
            BuildSysEx(*event, op[0], op + 3, dataLength);
            break;
        default: // the two-operand channel kinds
            event->header = CEvent::ChannelHeader(static_cast<EventKind>(kind), channel, op[0], op[1] & 0x7F);
            break;
        }
        cursor = in.p + operands + dataLength;
        delta = ticks;
        return event;
    }
}

int32_t CDecProp::Prepare(uint8_t startChannel)
{
    finished = size == 0;
    channel = startChannel;
    EventsPool().ReleaseEvents(pending);
    pending = nullptr;
    pendingClass = EventClass::None;
    if (finished)
        return NoDelay;
    uint32_t delta = 0;
    pending = DecodeOne(delta);
    if (!pending) {
        Trace("CDecProp::Prepare() - stream of events is corrupted");
        return NoDelay;
    }
    pendingClass = pending->Class();
    SetCurrentDelay(static_cast<int32_t>(delta));
    return static_cast<int32_t>(delta);
}

int32_t CDecProp::ExtractEvent(CLinkedEvent*& chain)
{
    chain = pending;
    if (!pending)
        return NoDelay;
    CLinkedEvent* tail = pending;
    for (;;) {
        uint32_t delta = 0;
        CLinkedEvent* event = DecodeOne(delta);
        if (!event) {
            pending = nullptr;
            pendingClass = EventClass::None;
            return NoDelay;
        }
        const EventClass eventClass = event->Class();
        if (delta != 0 || eventClass != pendingClass) {
            pending = event;
            pendingClass = eventClass;
            return static_cast<int32_t>(delta);
        }
        tail->next = event;
        tail = event;
    }
}

bool CDecProp::Accept(const CEvent& event)
{
    switch (event.Class()) {
    case EventClass::Channel:
        return AcceptChannel(event);
    case EventClass::Meta:
        return AcceptMeta(event);
    case EventClass::SysEx:
        return AcceptSysEx(event);
    case EventClass::None:
        break;
    }
    return false;
}

int32_t CDecProp::ExtractFiltered(CLinkedEvent*& chain)
{
    CLinkedEvent* head = nullptr;
    const int32_t result = ExtractEvent(head);
    chain = head;
    if (!head)
        return result;
    const bool headAccepted = Accept(*head);
    CLinkedEvent* rest = KeepEvents(head->next, [this](const CEvent& event) { return Accept(event); });
    head->next = nullptr;
    if (headAccepted) {
        head->next = rest;
    } else if (rest) {
        EventsPool().ReleaseEvents(head);
        chain = rest;
    } else {
        // A chain refused whole still carries its time: a filler takes its place.
        head->ReleaseBuffer();
        head->header = CEvent::FillerHeader;
        head->data = 0;
    }
    return result;
}

int CDecProp::Snapshot()
{
    CDecBase::Snapshot();
    photos = std::make_unique<CPhotosList>();
    return 1;
}

int CDecProp::Restore()
{
    CDecBase::Restore();
    photos.reset();
    return 1;
}

int CDecProp::Transcode(int32_t firstDelay, CDecBase& source, CEncoderBase& encoder)
{
    int32_t delay = firstDelay;
    for (;;) {
        if (source.IsFinished())
            return 0;
        CLinkedEvent* chain = nullptr;
        const int32_t next = source.ExtractTimed(chain);
        if (!chain)
            return 1;
        const uint32_t time = encoder.CurTime() + static_cast<uint32_t>(delay > 0 ? delay : 0);
        const bool written = encoder.WriteChainAt(time, chain);
        EventsPool().ReleaseEvents(chain);
        if (!written)
            return 2;
        delay = next;
    }
}

bool CDecProp::StoreEvents(CDecBase& source, CGrowBuffer& target, bool noteMode)
{
    // Addresses rather than pointers are compared: the stream may belong to another buffer.
    const auto at = reinterpret_cast<uintptr_t>(buffer);
    const auto first = reinterpret_cast<uintptr_t>(target.Begin());
    const auto length = static_cast<size_t>(size);
    if (buffer != nullptr && (at < first || length > target.Used() || at - first > target.Used() - length)) {
        Trace("CDecProp::StoreEvents - stream does not lie inside the target");
        return false;
    }
    const size_t insertOffset = buffer ? at - first : target.Used();
    const size_t usedBefore = target.Used();
    int result = 0;
    uint32_t storedEnd = 0;
    {
        CEncResource encoder(target, StoreGrowStep, insertOffset);
        encoder.SetNoteMode(noteMode);
        encoder.Open();
        result = Transcode(source.RewindTimed(), source, encoder);
        encoder.Close();
        storedEnd = encoder.GetEndTime();
    }
    const int32_t grown = static_cast<int32_t>(target.Used() - usedBefore);
    const uint8_t* stream = target.Begin() + insertOffset;
    switch (result) {
    case 1:
        Trace("CDecProp::StoreEvents - Events decoding failed");
        SetBuffer(stream, 0);
        return false;
    case 2:
        Trace("CDecProp::StoreEvents - Events encoding failed");
        SetBuffer(stream, 0);
        endTime = 0;
        return false;
    default:
        // The target may have moved while growing: bind to the stream's new place.
        SetBuffer(stream, size + grown);
        endTime = static_cast<int32_t>(storedEnd);
        return true;
    }
}
