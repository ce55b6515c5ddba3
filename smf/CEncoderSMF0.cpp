// Encoder of a format 0 MIDI file: event records to messages.
#include "smf/CEncoderSMF0.h"

#include "smf/CSmfBytes.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace {
constexpr uint8_t HeaderChunk[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0x80}; // 384 ticks
constexpr uint8_t TrackChunk[] = {'M', 'T', 'r', 'k'};
constexpr uint32_t Forever = std::numeric_limits<uint32_t>::max();

// Status byte (without channel) of the message of a channel kind, 0 when the kind has none.
uint8_t StatusOf(EventKind kind)
{
    switch (kind) {
    case EventKind::NoteOff:
    case EventKind::NoteOn:
    case EventKind::Note:
        return CSmfBytes::NoteOn;
    case EventKind::PolyPressure:
        return 0xA0;
    case EventKind::Control:
    case EventKind::ChannelMode:
        return 0xB0;
    case EventKind::Program:
        return 0xC0;
    case EventKind::ChannelPressure:
        return 0xD0;
    case EventKind::PitchBend:
        return 0xE0;
    default:
        return 0;
    }
}

uint8_t DataByte(uint8_t value)
{
    // A data byte with bit 7 set would read back as a status byte.
    return value & 0x7F;
}
} // namespace

CEncoderSMF0::CEncoderSMF0() = default;

CEncoderSMF0::~CEncoderSMF0() = default;

bool CEncoderSMF0::Open()
{
    assert(output);
    if (!CEncoderBase::Open())
        return false;
    runningStatus = 0;
    pendingOffs.clear();
    return PutHeaders(0);
}

bool CEncoderSMF0::Close()
{
    if (!CEncoderBase::Close())
        return false;
    return PutHeaders(output->GetPos() - HeaderBytes);
}

bool CEncoderSMF0::PutHeaders(uint32_t trackLength)
{
    const uint8_t lengthBytes[] = {static_cast<uint8_t>(trackLength >> 24),
                                   static_cast<uint8_t>(trackLength >> 16),
                                   static_cast<uint8_t>(trackLength >> 8), static_cast<uint8_t>(trackLength)};
    output->Seek(0, CStream::SeekBegin);
    output->Write(HeaderChunk, sizeof HeaderChunk);
    output->Write(TrackChunk, sizeof TrackChunk);
    output->Write(lengthBytes, sizeof lengthBytes);
    return Succeeded();
}

bool CEncoderSMF0::OnTime(uint32_t time)
{
    return PutHeldNoteOffs(time, Forever);
}

bool CEncoderSMF0::PutHeldNoteOffs(uint32_t due, uint32_t latest)
{
    while (!pendingOffs.empty() && pendingOffs.begin()->first <= due) {
        const auto [time, held] = *pendingOffs.begin();
        pendingOffs.erase(pendingOffs.begin());
        if (!PutNoteOff(std::min(time, latest), static_cast<uint8_t>(held >> 8), static_cast<uint8_t>(held)))
            return false;
    }
    return true;
}

bool CEncoderSMF0::EncodeDelta(uint32_t ticks)
{
    PutVarLen(ticks);
    return Succeeded();
}

void CEncoderSMF0::PutVarLen(uint32_t value)
{
    uint8_t bytes[4];
    output->Write(bytes, static_cast<uint32_t>(VarLenNum(value, bytes)));
}

void CEncoderSMF0::PutStatus(uint8_t status)
{
    if (status == runningStatus)
        return;
    runningStatus = status;
    output->WriteByte(status);
}

bool CEncoderSMF0::PutNoteOff(uint32_t time, uint8_t channel, uint8_t key)
{
    // A note-on of velocity 0 keeps running status going between the ons and offs of a channel.
    AdvanceTime(time);
    PutStatus(CSmfBytes::NoteOn | (channel & 0x0F));
    output->WriteByte(DataByte(key)).WriteByte(0);
    return Succeeded();
}

bool CEncoderSMF0::PutNote(uint32_t time, const CEvent& event)
{
    if (event.Duration() == 0)
        return PutNoteOff(time, event.Channel(), event.Data1());
    const uint64_t due = uint64_t{time} + event.Duration();
    const auto held = static_cast<uint16_t>(event.Channel() << 8 | event.Data1());
    pendingOffs.emplace(static_cast<uint32_t>(std::min<uint64_t>(due, Forever)), held);
    return true;
}

bool CEncoderSMF0::OnChannelMsg(uint32_t time, const CEvent& event)
{
    const EventKind kind = event.Kind();
    const uint8_t status = StatusOf(kind);
    if (!status)
        return false;
    if (kind == EventKind::NoteOff)
        return PutNoteOff(time, event.Channel(), event.Data1());
    // A failed delay does not stop the message: the ticks stay in the next delay.
    AdvanceTime(time);
    PutStatus(status | (event.Channel() & 0x0F));
    output->WriteByte(DataByte(event.Data1()));
    if (kind != EventKind::Program && kind != EventKind::ChannelPressure)
        output->WriteByte(DataByte(event.Data2()));
    if (!Succeeded())
        return false;
    return kind == EventKind::Note ? PutNote(time, event) : true;
}

void CEncoderSMF0::PutData(const CEvent& event, uint32_t from)
{
    const uint32_t length = event.Length();
    if (from >= length)
        return;
    if (event.IsExternal()) {
        output->Write(event.Buffer() + from, length - from);
        return;
    }
    for (uint32_t i = from; i < length; ++i)
        output->WriteByte(event.DataByte(i));
}

bool CEncoderSMF0::OnMetaEvent(uint32_t time, const CEvent& event)
{
    // A note reaching past the end is cut at the end rather than left sounding.
    if (event.IsEndOfTrack() && !PutHeldNoteOffs(Forever, time))
        return false;
    AdvanceTime(time);
    runningStatus = 0;
    output->WriteByte(CSmfBytes::Meta);
    if (event.MetaType() == CEvent::PrivateMetaType) {
        output->WriteByte(CSmfBytes::SequencerSpecific);
        PutVarLen(event.Length() + sizeof CSmfBytes::PrivatePrefix);
        output->Write(CSmfBytes::PrivatePrefix, sizeof CSmfBytes::PrivatePrefix);
    } else {
        output->WriteByte(event.MetaType());
        PutVarLen(event.Length());
    }
    PutData(event, 0);
    return Succeeded();
}

bool CEncoderSMF0::OnSysEx(uint32_t time, const CEvent& event)
{
    AdvanceTime(time);
    runningStatus = 0;
    const uint32_t length = event.Length();
    // Data that start with F0 are a complete message, stored in the standard form F0 len data;
    // anything else goes in the escape form F7 len data.
    if (length && event.DataByte(0) == CSmfBytes::SysEx) {
        output->WriteByte(CSmfBytes::SysEx);
        PutVarLen(length - 1);
        PutData(event, 1);
    } else {
        output->WriteByte(CSmfBytes::Escape);
        PutVarLen(length);
        PutData(event, 0);
    }
    return Succeeded();
}
