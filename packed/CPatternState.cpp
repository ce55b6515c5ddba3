// Neutral-state tracking for trimming and segmenting patterns.
#include "packed/CPatternState.h"

#include "events/CEventsPool.h"

#include <algorithm>

namespace {
constexpr int8_t F = ControllerFree;
constexpr int8_t R = ControllerRemoved;
} // namespace

// Modulation 0, pan 64, expression 100, sustain 0, the two sound controllers 71 and 74 at 64.
// Controllers the keyboard's patterns may use freely are 2, 12, 13, 33, 34, 42-45 and 80-82.
const int8_t ControllerDefaults[128] = {
    R, 0, F, R, R, R, R, R,  R, R, 64, 100, F, F, R, R, // 0-15
    R, R, R, R, R, R, R, R,  R, R, R,  R,   R, R, R, R, // 16-31
    R, F, F, R, R, R, R, R,  R, R, F,  F,   F, F, R, R, // 32-47
    R, R, R, R, R, R, R, R,  R, R, R,  R,   R, R, R, R, // 48-63
    0, R, R, R, R, R, R, 64, R, R, 64, R,   R, R, R, R, // 64-79
    F, F, F, R, R, R, R, R,  R, R, R,  R,   R, R, R, R, // 80-95
    R, R, R, R, R, R, R, R,  R, R, R,  R,   R, R, R, R, // 96-111
    R, R, R, R, R, R, R, R,  R, R, R,  R,   R, R, R, R, // 112-127
};

void CPatternState::Reset()
{
    std::fill(std::begin(noteCount), std::end(noteCount), int8_t{0});
    std::fill(std::begin(soundCount), std::end(soundCount), int8_t{0});
    for (int i = 0; i < 128; ++i)
        controller[i] = static_cast<uint8_t>(ControllerDefaults[i]);
    pitchBend = PitchCentre;
    wholeNotesEnd = 0;
}

namespace {
// Counters saturate instead of wrapping, so a flood of ons never turns into "nothing sounding".
bool CountOn(int8_t& counter)
{
    if (counter < INT8_MAX)
        ++counter;
    return false;
}

bool CountOff(int8_t& counter)
{
    if (counter <= 0) {
        counter = 0;
        return true;
    }
    --counter;
    return false;
}
} // namespace

bool CPatternState::Apply(const CEvent& event, uint32_t time)
{
    uint8_t data1 = event.Data1();
    if (data1 > 127)
        return true;
    switch (event.Kind()) {
    case EventKind::Note:
    case EventKind::Sound:
        wholeNotesEnd = std::max<uint64_t>(wholeNotesEnd, uint64_t{time} + event.Duration());
        return false;
    case EventKind::NoteOn:
        return CountOn(noteCount[data1]);
    case EventKind::NoteOff:
        return CountOff(noteCount[data1]);
    case EventKind::SoundOn:
        return CountOn(soundCount[data1]);
    case EventKind::SoundOff:
        return CountOff(soundCount[data1]);
    case EventKind::Control:
        if (ControllerDefaults[data1] == ControllerRemoved)
            return true;
        controller[data1] = event.Data2();
        return false;
    case EventKind::PitchBend:
        pitchBend = static_cast<uint16_t>(data1 << 8 | event.Data2());
        return false;
    default:
        return true;
    }
}

bool CPatternState::IsNeutral(uint32_t time) const
{
    if (pitchBend != PitchCentre || wholeNotesEnd > time)
        return false;
    for (int i = 0; i < 128; ++i) {
        if (noteCount[i] > 0 || soundCount[i] > 0)
            return false;
        if (ControllerDefaults[i] >= 0 && controller[i] != ControllerDefaults[i])
            return false;
    }
    return true;
}

namespace {
// Appends one event to the chain under construction; false when the pool is exhausted.
bool Append(CLinkedEvent*& head, CLinkedEvent*& tail, uint32_t header)
{
    CLinkedEvent* event = EventsPool().GetNewEvent(header, 0);
    if (event == nullptr)
        return false;
    (head == nullptr ? head : tail->next) = event;
    tail = event;
    return true;
}

bool AppendOffs(CLinkedEvent*& head, CLinkedEvent*& tail, const int8_t* counts, EventKind off, int& built)
{
    for (int key = 0; key < 128; ++key) {
        for (int n = 0; n < counts[key]; ++n, ++built) {
            if (!Append(head, tail, CEvent::ChannelHeader(off, 0, static_cast<uint8_t>(key), 0)))
                return false;
        }
    }
    return true;
}
} // namespace

int CPatternState::BuildResetEvents(CLinkedEvent*& chain) const
{
    CLinkedEvent* head = nullptr;
    CLinkedEvent* tail = nullptr;
    int built = 0;
    bool ok = true;
    if (pitchBend != PitchCentre) {
        ok = Append(head, tail, CEvent::ChannelHeader(EventKind::PitchBend, 0, 0, PitchCentre));
        ++built;
    }
    for (int i = 0; ok && i < 128; ++i) {
        int8_t neutral = ControllerDefaults[i];
        if (neutral >= 0 && controller[i] != neutral) {
            ok = Append(head, tail,
                        CEvent::ChannelHeader(EventKind::Control, 0, static_cast<uint8_t>(i),
                                              static_cast<uint8_t>(neutral)));
            ++built;
        }
    }
    ok = ok && AppendOffs(head, tail, noteCount, EventKind::NoteOff, built);
    ok = ok && AppendOffs(head, tail, soundCount, EventKind::SoundOff, built);
    if (!ok) {
        EventsPool().ReleaseEvents(head);
        head = nullptr;
        built = 0;
    }
    chain = head;
    return built;
}
