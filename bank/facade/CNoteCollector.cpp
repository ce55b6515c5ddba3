// Notes of an event stream as the file writer would write them and a file reader would read them.
#include "bank/facade/CNoteCollector.h"

#include <algorithm>
#include <limits>

namespace {

constexpr uint32_t Forever = std::numeric_limits<uint32_t>::max();

// The file holds data bytes of seven bits.
uint8_t DataByte(uint8_t value)
{
    return value & 0x7F;
}

} // namespace

bool CNoteCollector::Close()
{
    if (!CEncoderBase::Close())
        return false;
    const uint32_t end = ended ? endOfTrack : lastTime;
    EndHeld(Forever, end);
    for (auto& [key, started] : sounding)
        while (!started.empty())
            End(std::max(end, started.front().start), key.first, key.second);
    return true;
}

bool CNoteCollector::OnTime(uint32_t time)
{
    EndHeld(time, Forever);
    return true;
}

bool CNoteCollector::OnChannelMsg(uint32_t time, const CEvent& event)
{
    const uint8_t channel = event.Channel() & 0x0F;
    const uint8_t key = DataByte(event.Data1());
    const uint8_t velocity = DataByte(event.Data2());
    switch (event.Kind()) {
    case EventKind::NoteOff:
        End(time, channel, key);
        return true;
    case EventKind::NoteOn:
        Start(time, channel, key, velocity);
        return true;
    case EventKind::Note:
        Start(time, channel, key, velocity);
        if (event.Duration() == 0)
            End(time, channel, key);
        else
            held.emplace(
                static_cast<uint32_t>(std::min<uint64_t>(uint64_t{time} + event.Duration(), Forever)),
                CKey{channel, key});
        return true;
    case EventKind::SoundOff:
    case EventKind::SoundOn:
    case EventKind::Sound:
    case EventKind::Unused:
        return false;
    default:
        return true;
    }
}

bool CNoteCollector::OnMetaEvent(uint32_t time, const CEvent& event)
{
    // The writer cuts a note reaching past the end at the end.
    if (event.IsEndOfTrack()) {
        EndHeld(Forever, time);
        endOfTrack = time;
        ended = true;
    }
    return true;
}

void CNoteCollector::Start(uint32_t time, uint8_t channel, uint8_t key, uint8_t velocity)
{
    if (velocity == 0) {
        End(time, channel, key);
        return;
    }
    sounding[{channel, key}].push_back({channel, key, velocity, time, time});
}

void CNoteCollector::End(uint32_t time, uint8_t channel, uint8_t key)
{
    const auto found = sounding.find({channel, key});
    if (found == sounding.end() || found->second.empty())
        return;
    CCollectedNote note = found->second.front();
    found->second.pop_front();
    note.end = time;
    notes.push_back(note);
}

void CNoteCollector::EndHeld(uint32_t due, uint32_t latest)
{
    while (!held.empty() && held.begin()->first <= due) {
        const auto [time, key] = *held.begin();
        held.erase(held.begin());
        End(std::min(time, latest), key.first, key.second);
    }
}
