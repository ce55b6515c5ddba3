// Header check of a format 0 MIDI file image.
#include "smf/CMidiIn.h"

#include "events/CBigEndian.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t HeaderChunkBytes = 14; // "MThd", length, format, tracks, division
constexpr uint32_t TrackHeaderBytes = 8;  // "MTrk", length
} // namespace

CMidiIn::CMidiIn(const uint8_t* bytes, uint32_t count) : CMemIn(bytes, count), image(bytes) {}

CMidiIn::~CMidiIn() = default;

bool CMidiIn::Open()
{
    if (decoder)
        return true;
    uint8_t head[HeaderChunkBytes];
    Seek(0, SeekBegin);
    if (Read(head, HeaderChunkBytes) != HeaderChunkBytes || std::memcmp(head, "MThd", 4) != 0)
        return false;
    // The track header follows the header chunk, whatever length that declares.
    const uint64_t trackHeader = uint64_t{8} + ReadBE32(head + 4);
    if (trackHeader + TrackHeaderBytes > GetSize())
        return false;
    uint8_t track[TrackHeaderBytes];
    Seek(static_cast<int64_t>(trackHeader), SeekBegin);
    Read(track, TrackHeaderBytes);
    if (ReadBE16(head + 8) != 0 || ReadBE16(head + 10) != 1 || std::memcmp(track, "MTrk", 4) != 0)
        return false;
    // A track length beyond the image ends the track where the image ends.
    const uint32_t start = GetPos();
    const uint32_t length = std::min(ReadBE32(track + 4), GetSize() - start);
    auto chunk = std::make_unique<CMemIn>(image + start, length);
    auto created = std::make_unique<CDecSMF0>(ReadBE16(head + 12));
    if (!created->SetChunk(std::move(chunk)))
        return false;
    decoder = std::move(created);
    return true;
}
