// Standard MIDI Files of format 0 and 1: reading every track, merging them into format 0, summing up.
#include "smf/CSmfTracks.h"

#include "events/CBigEndian.h"
#include "events/CEncoderBase.h"
#include "events/CEvent.h"
#include "events/CMemIn.h"
#include "events/Trace.h"
#include "smf/CSmfBytes.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kHeaderBytes = 14; // "MThd", length, format, tracks, division
constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint8_t kTrackName = 0x03;
constexpr uint8_t kTimeSignature = 0x58;
constexpr uint8_t kReleaseVelocity = 64;
// The largest delay a variable-length number holds.
constexpr uint64_t kMaxDelay = 0x0FFFFFFF;
// A meta event of the system's own type, which every reader passes over.
constexpr uint8_t kSkippedEvent[] = {CSmfBytes::Meta, CEvent::PrivateMetaType, 0};

int DataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void PutVarLen(std::vector<uint8_t>& out, uint64_t value)
{
    uint8_t bytes[4];
    const int count = CEncoderBase::VarLenNum(static_cast<uint32_t>(std::min(value, kMaxDelay)), bytes);
    out.insert(out.end(), bytes, bytes + count);
}
} // namespace

CSmfTracks::CChannelMap CSmfTracks::SameChannels()
{
    CChannelMap map{};
    for (int8_t c = 0; c < 16; ++c)
        map[static_cast<size_t>(c)] = c;
    return map;
}

CSmfTracks::Result CSmfTracks::Read(const uint8_t* image, size_t size)
{
    header = {};
    events.clear();
    if (!image || size < kHeaderBytes || size > UINT32_MAX || std::memcmp(image, "MThd", 4) != 0 ||
        ReadBE32(image + 4) < 6)
        return Result::NotMidi;
    header.format = ReadBE16(image + 8);
    const uint16_t announced = ReadBE16(image + 10);
    header.division = ReadBE16(image + 12);
    if (header.format == 2)
        return Result::Format2;
    if (header.format > 2)
        return Result::NotMidi;
    uint64_t pos = uint64_t{kChunkHeaderBytes} + ReadBE32(image + 4);
    while (header.tracks < announced && pos + kChunkHeaderBytes <= size) {
        const uint8_t* chunk = image + pos;
        const uint64_t length = ReadBE32(chunk + 4);
        const uint64_t start = pos + kChunkHeaderBytes;
        const size_t available = static_cast<size_t>(std::min<uint64_t>(length, size - start));
        if (std::memcmp(chunk, "MTrk", 4) == 0) {
            if (!ReadTrack(image + start, available, header.tracks)) {
                Trace("CSmfTracks::Read() - track %u cannot be read to its End of Track", header.tracks);
                events.clear();
                return Result::Malformed;
            }
            ++header.tracks;
        }
        pos = start + length;
    }
    if (header.tracks == 0 || header.tracks < announced) {
        Trace("CSmfTracks::Read() - %u of %u tracks found", header.tracks, announced);
        events.clear();
        return Result::Malformed;
    }
    return Result::Ok;
}

bool CSmfTracks::ReadTrack(const uint8_t* data, size_t size, uint16_t track)
{
    CMemIn in(data, static_cast<uint32_t>(size));
    uint64_t tick = 0;
    uint8_t running = 0;
    for (;;) {
        uint32_t delta = 0;
        uint8_t first = 0;
        if (CSmfBytes::ReadVarLen(in, delta) != CSmfBytes::VarLen::Ok || !in.ReadByte(&first))
            return false;
        tick += delta;
        CEventSpan event{tick, track, Kind::Channel, first, 0, 0, nullptr, 0};
        const bool read = first < CSmfBytes::SysEx ? ReadChannelMessage(in, first, running, event)
                                                   : ReadMessageData(in, data, first, event);
        if (!read)
            return false;
        events.push_back(event);
        if (event.kind == Kind::EndOfTrack) {
            header.endTick = std::max(header.endTick, tick);
            return true;
        }
    }
}

bool CSmfTracks::ReadChannelMessage(CIn& in, uint8_t first, uint8_t& running, CEventSpan& event) const
{
    uint8_t data1 = first;
    if (first & 0x80) {
        running = first;
        if (!in.ReadByte(&data1))
            return false;
        if (data1 & 0x80) {
            event.kind = Kind::Skipped;
            return true;
        }
    }
    if (running == 0)
        return false; // a data byte before any status byte
    uint8_t data2 = 0;
    if (DataBytes(running) == 2) {
        if (!in.ReadByte(&data2))
            return false;
        if (data2 & 0x80) {
            if ((running & 0xF0) != CSmfBytes::NoteOff) {
                event.kind = Kind::Skipped;
                return true;
            }
            data2 = kReleaseVelocity;
        }
    }
    event.status = running;
    event.data1 = data1;
    event.data2 = data2;
    return true;
}

bool CSmfTracks::ReadMessageData(CIn& in, const uint8_t* data, uint8_t status, CEventSpan& event) const
{
    uint8_t type = status;
    if (status == CSmfBytes::Meta) {
        if (!in.ReadByte(&type))
            return false;
    } else if (status != CSmfBytes::SysEx && status != CSmfBytes::Escape) {
        return false; // a system message a file cannot hold
    }
    uint32_t length = 0;
    if (CSmfBytes::ReadVarLen(in, length) != CSmfBytes::VarLen::Ok)
        return false;
    // An F0 message is stored with its status byte in front of the data.
    const uint64_t stored = uint64_t{length} + (status == CSmfBytes::SysEx ? 1 : 0);
    if (stored > CEvent::MaxLength || length > in.GetSize() - in.GetPos())
        return false;
    event.kind = status != CSmfBytes::Meta        ? Kind::SysEx
                 : type == CEvent::EndOfTrackType ? Kind::EndOfTrack
                                                  : Kind::Meta;
    event.status = type;
    event.data = data + in.GetPos();
    event.size = length;
    in.Seek(length, CStream::SeekCurrent);
    return true;
}

std::vector<uint8_t> CSmfTracks::Format0(const CChannelMap& channels) const
{
    std::vector<CEventSpan> merged = events;
    std::stable_sort(merged.begin(), merged.end(),
                     [](const CEventSpan& a, const CEventSpan& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track;
    uint64_t last = 0;
    const auto put = [&](uint64_t tick) {
        for (; tick - last > kMaxDelay; last += kMaxDelay) {
            PutVarLen(track, kMaxDelay);
            track.insert(track.end(), std::begin(kSkippedEvent), std::end(kSkippedEvent));
        }
        PutVarLen(track, tick - last);
        last = tick;
    };
    for (const CEventSpan& event : merged) {
        switch (event.kind) {
        case Kind::Channel: {
            const int8_t channel = channels[event.status & 0x0F];
            if (channel == Dropped)
                continue;
            put(event.tick);
            track.push_back(static_cast<uint8_t>((event.status & 0xF0) | (channel & 0x0F)));
            track.push_back(event.data1);
            if (DataBytes(event.status) == 2)
                track.push_back(event.data2);
            continue;
        }
        case Kind::Meta:
            put(event.tick);
            track.push_back(CSmfBytes::Meta);
            track.push_back(event.status);
            break;
        case Kind::SysEx:
            put(event.tick);
            track.push_back(event.status);
            break;
        case Kind::Skipped:
            put(event.tick);
            track.insert(track.end(), std::begin(kSkippedEvent), std::end(kSkippedEvent));
            continue;
        case Kind::EndOfTrack:
            continue;
        }
        PutVarLen(track, event.size);
        track.insert(track.end(), event.data, event.data + event.size);
    }
    put(std::max(header.endTick, last));
    track.insert(track.end(), {CSmfBytes::Meta, CEvent::EndOfTrackType, 0});

    std::vector<uint8_t> image = {'M', 'T', 'h', 'd'};
    AppendBE32(image, 6);
    AppendBE16(image, 0);
    AppendBE16(image, 1);
    AppendBE16(image, header.division);
    image.insert(image.end(), {'M', 'T', 'r', 'k'});
    AppendBE32(image, static_cast<uint32_t>(track.size()));
    image.insert(image.end(), track.begin(), track.end());
    return image;
}

CSmfSummary CSmfTracks::Summary() const
{
    CSmfSummary summary = header;
    std::vector<std::string> names(header.tracks);
    std::vector<bool> named(header.tracks, false);
    bool signature = false;
    for (const CEventSpan& event : events) {
        if (event.kind == Kind::Meta && event.status == kTrackName && !named[event.track]) {
            names[event.track].assign(reinterpret_cast<const char*>(event.data), event.size);
            named[event.track] = true;
        } else if (event.kind == Kind::Meta && event.status == kTimeSignature && event.size >= 2 &&
                   !signature) {
            summary.numerator = event.data[0];
            summary.denomExp = static_cast<uint8_t>(std::min<int>(event.data[1], 7));
            signature = true;
        }
        if (event.kind != Kind::Channel)
            continue;
        CSmfChannelSummary& channel = summary.channels[event.status & 0x0F];
        if (channel.track < 0)
            channel.track = event.track;
        const uint8_t kind = event.status & 0xF0;
        if (kind == CSmfBytes::NoteOn && event.data2 > 0) {
            ++channel.notes;
            channel.lowKey = std::min(channel.lowKey, event.data1);
            channel.highKey = std::max(channel.highKey, event.data1);
        } else if (kind == 0xC0 && channel.firstProgram < 0) {
            channel.firstProgram = event.data1;
        }
    }
    for (CSmfChannelSummary& channel : summary.channels)
        if (channel.HasEvents())
            channel.trackName = names[static_cast<size_t>(channel.track)];
    return summary;
}

uint64_t CSmfSummary::Measures() const
{
    if (division == 0 || (division & 0x8000) || numerator == 0)
        return 0;
    const uint64_t measure = (uint64_t{division} * 4 * numerator) >> denomExp;
    return measure == 0 ? 0 : (endTick + measure - 1) / measure;
}
