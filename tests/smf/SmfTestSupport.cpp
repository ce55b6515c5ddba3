// Shared helpers of the MIDI file and merge tests.
#include "SmfTestSupport.h"

#include "smf/CMidiIn.h"

#include <iomanip>

namespace smftest {

std::ostream& operator<<(std::ostream& out, const Timed& event)
{
    out << "{t=" << event.time << " header=0x" << std::hex << std::setw(8) << std::setfill('0')
        << event.header;
    for (uint8_t byte : event.data)
        out << ' ' << std::setw(2) << int{byte};
    return out << std::dec << std::setfill(' ') << '}';
}

Timed Capture(uint32_t time, const CEvent& event)
{
    // The data bytes rather than the data word: a buffer address says nothing.
    Timed timed{time, event.header, {}};
    if (event.Class() == EventClass::Meta || event.Class() == EventClass::SysEx) {
        for (uint32_t i = 0; i < event.Length(); ++i)
            timed.data.push_back(event.DataByte(i));
    } else if (event.Kind() == EventKind::Note) {
        const uint32_t word = event.Inline();
        timed.data = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                      static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
    }
    return timed;
}

Timed Channel(uint32_t time, EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2)
{
    return {time, CEvent::ChannelHeader(kind, channel, data1, data2), {}};
}

Timed Meta(uint32_t time, uint8_t type, Bytes data)
{
    const auto length = static_cast<uint32_t>(data.size());
    return {time, CEvent::MetaHeader(type, length, length > 4), std::move(data)};
}

Timed EndOfTrack(uint32_t time)
{
    return {time, CEvent::EndOfTrackHeader, {}};
}

Bytes SmfImage(const Bytes& track, uint16_t division)
{
    const auto length = static_cast<uint32_t>(track.size());
    const uint8_t headers[] = {'M',
                               'T',
                               'h',
                               'd',
                               0,
                               0,
                               0,
                               6,
                               0,
                               0,
                               0,
                               1,
                               static_cast<uint8_t>(division >> 8),
                               static_cast<uint8_t>(division),
                               'M',
                               'T',
                               'r',
                               'k',
                               static_cast<uint8_t>(length >> 24),
                               static_cast<uint8_t>(length >> 16),
                               static_cast<uint8_t>(length >> 8),
                               static_cast<uint8_t>(length)};
    Bytes image(sizeof headers + track.size());
    std::copy(std::begin(headers), std::end(headers), image.begin());
    std::copy(track.begin(), track.end(), image.begin() + sizeof headers);
    return image;
}

std::optional<std::vector<Timed>> DecodeAll(CDecBase& decoder)
{
    std::vector<Timed> events;
    int32_t delay = decoder.OnRewind();
    uint32_t time = 0;
    while (delay != CDecBase::NoDelay) {
        time += static_cast<uint32_t>(delay);
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractEvent(chain);
        if (!chain)
            return std::nullopt;
        for (const CLinkedEvent* event = chain; event; event = event->next)
            events.push_back(Capture(time, *event));
        EventsPool().ReleaseEvents(chain);
    }
    if (!decoder.IsFinished())
        return std::nullopt;
    return events;
}

std::optional<std::vector<Timed>> DecodeSmf(const Bytes& image)
{
    CMidiIn input(image.data(), static_cast<uint32_t>(image.size()));
    if (!input.Open())
        return std::nullopt;
    return DecodeAll(*input.Decoder());
}

std::vector<Timed> Written(const CRecordingEncoder& encoder)
{
    std::vector<Timed> result;
    for (const CWritten& written : encoder.written)
        result.push_back({written.time, written.header, written.bytes});
    return result;
}

int32_t CScriptedDecoder::OnRewind()
{
    next = 0;
    finished = false;
    if (failRewind || script.empty())
        return NoDelay;
    return static_cast<int32_t>(script[0].time);
}

int32_t CScriptedDecoder::ExtractEvent(CLinkedEvent*& chain)
{
    chain = nullptr;
    if (finished || next >= script.size() || static_cast<int>(next) == failAt)
        return NoDelay;
    const Chain& step = script[next++];
    CLinkedEvent** tail = &chain;
    for (uint32_t header : step.headers) {
        *tail = EventsPool().GetNewEvent(header, 0);
        if (!*tail) {
            EventsPool().ReleaseEvents(chain);
            chain = nullptr;
            return NoDelay;
        }
        tail = &(*tail)->next;
    }
    if (next == script.size()) {
        finished = true;
        return NoDelay;
    }
    return static_cast<int32_t>(script[next].time - step.time);
}

} // namespace smftest
