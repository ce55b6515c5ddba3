// Standard MIDI Files of format 0 and 1: reading every track, merging them into format 0, summing up.
#include "smf/CSmfTracks.h"

#include "events/CBigEndian.h"
#include "events/Trace.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kHeaderBytes = 14; // "MThd", length, format, tracks, division
constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint8_t kMeta = 0xFF;
constexpr uint8_t kEndOfTrack = 0x2F;
constexpr uint8_t kTrackName = 0x03;
constexpr uint8_t kTimeSignature = 0x58;
constexpr uint32_t kMaxTick = 0xFFFFFFFF;

// Bounded reading of one track chunk.
struct CTrackCursor {
    const uint8_t* p;
    const uint8_t* end;

    bool Has(size_t n) const { return static_cast<size_t>(end - p) >= n; }
    // A variable-length number of at most four bytes.
    bool VarLen(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4 && p != end; ++i) {
            const uint8_t byte = *p++;
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }
};

int DataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void PutVarLen(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
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
    if (!image || size < kHeaderBytes || std::memcmp(image, "MThd", 4) != 0 || ReadBE32(image + 4) < 6)
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
                return Result::Malformed;
            }
            ++header.tracks;
        }
        pos = start + length;
    }
    if (header.tracks == 0 || header.tracks < announced) {
        Trace("CSmfTracks::Read() - %u of %u tracks found", header.tracks, announced);
        return Result::Malformed;
    }
    return Result::Ok;
}

bool CSmfTracks::ReadTrack(const uint8_t* data, size_t size, uint16_t track)
{
    CTrackCursor in{data, data + size};
    uint64_t tick = 0;
    uint8_t running = 0;
    for (;;) {
        uint32_t delta = 0;
        if (!in.VarLen(delta) || !in.Has(1))
            return false;
        tick += delta;
        if (tick > kMaxTick)
            return false;
        uint8_t status = running;
        if (*in.p & 0x80)
            status = *in.p++;
        const auto at = static_cast<uint32_t>(tick);
        if (status >= 0x80 && status < 0xF0) {
            const int n = DataBytes(status);
            if (!in.Has(static_cast<size_t>(n)) || (in.p[0] & 0x80) || (n == 2 && (in.p[1] & 0x80)))
                return false;
            events.push_back({at, track, Kind::Channel, status, in.p, static_cast<uint32_t>(n)});
            in.p += n;
            running = status;
            continue;
        }
        // Meta and system exclusive events cancel running status.
        running = 0;
        uint8_t type = 0;
        if (status == kMeta) {
            if (!in.Has(1))
                return false;
            type = *in.p++;
        } else if (status != 0xF0 && status != 0xF7) {
            return false; // no status at all, or a system message a file cannot hold
        }
        uint32_t length = 0;
        if (!in.VarLen(length) || !in.Has(length))
            return false;
        if (status == kMeta && type == kEndOfTrack) {
            events.push_back({at, track, Kind::EndOfTrack, type, in.p, 0});
            header.endTick = std::max(header.endTick, at);
            return true;
        }
        events.push_back({at, track, status == kMeta ? Kind::Meta : Kind::SysEx,
                          status == kMeta ? type : status, in.p, length});
        in.p += length;
    }
}

std::vector<uint8_t> CSmfTracks::Format0(const CChannelMap& channels) const
{
    std::vector<CEventSpan> merged = events;
    std::stable_sort(merged.begin(), merged.end(),
                     [](const CEventSpan& a, const CEventSpan& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track;
    uint32_t last = 0;
    const auto put = [&](uint32_t tick) {
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
            break;
        }
        case Kind::Meta:
            put(event.tick);
            track.push_back(kMeta);
            track.push_back(event.status);
            PutVarLen(track, event.size);
            break;
        case Kind::SysEx:
            put(event.tick);
            track.push_back(event.status);
            PutVarLen(track, event.size);
            break;
        case Kind::EndOfTrack:
            continue;
        }
        track.insert(track.end(), event.data, event.data + event.size);
    }
    put(std::max(header.endTick, last));
    track.insert(track.end(), {kMeta, kEndOfTrack, 0});

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
        if (kind == 0x90 && event.data[1] > 0) {
            ++channel.notes;
            channel.lowKey = std::min(channel.lowKey, event.data[0]);
            channel.highKey = std::max(channel.highKey, event.data[0]);
        } else if (kind == 0xC0 && channel.firstProgram < 0) {
            channel.firstProgram = event.data[0];
        }
    }
    for (CSmfChannelSummary& channel : summary.channels)
        if (channel.track >= 0)
            channel.trackName = names[static_cast<size_t>(channel.track)];
    return summary;
}

uint32_t CSmfSummary::Measures() const
{
    if (division == 0 || (division & 0x8000) || numerator == 0)
        return 0;
    const uint64_t measure = (uint64_t{division} * 4 * numerator) >> denomExp;
    return measure == 0 ? 0 : static_cast<uint32_t>((uint64_t{endTick} + measure - 1) / measure);
}
