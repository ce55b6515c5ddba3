// A chord variation: pattern set-up, size estimate, tempo marks and selective copy.
#include "bank/model/CNstChordVar.h"

#include "bank/model/CNstStyle.h"
#include "events/CEncoderBase.h"
#include "packed/CPackedStream.h"

#include <algorithm>
#include <cassert>

namespace {
constexpr uint8_t kSetTempoType = 0x51;
constexpr int64_t kMicrosPerMinute = 60000000;
// A Set Tempo holds 24 bits of microseconds per quarter note.
constexpr int64_t kMaxMicrosPerQuarter = 0xFFFFFF;
} // namespace

CNstPattern& CNstChordVar::GetPattern(int track)
{
    assert(track >= 0 && track < kStyleTracks);
    CNstPattern& pattern = patterns[track];
    if (pattern.isVirgin) {
        pattern.isVirgin = false;
        pattern.numerator = numerator;
        pattern.denomExp = denomExp;
        pattern.measures = measures;
        if (style)
            style->OnPatternSetUp(pattern, track);
    }
    return pattern;
}

bool CNstChordVar::IsEmpty() const
{
    return std::all_of(patterns.begin(), patterns.end(), [](const CNstPattern& p) { return p.isEmpty; });
}

int CNstChordVar::EstimateSize(bool repeat) const
{
    int size = 227 + TempoSize();
    for (const CNstPattern& pattern : patterns) {
        size += pattern.DataSize();
        if (!repeat || pattern.lengthTicks <= 0)
            continue;
        for (int64_t length = int64_t{pattern.lengthTicks} * 2; length <= lengthTicks; length *= 2)
            size += pattern.DataSize();
    }
    return size;
}

int CNstChordVar::SetTempoStream(const uint8_t* bytes, size_t size, int styleTempo)
{
    CPackedReader reader(bytes, size);
    CPackedWriter out;
    bool kept = false;
    int64_t previousBpm = 0; // 0: no Set Tempo seen yet
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); event; event = event->next) {
            if (IsPrivateMark(*event, kTempoMark)) {
                kept = out.WriteEvent(time, *event) || kept;
                continue;
            }
            if (styleTempo <= 0 || event->Kind() != EventKind::Meta || event->MetaType() != kSetTempoType ||
                event->Length() < 3)
                continue;
            const int64_t micros =
                (int64_t{event->DataByte(0)} << 16) | (event->DataByte(1) << 8) | event->DataByte(2);
            // A tempo of 0 microseconds per quarter note has no speed; it is skipped.
            if (micros == 0)
                continue;
            const int64_t bpm = std::max<int64_t>(1, kMicrosPerMinute / micros);
            if (previousBpm != 0 && bpm != previousBpm) {
                const auto percent =
                    static_cast<uint8_t>(std::clamp<int64_t>(bpm * 100 / styleTempo, 1, 255));
                kept = out.WriteMeta(time, CEvent::PrivateMetaType, {kTempoMark, percent}) || kept;
            }
            previousBpm = bpm;
        }
    }
    if (reader.Failed())
        return -1;
    if (kept && out.Finish(kTempoStreamEnd))
        tempoData = out.TakeBytes();
    else
        tempoData.clear();
    return static_cast<int>(reader.Time());
}

bool CNstChordVar::WriteTempoEvents(CEncoderBase& encoder, int styleTempo) const
{
    CPackedReader reader(tempoData.data(), tempoData.size());
    CChainPtr chain;
    uint32_t time = 0;
    bool ok = true;
    while (ok && !tempoData.empty() && reader.Next(chain, time)) {
        for (const CLinkedEvent* event = chain.get(); ok && event; event = event->next) {
            if (!IsPrivateMark(*event, kTempoMark) || event->Length() < 2)
                continue;
            const int64_t bpm = int64_t{styleTempo} * event->DataByte(1) / 100;
            const int64_t micros =
                std::min(kMaxMicrosPerQuarter, bpm > 0 ? kMicrosPerMinute / bpm : kMicrosPerMinute);
            const uint8_t bytes[3] = {static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                                      static_cast<uint8_t>(micros)};
            ok = WriteMetaTo(encoder, time, kSetTempoType, bytes, 3);
        }
    }
    ok = ok && WriteMetaTo(encoder, kTempoStreamEnd, CEvent::EndOfTrackType, nullptr, 0);
    return encoder.Close() && ok;
}

void CNstChordVar::CopyFrom(CNstChordVar& source, int srcTrack, int dstTrack)
{
    if (IsEmpty() || srcTrack == kAllIndices) {
        lengthTicks = source.lengthTicks;
        numerator = source.numerator;
        denomExp = source.denomExp;
        measures = source.measures;
        tempoData = source.tempoData;
    }
    CIndexRange::Of(srcTrack, kStyleTracks).ForEach(dstTrack, kStyleTracks, [&](int from, int to) {
        if (source.patterns[from].isVirgin)
            patterns[to].Reset();
        else
            patterns[to].CopyFrom(source.GetPattern(from));
    });
}
