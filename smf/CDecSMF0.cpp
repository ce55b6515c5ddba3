// Decoder of a format 0 MIDI track: messages to event records.
#include "smf/CDecSMF0.h"

#include "events/Trace.h"
#include "smf/CSmfBytes.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {
constexpr uint8_t ReleaseVelocity = 64;
constexpr uint8_t FirstModeController = 120;
// Enough for the longest message head: a 4-byte delay, status, type and a 4-byte length.
constexpr uint32_t HeadBytes = 10;

void MakeFiller(CEvent& event)
{
    event.header = CEvent::FillerHeader;
    event.data = 0;
}

int EndOfData()
{
    Trace("\nCDecSMF0::OnExtract() - Unexpected end of file reached");
    return CDecStream::ReadFailed;
}

// Number of payload bytes a private event of `selector` carries after the selector, given the
// `rest` bytes that follow it in the file; false when `selector` is not a private one.
bool PrivatePayload(uint8_t selector, size_t rest, size_t& payload)
{
    switch (selector) {
    case 5:
    case 6:
        payload = 0;
        return true;
    case 7:
        payload = rest;
        return true;
    case 8:
        payload = 4;
        return true;
    case 9:
    case 11:
        payload = 1;
        return true;
    case 10:
        payload = 3;
        return true;
    default:
        return false;
    }
}
} // namespace

CDecSMF0::CDecSMF0(uint32_t division) : CDecStream(division) {}

CDecSMF0::~CDecSMF0()
{
    if (input)
        input->Close();
}

bool CDecSMF0::SetChunk(std::unique_ptr<CIn> chunk)
{
    assert(chunk);
    if (input) {
        Trace("\nCDecSMF0::SetChunk() - Cannot decode more than one chunk");
        return false;
    }
    // Memory inputs are ready at once; a stream that is not ready after opening is refused
    // rather than waited for.
    if (!chunk->Open(nullptr, CStream::ModeRead) || !chunk->IsReady() || chunk->GetError()) {
        Trace("\nCDecSMF0::SetChunk() - Failed to open CIn");
        chunk->Close();
        return false;
    }
    input = std::move(chunk);
    return true;
}

void CDecSMF0::ResetMessageState()
{
    runningStatus = 0;
    savedDelay = 0xFFFFFFFF;
    phase = PhaseDelay;
    isMeta = 0;
    pendingType = 0;
    pendingLength = 0;
}

bool CDecSMF0::RewindInput()
{
    if (!input)
        return false;
    input->Seek(0, CStream::SeekBegin);
    ResetMessageState();
    return true;
}

bool CDecSMF0::ReadByte(uint8_t& byte)
{
    return input->ReadByte(&byte);
}

int CDecSMF0::ReadVarLen(uint32_t& value)
{
    switch (CSmfBytes::ReadVarLen(*input, value)) {
    case CSmfBytes::VarLen::Ok:
        return ReadOk;
    case CSmfBytes::VarLen::EndOfData:
        return EndOfData();
    case CSmfBytes::VarLen::TooLong:
        break;
    }
    Trace("\nCDecSMF0::OnExtractEvent() - Bad variable-length number");
    return ReadFailed;
}

int CDecSMF0::OnExtractEvent(uint32_t& delay, CEvent& event)
{
    assert(input);
    // A track must end with End of Track; running out of data before it is a failure.
    if (input->GetPos() >= input->GetSize())
        return EndOfData();
    if (phase == PhaseData) {
        delay = savedDelay;
        return ReadPendingData(event);
    }
    if (input->IsPending(HeadBytes)) {
        if (input->GetError())
            return ReadFailed;
        phase = PhaseWaiting;
        return ReadWaiting;
    }
    phase = PhaseDelay;
    uint8_t status;
    if (const int read = ReadVarLen(delay); read != ReadOk)
        return read;
    if (!ReadByte(status))
        return EndOfData();
    if (status < CSmfBytes::SysEx)
        return ReadChannelMessage(status, event);
    savedDelay = delay;
    const int head = ReadMessageHead(status);
    return head == ReadOk ? ReadPendingData(event) : head;
}

int CDecSMF0::ReadChannelMessage(uint8_t first, CEvent& event)
{
    uint8_t data1 = first;
    if (first & 0x80) {
        runningStatus = first;
        if (!ReadByte(data1))
            return EndOfData();
        if (data1 & 0x80) {
            MakeFiller(event);
            return ReadOk;
        }
    }
    if (!runningStatus) {
        Trace("\nCDecSMF0::OnExtractEvent() - Missing status byte");
        return ReadFailed;
    }
    auto kind = static_cast<EventKind>((runningStatus >> 4) & 7);
    const auto channel = static_cast<uint8_t>(runningStatus & 0x0F);
    uint8_t data2 = 0;
    // Program change and channel pressure (C0-DF) carry one data byte, the others two.
    if (kind != EventKind::Program && kind != EventKind::ChannelPressure) {
        if (!ReadByte(data2))
            return EndOfData();
        if (data2 & 0x80) {
            if (kind != EventKind::NoteOff) {
                MakeFiller(event);
                return ReadOk;
            }
            data2 = ReleaseVelocity;
        }
        if (kind == EventKind::NoteOn && data2 == 0) {
            kind = EventKind::NoteOff;
            data2 = ReleaseVelocity;
        }
        if (kind == EventKind::Control && data1 >= FirstModeController)
            kind = EventKind::ChannelMode;
    }
    event.header = CEvent::ChannelHeader(kind, channel, data1, data2);
    event.data = 0;
    return ReadOk;
}

int CDecSMF0::ReadMessageHead(uint8_t status)
{
    if (status == CSmfBytes::Meta) {
        isMeta = 1;
        if (!ReadByte(pendingType))
            return EndOfData();
    } else if (status == CSmfBytes::SysEx || status == CSmfBytes::Escape) {
        isMeta = 0;
        pendingType = status;
    } else {
        Trace("\nCDecSMF0::OnExtractEvent() - Illegal status code");
        return ReadFailed;
    }
    if (const int read = ReadVarLen(pendingLength); read != ReadOk)
        return read;
    // F0 messages keep their status byte in front of the data.
    const uint32_t stored = pendingLength + (pendingType == CSmfBytes::SysEx && !isMeta ? 1 : 0);
    if (stored > CEvent::MaxLength) {
        Trace("\nCDecSMF0::OnExtractEvent() - Event too long: %u bytes", pendingLength);
        return ReadFailed;
    }
    return ReadOk;
}

int CDecSMF0::ReadPendingData(CEvent& event)
{
    if (input->IsPending(pendingLength)) {
        phase = PhaseData;
        return ReadWaiting;
    }
    const uint32_t available = input->GetSize() - input->GetPos();
    if (pendingLength > available)
        return EndOfData();
    const bool withStatus = !isMeta && pendingType == CSmfBytes::SysEx;
    scratch.resize(pendingLength + (withStatus ? 1 : 0));
    if (withStatus)
        scratch[0] = CSmfBytes::SysEx;
    input->Read(scratch.data() + (withStatus ? 1 : 0), pendingLength);
    if (!isMeta)
        MakeSysEx(event);
    else if (pendingType == CSmfBytes::SequencerSpecific)
        MakeSequencerSpecific(event);
    else
        MakeMeta(event);
    isMeta = 0;
    phase = PhaseDelay;
    return ReadOk;
}

void CDecSMF0::MakeMeta(CEvent& event)
{
    // 0x7E is the system's own type and cannot come from a file; 0x80 and above are undefined.
    if (pendingType >= CEvent::PrivateMetaType) {
        MakeFiller(event);
        return;
    }
    // End of Track carries no data; one that claims some still ends the track.
    if (pendingType == CEvent::EndOfTrackType) {
        event.header = CEvent::EndOfTrackHeader;
        event.data = 0;
        return;
    }
    if (pendingType == CSmfBytes::SetTempo &&
        (scratch.size() < 3 || (scratch[0] == 0 && scratch[1] == 0 && scratch[2] == 0))) {
        Trace("\nCDecSMF0::OnExtractEvent() - Set Tempo without a tempo ignored");
        MakeFiller(event);
        return;
    }
    event.SetMeta(pendingType, scratch.data(), static_cast<uint32_t>(scratch.size()));
}

void CDecSMF0::MakeSequencerSpecific(CEvent& event)
{
    if (scratch.empty()) {
        MakeFiller(event);
        return;
    }
    const bool prefixed =
        scratch.size() > 2 &&
        std::equal(std::begin(CSmfBytes::PrivatePrefix), std::end(CSmfBytes::PrivatePrefix), scratch.begin());
    size_t payload = 0;
    if (!prefixed || !PrivatePayload(scratch[2], scratch.size() - 3, payload)) {
        event.SetMeta(CSmfBytes::SequencerSpecific, scratch.data(), static_cast<uint32_t>(scratch.size()));
        return;
    }
    // The private event is the selector and its payload: surplus bytes are dropped, missing ones
    // are 0.
    scratch.resize(3 + payload, 0);
    event.SetMeta(CEvent::PrivateMetaType, scratch.data() + 2, static_cast<uint32_t>(scratch.size() - 2));
}

void CDecSMF0::MakeSysEx(CEvent& event)
{
    if (scratch.empty()) {
        MakeFiller(event);
        return;
    }
    const auto length = static_cast<uint32_t>(scratch.size());
    std::memcpy(event.SetExternal(true, 0, length), scratch.data(), length);
}
