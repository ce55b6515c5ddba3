// Helpers of the facade tests.
#include "FacadeTestSupport.h"

#include "bank/model/CNstRecords.h"
#include "packed/CPackedStream.h"
#include "smf/CMidiIn.h"

#include <algorithm>
#include <map>
#include <random>

namespace facadetest {

namespace {

void Append(std::vector<CFileEvent>& out, uint32_t tick, const CLinkedEvent* chain)
{
    for (const CLinkedEvent* event = chain; event; event = event->next) {
        CFileEvent copy{tick, event->header, {}};
        if (event->Class() != EventClass::Channel)
            for (uint32_t i = 0; i < event->Length(); ++i)
                copy.data.push_back(event->DataByte(i));
        out.push_back(std::move(copy));
    }
}

} // namespace

std::ostream& operator<<(std::ostream& out, const CNote& note)
{
    return out << "note " << int(note.key) << " ch " << int(note.channel) << " vel " << int(note.velocity)
               << " [" << note.start << ", " << note.end << ")";
}

std::vector<CFileEvent> EventsOf(const Bytes& image)
{
    std::vector<CFileEvent> events;
    CMidiIn file(image.data(), static_cast<uint32_t>(image.size()));
    if (!file.Open()) {
        ADD_FAILURE() << "not a format 0 file";
        return events;
    }
    CDecSMF0& decoder = *file.Decoder();
    int32_t delay = decoder.OnRewind();
    uint32_t tick = 0;
    while (delay >= 0) {
        tick += static_cast<uint32_t>(delay);
        CLinkedEvent* raw = nullptr;
        delay = decoder.ExtractEvent(raw);
        const CChainPtr chain(raw);
        Append(events, tick, chain.get());
    }
    EXPECT_TRUE(decoder.IsFinished()) << "the file does not decode to its End of Track";
    return events;
}

std::vector<CNote> NotesOf(const Bytes& image)
{
    std::vector<CNote> notes;
    std::map<std::pair<int, int>, std::vector<CNote>> sounding;
    for (const CFileEvent& event : EventsOf(image)) {
        const auto kind = static_cast<EventKind>(event.header & 0xFF);
        const auto channel = static_cast<uint8_t>(event.header >> 8);
        const auto key = static_cast<uint8_t>(event.header >> 16);
        if (kind == EventKind::NoteOn)
            sounding[{channel, key}].push_back(
                {event.tick, channel, key, static_cast<uint8_t>(event.header >> 24), 0});
        else if (kind == EventKind::NoteOff) {
            auto& started = sounding[{channel, key}];
            if (started.empty()) {
                ADD_FAILURE() << "note off without note on at " << event.tick;
                continue;
            }
            CNote note = started.front();
            started.erase(started.begin());
            note.end = event.tick;
            notes.push_back(note);
        }
    }
    for (const auto& [key, started] : sounding)
        EXPECT_TRUE(started.empty()) << "notes left sounding on channel " << key.first << " key "
                                     << key.second;
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<CFileEvent> PatternEvents(const CNstPattern& pattern)
{
    std::vector<CFileEvent> events;
    CPackedReader reader(pattern.data.data(), pattern.data.size());
    CChainPtr chain;
    uint32_t tick = 0;
    while (reader.Next(chain, tick))
        Append(events, tick, chain.get());
    EXPECT_FALSE(reader.Failed());
    return events;
}

Bytes GeneratedFile(uint32_t seed, int measures, uint8_t numerator, int notesPerMeasure,
                    std::vector<CNote>* notes)
{
    std::mt19937 random(seed);
    const uint32_t measureTicks = 384u * numerator;
    const uint32_t end = measureTicks * static_cast<uint32_t>(measures);
    CSmfBuilder file;
    file.Tempo(0, 500000).Signature(0, numerator, 2);
    std::vector<CNote> written;
    for (int track = 0; track < kStyleTracks; ++track) {
        const uint8_t channel = CNstEditIfc::TrackChannels[track];
        file.Add(0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(random() % 128)});
        // Per key, notes follow each other without overlapping, all ending before the file does.
        std::map<uint8_t, uint32_t> freeFrom;
        const int count = measures * notesPerMeasure * (1 + track % 3) / 2;
        for (int i = 0; i < count; ++i) {
            const auto key = static_cast<uint8_t>(36 + random() % 48);
            const uint32_t start = random() % (end - 1);
            const uint32_t length = 1 + random() % 400;
            const uint32_t stop = std::min(start + length, end - 1);
            uint32_t& from = freeFrom[key];
            if (start < from)
                continue;
            from = stop + 1;
            const auto velocity = static_cast<uint8_t>(1 + random() % 127);
            file.Note(start, stop, channel, key, velocity);
            written.push_back({start, channel, key, velocity, stop});
        }
    }
    std::sort(written.begin(), written.end());
    if (notes)
        *notes = written;
    return file.Image(end);
}

std::vector<CStyleFile> StyleFiles(int density)
{
    std::vector<CStyleFile> files;
    for (int element = 0; element < kStyleElements; ++element) {
        const uint8_t numerator = element % 3 == 1 ? 3 : 4;
        for (int cv = 0; cv < (element < 4 ? kChordVars : 2); ++cv) {
            const bool dense = element == 0 && cv == 0;
            const int measures = dense ? 8 : 1 + (element + cv) % 4;
            // Ending 2 repeats the files of Ending 1.
            const auto seed = static_cast<uint32_t>((element == 9 ? 8 : element) * 10 + cv);
            CStyleFile file{element, cv, {}, {}, 384u * numerator * static_cast<uint32_t>(measures)};
            file.image = GeneratedFile(seed, measures, numerator, dense ? 4 * density : density, &file.notes);
            files.push_back(std::move(file));
        }
    }
    return files;
}

CPoolDrain::CPoolDrain(size_t leave)
{
    while (EventsPool().FreeCount() > leave) {
        CLinkedEvent* event = EventsPool().GetNewEvent();
        event->next = held;
        held = event;
    }
}

CPoolDrain::~CPoolDrain()
{
    EventsPool().ReleaseEvents(held);
}

Bytes Snapshot(CNstEditIfc& facade)
{
    const CNstRyIfc& style = facade.Style();
    Bytes out(style.name.begin(), style.name.end());
    AppendBE32(out, static_cast<uint32_t>(facade.StyleTempo()));
    for (int e = 0; e < kStyleElements; ++e) {
        const CNstStyleElem* element = style.FindElement(e);
        out.push_back(element ? 1 : 0);
        if (!element)
            continue;
        out.insert(out.end(), {element->numerator, element->denomExp, element->cvMeasures});
        for (const auto& entry : element->tracks)
            out.insert(out.end(), entry.begin(), entry.end());
        for (int c = 0; c < kChordVars; ++c) {
            const CNstChordVar* cv = element->FindChordVar(c);
            out.push_back(cv ? 1 : 0);
            if (!cv)
                continue;
            out.insert(out.end(), {cv->numerator, cv->denomExp, cv->measures});
            AppendBE32(out, static_cast<uint32_t>(cv->lengthTicks));
            out.insert(out.end(), cv->tempoData.begin(), cv->tempoData.end());
            for (const CNstPattern& pattern : cv->patterns) {
                out.insert(out.end(),
                           {pattern.isVirgin, pattern.isEmpty, pattern.measures, pattern.trackType});
                AppendBE32(out, static_cast<uint32_t>(pattern.lengthTicks));
                out.insert(out.end(), pattern.data.begin(), pattern.data.end());
            }
        }
    }
    return out;
}

} // namespace facadetest
