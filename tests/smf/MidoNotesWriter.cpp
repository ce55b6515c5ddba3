// Writes a MIDI file of random notes for the independent reader check (mido_check.py): the file,
// and the notes our own reader finds in it, which must be the notes that were written.
#include "events/CEventsPool.h"
#include "smf/CMidiIn.h"
#include "smf/CMidiOut.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {
constexpr uint32_t EndTime = 4 * 1536; // four measures of 4/4

struct Note {
    uint32_t start;
    uint8_t channel, key, velocity;
    uint32_t end;
    auto operator<=>(const Note&) const = default;
};

struct Timed {
    uint32_t time;
    CEvent event;
};

CEvent Make(uint32_t header, uintptr_t data = 0)
{
    CEvent event;
    event.header = header;
    event.data = data;
    return event;
}

// Notes on every channel, some written as one Note event (a few reaching past the end, where they
// are cut), others as a note-on and a note-off; a note never overlaps one of the same key.
std::vector<Note> RandomNotes(std::mt19937& random, std::vector<Timed>& events)
{
    std::vector<Note> notes;
    std::map<std::pair<int, int>, uint32_t> busyUntil;
    for (int i = 0; i < 400; ++i) {
        const auto channel = static_cast<uint8_t>(random() % 16);
        const auto key = static_cast<uint8_t>(36 + random() % 48);
        const auto velocity = static_cast<uint8_t>(1 + random() % 127);
        const auto start = static_cast<uint32_t>(random() % EndTime);
        const bool asNote = random() % 3 != 0;
        auto duration = static_cast<uint32_t>(random() % 4 == 0 ? 0 : random() % 2000);
        if (!asNote)
            duration = std::min(duration, EndTime - start);
        auto [slot, fresh] = busyUntil.try_emplace({channel, key}, 0);
        if (!fresh && start <= slot->second)
            continue;
        // The file ends at EndTime: later note-offs are written there.
        const uint32_t end = std::min(start + duration, EndTime);
        slot->second = end;
        notes.push_back({start, channel, key, velocity, end});
        if (asNote) {
            events.push_back({start, Make(CEvent::ChannelHeader(EventKind::Note, channel, key, velocity),
                                          CEvent::NoteData(duration, 64))});
        } else {
            events.push_back({start, Make(CEvent::ChannelHeader(EventKind::NoteOn, channel, key, velocity))});
            events.push_back({end, Make(CEvent::ChannelHeader(EventKind::NoteOff, channel, key, 0))});
        }
    }
    return notes;
}

// Messages around the notes that the other reader must step over.
void OtherMessages(std::mt19937& random, std::vector<Timed>& events)
{
    events.push_back({0, Make(CEvent::MetaHeader(0x51, 3, false), 0x20A107)});   // 120 bpm
    events.push_back({0, Make(CEvent::MetaHeader(0x58, 4, false), 0x08180204)}); // 4/4
    for (uint8_t channel = 0; channel < 16; ++channel) {
        events.push_back({0, Make(CEvent::ChannelHeader(EventKind::Program, channel, channel, 0))});
        events.push_back({static_cast<uint32_t>(random() % EndTime),
                          Make(CEvent::ChannelHeader(EventKind::Control, channel, 11, 100))});
        events.push_back({static_cast<uint32_t>(random() % EndTime),
                          Make(CEvent::ChannelHeader(EventKind::PitchBend, channel, 0, 70))});
    }
    events.push_back({384, Make(CEvent::MetaHeader(CEvent::PrivateMetaType, 2, false), 0x0509)});
}

std::vector<Note> NotesRead(const std::vector<uint8_t>& image)
{
    std::vector<Note> notes;
    std::map<std::pair<int, int>, std::vector<Note>> sounding;
    CMidiIn input(image.data(), static_cast<uint32_t>(image.size()));
    if (!input.Open())
        return notes;
    CDecBase& decoder = *input.Decoder();
    uint32_t time = 0;
    for (int32_t delay = decoder.OnRewind(); delay != CDecBase::NoDelay;) {
        time += static_cast<uint32_t>(delay);
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractEvent(chain);
        for (const CLinkedEvent* event = chain; event; event = event->next) {
            auto& queue = sounding[{event->Channel(), event->Data1()}];
            if (event->Kind() == EventKind::NoteOn) {
                queue.push_back({time, event->Channel(), event->Data1(), event->Data2(), 0});
            } else if (event->Kind() == EventKind::NoteOff && !queue.empty()) {
                queue.front().end = time;
                notes.push_back(queue.front());
                queue.erase(queue.begin());
            }
        }
        EventsPool().ReleaseEvents(chain);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORKDIR\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::mt19937 random(20261208);
    std::vector<Timed> events;
    std::vector<Note> written = RandomNotes(random, events);
    OtherMessages(random, events);
    std::stable_sort(events.begin(), events.end(),
                     [](const Timed& a, const Timed& b) { return a.time < b.time; });

    CMidiOut out;
    for (const Timed& timed : events) {
        CLinkedEvent link;
        static_cast<CEvent&>(link) = timed.event;
        out.WriteChainAt(timed.time, &link);
    }
    if (!out.WriteEndOfTrackAt(EndTime) || !out.Close()) {
        std::fprintf(stderr, "writing failed\n");
        return 1;
    }
    const uint8_t* data = out.Output().Data();
    const std::vector<uint8_t> image(data, data + out.Output().GetSize());
    std::ofstream(folder + "/check.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));

    const std::vector<Note> read = NotesRead(image);
    std::sort(written.begin(), written.end());
    std::ofstream list(folder + "/check.notes");
    for (const Note& note : read)
        list << note.start << ' ' << int{note.channel} << ' ' << int{note.key} << ' ' << int{note.velocity}
             << ' ' << note.end << '\n';
    if (read != written) {
        std::fprintf(stderr, "our reader finds %zu notes, %zu were written\n", read.size(), written.size());
        return 1;
    }
    std::printf("%zu notes written\n", written.size());
    return 0;
}
