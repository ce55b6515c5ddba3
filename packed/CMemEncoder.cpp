// Packed event encoder over memory, splitting notes into on and off events.
#include "packed/CMemEncoder.h"

#include <algorithm>

CMemEncoder::CMemEncoder(uint8_t* buffer, uint32_t capacity, CNoteForm noteForm) : form(noteForm)
{
    SetNoteMode(form == CNoteForm::Paired);
    SetOutput(buffer, capacity);
    Open();
}

CMemEncoder::CMemEncoder(CNoteForm noteForm)
    : form(noteForm), ownsBuffer(1), storage(std::make_unique<uint8_t[]>(GrowthMargin))
{
    SetNoteMode(form == CNoteForm::Paired);
    SetOutput(storage.get(), GrowthMargin);
    Open();
}

bool CMemEncoder::Open()
{
    if (!CEncoderProp::Open())
        return false;
    pendingOffs.Clear();
    return true;
}

bool CMemEncoder::OnTime(uint32_t time)
{
    while (pendingOffs.Count() > 0 && static_cast<uint32_t>(pendingOffs.Top().time) <= time) {
        const auto offTime = static_cast<uint32_t>(pendingOffs.Top().time);
        CEvent off;
        off.header = pendingOffs.Pop();
        if (!CEncoderProp::OnChannelMsg(offTime, off))
            return false;
    }
    return true; // the base's OnTime has nothing to do
}

bool CMemEncoder::OnChannelMsg(uint32_t time, const CEvent& event)
{
    const EventKind kind = event.Kind();
    if (form == CNoteForm::Paired || (kind != EventKind::Note && kind != EventKind::Sound))
        return CEncoderProp::OnChannelMsg(time, event);
    if (form == CNoteForm::Kept)
        return WriteNote(time, event);
    const bool sound = kind == EventKind::Sound;
    CEvent on;
    on.header = CEvent::ChannelHeader(sound ? EventKind::SoundOn : EventKind::NoteOn, event.Channel(),
                                      event.Data1(), event.Data2());
    if (!CEncoderProp::OnChannelMsg(time, on))
        return false;
    CEvent off;
    off.header = CEvent::ChannelHeader(sound ? EventKind::SoundOff : EventKind::NoteOff, event.Channel(),
                                       event.Data1(), event.OffVelocity());
    if (event.Duration() == 0)
        return CEncoderProp::OnChannelMsg(time, off);
    pendingOffs.Push(off.header, static_cast<int32_t>(time + event.Duration()));
    return true;
}

bool CMemEncoder::Reserve(uint32_t bytes)
{
    if (!ownsBuffer)
        return false;
    const uint32_t written = Size();
    // Growing by at least the bytes already written keeps long streams (a pattern lengthened many times
    // over) linear in their size instead of copying the whole buffer for every few bytes added.
    const uint64_t wanted = uint64_t{written} + bytes + std::max<uint64_t>(GrowthMargin, written);
    if (wanted > UINT32_MAX)
        return false;
    const auto capacity = static_cast<uint32_t>(wanted);
    auto grown = std::make_unique<uint8_t[]>(capacity);
    std::copy(begin, cursor, grown.get());
    storage = std::move(grown);
    MoveOutput(storage.get(), capacity, written);
    return true;
}

bool CMemEncoder::Finish(uint32_t time)
{
    return WriteEndOfTrackAt(time);
}

std::unique_ptr<uint8_t[]> CMemEncoder::DetachBuffer()
{
    if (!ownsBuffer)
        return nullptr;
    ownsBuffer = 0;
    SetOutput(nullptr, 0);
    return std::move(storage);
}
