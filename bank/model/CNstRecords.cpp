// Byte records of a style content tree.
#include "bank/model/CNstRecords.h"

#include <algorithm>

uint8_t TrackTypeOf(int track)
{
    return track == 2 ? 1 : (track < 2 ? 0 : 2);
}

// --- Style header ---

bool CStyleHeaderRec::Read(const uint8_t* data, size_t size, bool hasLastByte)
{
    CBigEndianReader in(data, size);
    uint8_t length = 0;
    const uint8_t* text = nullptr;
    uint16_t bits0 = 0;
    uint8_t bits1 = 0;
    // Old-format styles lack the last byte; the keyboard then treats only the drum track as set.
    uint8_t bits2 = 1;
    if (!in.ReadU8(length) || !in.ReadBytes(length, text) || !in.ReadBE16(bits0) || !in.ReadU8(bits1) ||
        !in.ReadBE16(elementMask))
        return false;
    if (hasLastByte && !in.ReadU8(bits2))
        return false;
    name.assign(reinterpret_cast<const char*>(text), std::min<size_t>(length, kStyleNameMax));
    name.resize(std::min(name.size(), name.find('\0')));
    for (int track = 0; track < kStyleTracks; ++track) {
        trackStyle[track][0] = static_cast<uint8_t>((bits0 >> (2 * track)) & 3);
        trackStyle[track][1] = static_cast<uint8_t>((bits1 >> track) & 1);
        trackStyle[track][2] = static_cast<uint8_t>((bits2 >> track) & 1);
    }
    return true;
}

std::vector<uint8_t> CStyleHeaderRec::Bytes(bool withLastByte) const
{
    const size_t length = std::min<size_t>(name.size(), 255);
    uint16_t bits0 = 0;
    uint8_t bits1 = 0;
    uint8_t bits2 = 0;
    for (int track = 0; track < kStyleTracks; ++track) {
        bits0 = static_cast<uint16_t>(bits0 | ((trackStyle[track][0] & 3) << (2 * track)));
        bits1 = static_cast<uint8_t>(bits1 | ((trackStyle[track][1] & 1) << track));
        bits2 = static_cast<uint8_t>(bits2 | ((trackStyle[track][2] & 1) << track));
    }
    std::vector<uint8_t> out;
    out.reserve(length + 7);
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    AppendBE16(out, bits0);
    out.push_back(bits1);
    AppendBE16(out, elementMask);
    if (withLastByte)
        out.push_back(bits2);
    return out;
}

// --- Pool list ---

bool CPoolListRec::Read(const uint8_t* data, size_t size)
{
    CBigEndianReader in(data, size);
    uint16_t count = 0;
    if (!in.ReadBE16(patternCount) || !in.ReadBE16(count) || in.Remaining() / 2 < count)
        return false;
    references.resize(count);
    for (uint16_t& reference : references) {
        in.ReadBE16(reference);
        if (reference == 0 || reference > patternCount)
            return false;
    }
    return true;
}

std::vector<uint8_t> CPoolListRec::Bytes() const
{
    std::vector<uint8_t> out;
    out.reserve(4 + 2 * references.size());
    AppendBE16(out, patternCount);
    AppendBE16(out, static_cast<uint16_t>(references.size()));
    for (uint16_t reference : references)
        AppendBE16(out, reference);
    return out;
}

CPoolListRec CPoolListRec::Sequential(uint16_t count)
{
    CPoolListRec list;
    list.patternCount = count;
    list.references.resize(count);
    for (uint16_t i = 0; i < count; ++i)
        list.references[i] = static_cast<uint16_t>(i + 1);
    return list;
}

// --- Element header ---

bool CElemHeaderRec::Read(const uint8_t* data, size_t size)
{
    CBigEndianReader in(data, size);
    uint8_t signature = 0;
    uint8_t count = 0;
    const uint8_t* entries = nullptr;
    if (!in.ReadU8(cvMask) || !in.ReadU8(elementAux) || !in.ReadU8(signature) || !in.ReadU8(count) ||
        !in.ReadBytes(count, entries))
        return false;
    numerator = static_cast<uint8_t>(signature >> 3);
    denomExp = static_cast<uint8_t>(signature & 7);
    // Short tables come from older keyboards; the missing chords play what chord entry 0 plays.
    const size_t kept = std::min<size_t>(count, kChordTableSize);
    const uint8_t fill = count > 0 ? entries[0] : 0;
    for (size_t i = 0; i < kChordTableSize; ++i)
        chordTable[i] = i < kept ? entries[i] : fill;
    return true;
}

std::vector<uint8_t> CElemHeaderRec::Bytes() const
{
    std::vector<uint8_t> out(4 + kChordTableSize);
    out[0] = cvMask;
    out[1] = elementAux;
    out[2] = SignatureByte();
    out[3] = kChordTableSize;
    std::copy(chordTable.begin(), chordTable.end(), out.begin() + 4);
    return out;
}

// --- Track parameters ---

namespace {
// Stored entry byte i holds model entry byte kTrackParamOrder[i]; the order is its own inverse.
constexpr std::array<int, kTrackParamBytes> kTrackParamOrder{0, 1, 2, 3, 5, 4};
} // namespace

bool CTrackParamRec::Read(const uint8_t* data, size_t size, Entries& entries)
{
    if (size < kSize)
        return false;
    for (int track = 0; track < kStyleTracks; ++track)
        for (int i = 0; i < kTrackParamBytes; ++i)
            entries[track][kTrackParamOrder[i]] = data[track * kTrackParamBytes + i];
    return true;
}

std::vector<uint8_t> CTrackParamRec::Bytes(const Entries& entries)
{
    std::vector<uint8_t> out(kSize);
    for (int track = 0; track < kStyleTracks; ++track)
        for (int i = 0; i < kTrackParamBytes; ++i)
            out[track * kTrackParamBytes + i] = entries[track][kTrackParamOrder[i]];
    return out;
}

// --- Chord variation ---

bool CCvRecord::Read(const uint8_t* data, size_t size)
{
    CBigEndianReader in(data, size);
    uint8_t count = 0;
    const uint8_t* bytes = nullptr;
    if (!in.ReadBE32(lengthTicks) || !in.ReadBE32(marksSize) || !in.ReadBytes(marksSize, marks) ||
        !in.ReadU8(count) || !in.ReadBytes(size_t{count} * 2, bytes))
        return false;
    pairs.resize(count);
    for (size_t i = 0; i < count; ++i)
        pairs[i] = CCvPair{bytes[2 * i], bytes[2 * i + 1]};
    return true;
}

bool CCvRecord::Bytes(const std::vector<uint8_t>& markStream, std::vector<uint8_t>& out) const
{
    if (pairs.size() > 255 || markStream.size() > UINT32_MAX)
        return false;
    out.clear();
    out.reserve(StoredSize(markStream.size(), pairs.size()));
    AppendBE32(out, lengthTicks);
    AppendBE32(out, static_cast<uint32_t>(markStream.size()));
    out.insert(out.end(), markStream.begin(), markStream.end());
    out.push_back(static_cast<uint8_t>(pairs.size()));
    for (const CCvPair& pair : pairs) {
        out.push_back(pair.trackType);
        out.push_back(pair.track);
    }
    return true;
}

// --- Pattern record ---
