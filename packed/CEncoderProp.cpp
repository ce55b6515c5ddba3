// Packed event stream encoder.
#include "packed/CEncoderProp.h"

#include "events/Trace.h"
#include "packed/PackedFormat.h"

#include <algorithm>
#include <cstring>

using namespace PackedFormat;

namespace {
// Room for the longest channel event: 4 delta bytes, code, increment and 5 operands.
constexpr uint32_t ChannelEventRoom = 11;
// Delta, code, type or form, and two length bytes around the data of a Meta or SysEx.
constexpr uint32_t DataEventRoom = 8;
constexpr uint8_t ShutOffVelocity = 64;

// The data bytes of a Meta or SysEx event; inline bytes are unpacked into `local`. Null for an
// event that claims more inline bytes than the data word holds.
const uint8_t* DataOf(const CEvent& event, uint8_t (&local)[4])
{
    if (event.IsExternal())
        return event.Buffer();
    if (event.Length() > 4)
        return nullptr;
    for (int i = 0; i < 4; ++i)
        local[i] = static_cast<uint8_t>(event.Inline() >> (8 * i));
    return local;
}
} // namespace

int PropFormEncodeDelta(uint32_t ticks, uint8_t*& cursor, int& count)
{
    count = 0;
    if (ticks > MaxDelta) {
        Trace("PropFormEncodeDelta - Tick out of range");
        return 0;
    }
    if (ticks != 0)
        count = ticks < 0x80 ? 1 : ticks <= 0x3FFF ? 2 : ticks <= 0x1FFFFF ? 3 : 4;
    for (int i = count - 1; i >= 0; --i)
        *cursor++ = static_cast<uint8_t>(MarkBit | ((ticks >> (7 * i)) & 0x7F));
    return 1;
}

bool CEncoderProp::Open()
{
    if (!CEncoderBase::Open())
        return false;
    channel = 0;
    noteTracer.Clear();
    soundTracer.Clear();
    maxOffTime = 0;
    offTimeLimit = 0xFFFFFFFF;
    return true;
}

bool CEncoderProp::Close()
{
    if (!CEncoderBase::Close())
        return false;
    if (!noteTracer.IsEmpty())
        Trace("CEncoderProp::OnClose() - Note Tracer is not empty");
    if (!soundTracer.IsEmpty())
        Trace("CEncoderProp::OnClose() - Sound Tracer is not empty");
    static constexpr uint8_t EndOfTrackTail[3] = {CEvent::EndOfTrackType, 0, 0};
    if (Size() < 3 || std::memcmp(cursor - 3, EndOfTrackTail, 3) != 0)
        Trace("CEncoderProp::Close() - EOT not found");
    return true;
}

void CEncoderProp::SetOutput(uint8_t* buffer, uint32_t capacity)
{
    begin = cursor = buffer;
    limit = buffer + capacity;
}

void CEncoderProp::MoveOutput(uint8_t* buffer, uint32_t capacity, uint32_t written)
{
    begin = buffer;
    cursor = buffer + written;
    limit = buffer + capacity;
}

bool CEncoderProp::EnsureRoom(uint32_t bytes)
{
    return static_cast<size_t>(limit - cursor) >= bytes || Reserve(bytes);
}

bool CEncoderProp::Reserve(uint32_t)
{
    return false;
}

bool CEncoderProp::EncodeDelta(uint32_t ticks)
{
    int count = 0;
    return EnsureRoom(MaxDeltaBytes) && PropFormEncodeDelta(ticks, cursor, count) != 0;
}

[[gnu::always_inline]] inline void CEncoderProp::PutCode(uint8_t kind, uint8_t eventChannel)
{
    if (eventChannel == channel) {
        Put(kind);
        return;
    }
    Put(kind | IncrementBit);
    Put(static_cast<uint8_t>((eventChannel - channel) & 0x7F));
    channel = eventChannel;
}

// The writers below run once per event: PutTime and PutTimeAndCode are inlined into them.
[[gnu::always_inline]] inline void CEncoderProp::PutTime(uint32_t time)
{
    // AdvanceTime with this class's EncodeDelta, without the virtual call: the writers have
    // already made room. An out-of-range delay leaves the event undelayed; the ticks stay pending
    // for the next one.
    const uint32_t ticks = time - lastTime;
    int count = 0;
    if (ticks < 0x80) {
        if (ticks != 0)
            Put(static_cast<uint8_t>(MarkBit | ticks));
    } else if (!PropFormEncodeDelta(ticks, cursor, count)) {
        return;
    }
    lastTime = time;
}

[[gnu::always_inline]] inline void CEncoderProp::PutTimeAndCode(uint32_t time, uint8_t kind,
                                                                uint8_t eventChannel)
{
    PutTime(time);
    PutCode(kind, eventChannel);
}

void CEncoderProp::PutDuration(uint32_t ticks)
{
    const uint32_t coded = EncodeDuration(ticks);
    Put(static_cast<uint8_t>(coded >> 7 & 0x7F));
    Put(static_cast<uint8_t>(coded & 0x7F));
}

void CEncoderProp::CloseNote(int32_t position, uint32_t onTime, uint32_t offTime, uint8_t offVelocity)
{
    offTime = std::min(offTime, offTimeLimit);
    const uint32_t coded = EncodeDuration(offTime - onTime);
    begin[position] = static_cast<uint8_t>(coded >> 7 & 0x7F);
    begin[position + 1] = static_cast<uint8_t>(coded & 0x7F);
    begin[position + 2] = offVelocity | MarkBit;
    maxOffTime = std::max(maxOffTime, offTime);
}

bool CEncoderProp::OpenNote(uint32_t time, const CEvent& event, bool sound)
{
    PutTimeAndCode(time, static_cast<uint8_t>(sound ? EventKind::Sound : EventKind::Note), event.Channel());
    Put(event.Data1());
    Put(event.Data2());
    const auto position = static_cast<int32_t>(Size());
    Put(0);
    Put(0);
    Put(MarkBit);
    // A refused record leaves the placeholder (duration 0, off velocity 0) as it is.
    (sound ? soundTracer : noteTracer)
        .Add(static_cast<uint16_t>(event.header >> 8), position, static_cast<int16_t>(time - curTime),
             curTime);
    return true;
}

void CEncoderProp::CloseTraced(const CEvent& event, bool sound)
{
    CNotesTracer::Open open{};
    if ((sound ? soundTracer : noteTracer).Take(static_cast<uint16_t>(event.header >> 8), open)) {
        CloseNote(open.position, open.onBase + open.onOffset, curTime + open.onOffset, event.Data2());
        return;
    }
    if (sound)
        Trace("CEncoderProp::OnChannelMsg - Redundant Sound-Off not encoded.");
    else
        Trace("CEncoderProp::OnChannelMsg - Redundant Note-Off not encoded.");
}

bool CEncoderProp::WriteNote(uint32_t time, const CEvent& event)
{
    if (!EnsureRoom(ChannelEventRoom))
        return false;
    PutTimeAndCode(time, static_cast<uint8_t>(event.Kind()), event.Channel());
    Put(event.Data1());
    Put(event.Data2());
    PutDuration(event.Duration());
    Put(event.OffVelocity() | MarkBit);
    return true;
}

bool CEncoderProp::OnChannelMsg(uint32_t time, const CEvent& event)
{
    if (!EnsureRoom(ChannelEventRoom))
        return false;
    const EventKind kind = event.Kind();
    switch (kind) {
    case EventKind::NoteOff:
    case EventKind::SoundOff:
        if (!noteMode)
            break;
        CloseTraced(event, kind == EventKind::SoundOff);
        return true;
    case EventKind::NoteOn:
    case EventKind::SoundOn:
        if (!noteMode)
            break;
        return OpenNote(time, event, kind == EventKind::SoundOn);
    case EventKind::Note:
    case EventKind::Sound:
        return noteMode && WriteNote(time, event);
    case EventKind::Program:
    case EventKind::ChannelPressure:
        PutTimeAndCode(time, static_cast<uint8_t>(kind), event.Channel());
        Put(event.Data1() | MarkBit);
        return true;
    case EventKind::PolyPressure:
    case EventKind::Control:
    case EventKind::PitchBend:
    case EventKind::ChannelMode:
        break;
    default:
        return false;
    }
    PutTimeAndCode(time, static_cast<uint8_t>(kind), event.Channel());
    Put(event.Data1());
    Put(event.Data2() | MarkBit);
    return true;
}

bool CEncoderProp::PutDataEvent(uint32_t time, uint8_t kind, uint8_t typeOrForm, const uint8_t* bytes,
                                uint32_t count, uint32_t room)
{
    if (!EnsureRoom(room))
        return false;
    // Meta and SysEx events never carry a channel increment: the running channel stays as it is.
    PutTime(time);
    Put(kind);
    Put(typeOrForm);
    Put(static_cast<uint8_t>(count >> 7));
    Put(static_cast<uint8_t>(count & 0x7F));
    std::memcpy(cursor, bytes, count);
    cursor += count;
    return true;
}

bool CEncoderProp::OnMetaEvent(uint32_t time, const CEvent& event)
{
    const uint32_t length = event.Length();
    uint8_t local[4];
    const uint8_t* bytes = DataOf(event, local);
    if (!bytes || length > MaxLength) {
        Trace("CEncoderProp::OnMetaEvent - %u data bytes cannot be packed", length);
        return false;
    }
    return PutDataEvent(time, MetaKind, event.MetaType(), bytes, length, length + DataEventRoom);
}

bool CEncoderProp::OnSysEx(uint32_t time, const CEvent& event)
{
    const uint32_t length = event.Length();
    uint8_t local[4];
    const uint8_t* bytes = DataOf(event, local);
    // The form tells the reader which framing bytes to put back.
    const bool leadingF0 = bytes && length > 0 && bytes[0] == 0xF0;
    const bool trailingF7 = bytes && length > (leadingF0 ? 1u : 0u) && bytes[length - 1] == 0xF7;
    const uint8_t form = leadingF0 ? (trailingF7 ? 0 : 1) : (trailingF7 ? 3 : 2);
    const uint32_t stored = length - leadingF0 - trailingF7;
    if (!bytes || stored > MaxLength) {
        Trace("CEncoderProp::OnSysEx - %u data bytes cannot be packed", length);
        return false;
    }
    if (!PutDataEvent(time, SysExKind, form, bytes + leadingF0, stored, length + DataEventRoom))
        return false;
    if (stored > 0)
        cursor[-1] |= MarkBit;
    return true;
}

void CEncoderProp::ShutTracer(uint32_t time, bool sound)
{
    CNotesTracer& tracer = sound ? soundTracer : noteTracer;
    CNotesTracer::Open open{};
    while (tracer.TakeFirst(open)) {
        const uint32_t onTime = open.onBase + open.onOffset;
        const uint32_t offTime = time + open.onOffset;
        const unsigned key = open.key >> 8;
        const int track = open.key & 0xFF;
        if (sound)
            Trace("CEncoderProp::ShutNotes() - SOUND Shut: Key=0x%X Trk=%d On=%d Off=%d", key, track,
                  static_cast<int>(onTime), static_cast<int>(offTime));
        else
            Trace("CEncoderProp::ShutNotes() - NOTE Shut: Key=0x%X Trk=%d On=%d Off=%d", key, track,
                  static_cast<int>(onTime), static_cast<int>(offTime));
        CloseNote(open.position, onTime, offTime, ShutOffVelocity);
    }
}

int CEncoderProp::ShutNotes(uint32_t time)
{
    ShutTracer(time, false);
    ShutTracer(time, true);
    return 0;
}

uint32_t CEncoderProp::GetEndTime() const
{
    return std::max(lastTime, maxOffTime);
}

bool CEncoderProp::ShiftTime(uint32_t ticks)
{
    const bool shifted = CEncoderBase::ShiftTime(ticks);
    noteTracer.Shift(ticks);
    soundTracer.Shift(ticks);
    return shifted;
}

bool CEncoderProp::OnSlotRecord(const uint8_t* record, uint32_t length, uint8_t recordChannel,
                                uint8_t channelAfter)
{
    const uint8_t* p = record;
    const uint8_t* end = record + length;
    while (p != end && (*p & MarkBit))
        ++p;
    const bool hasIncrement = p != end && (*p & IncrementBit);
    if (p == end || (hasIncrement && end - p < 2) || !EnsureRoom(length + 5))
        return false;
    PutTime(curTime);
    const uint8_t code = *p++;
    if (recordChannel == channel) {
        Put(code);
    } else if (hasIncrement) {
        const uint8_t increment = *p++;
        const int target = (recordChannel + increment) & 0x7F;
        if (target == channel) {
            // The increment is no longer needed; its mark bit moves to the byte that follows.
            Put(code & ~IncrementBit);
            if (p != end)
                Put(*p++ | (increment & MarkBit));
        } else {
            Put(code);
            Put(static_cast<uint8_t>(((target - channel) & 0x7F) | (increment & MarkBit)));
        }
    } else {
        Put(code | IncrementBit);
        Put(static_cast<uint8_t>((recordChannel - channel) & 0x7F));
    }
    const auto rest = static_cast<size_t>(end - p);
    std::memcpy(cursor, p, rest);
    cursor += rest;
    channel = channelAfter;
    return true;
}
