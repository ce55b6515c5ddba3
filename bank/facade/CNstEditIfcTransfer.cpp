// The bank facade's export to and import from Standard MIDI Files, and its note range marks.
#include "bank/facade/CNoteCollector.h"
#include "bank/facade/CNstEditIfc.h"
#include "events/CTimeBase.h"
#include "events/Trace.h"
#include "packed/CDecProp.h"
#include "packed/CMemEncoder.h"
#include "packed/CPackedStream.h"
#include "packed/CPatternData.h"
#include "packed/CPropPattMerge.h"
#include "packed/CPropPattUnmerge.h"
#include "smf/CMidiIn.h"
#include "smf/CMidiOut.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <initializer_list>
#include <utility>

namespace {

constexpr uint8_t kSetTempo = 0x51;
constexpr uint8_t kTimeSignature = 0x58;
constexpr uint8_t kExpression = 11;
constexpr uint8_t kBankMsb = 0;
constexpr uint8_t kBankLsb = 32;
constexpr int32_t kMicrosPerMinute = 60000000;
constexpr int32_t kImportMeasures = 32;
// The element header stores a numerator in 5 bits and a denominator exponent in 3.
constexpr uint8_t kMaxNumerator = 31;
constexpr uint8_t kMaxDenomExp = 7;

uint8_t MeasuresOf(int64_t ticks, int32_t measureTicks)
{
    if (measureTicks <= 0)
        return 1;
    return static_cast<uint8_t>(std::clamp<int64_t>((ticks + measureTicks - 1) / measureTicks, 1, 255));
}

bool IsSelected(int track, int selection)
{
    return selection == CNstEditIfc::AllTracks || track == selection;
}

void CheckSelection(int element, int cv, int track)
{
    assert(element >= 0 && element < kStyleElements && cv >= 0 && cv < kChordVars);
    assert(track == CNstEditIfc::AllTracks || (track >= 0 && track < kStyleTracks));
    (void)element, (void)cv, (void)track;
}

// --- Note range marks ---

// Each note kind with the sound kind that marks it.
constexpr std::pair<EventKind, EventKind> kMarkedKinds[] = {{EventKind::NoteOff, EventKind::SoundOff},
                                                            {EventKind::NoteOn, EventKind::SoundOn},
                                                            {EventKind::Note, EventKind::Sound}};

// With a range: notes outside it become sounds; without one every sound becomes a note again.
EventKind Converted(const CEvent& event, const CNoteRange* range)
{
    const bool outside = range && (event.Data1() < range->low || event.Data1() > range->high);
    for (const auto& [note, sound] : kMarkedKinds) {
        if (outside && event.Kind() == note)
            return sound;
        if (!range && event.Kind() == sound)
            return note;
    }
    return event.Kind();
}

// Converts the kind of every channel event of the pattern (see Converted), counting those that
// change, and hands each chain to `write` at its time. False when the pattern cannot be decoded or a
// write fails.
template <typename Write>
bool ConvertNotes(const CNstPattern& pattern, const CNoteRange* range, size_t& changed, Write write)
{
    CPackedReader reader(pattern.data.data(), pattern.data.size());
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time)) {
        for (CLinkedEvent* event = chain.get(); event; event = event->next) {
            if (event->Class() != EventClass::Channel)
                continue;
            const EventKind kind = Converted(*event, range);
            if (kind != event->Kind()) {
                event->header = (event->header & ~0xFFu) | static_cast<uint32_t>(kind);
                ++changed;
            }
        }
        if (!write(time, chain.get()))
            return false;
    }
    return !reader.Failed();
}

// Re-encodes the pattern event by event at the same times with converted kinds. A pattern in which
// nothing changes is left byte for byte as it was (and is only decoded). False (pattern unchanged)
// when it cannot be decoded or encoded.
bool RecodeNotes(CNstPattern& pattern, const CNoteRange* range)
{
    size_t changed = 0;
    if (!ConvertNotes(pattern, range, changed, [](uint32_t, CLinkedEvent*) { return true; }))
        return false;
    if (!changed)
        return true;
    CPackedWriter writer;
    uint32_t end = 0;
    const auto write = [&](uint32_t time, CLinkedEvent* chain) {
        end = time;
        return writer.WriteWithoutEnd(time, chain);
    };
    if (!ConvertNotes(pattern, range, changed, write) || !writer.Finish(end))
        return false;
    pattern.SetFromEncoder(writer.Encoder());
    return true;
}

// --- Export ---

// The messages written at tick 0, as records outside the event pool: they never need a buffer.
class CStartChain {
public:
    void AddMeta(uint8_t type, std::initializer_list<uint8_t> bytes)
    {
        events.emplace_back().SetMeta(type, bytes.begin(), static_cast<uint32_t>(bytes.size()));
    }
    void AddChannel(EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2 = 0)
    {
        events.emplace_back().header = CEvent::ChannelHeader(kind, channel, data1, data2);
    }
    bool WriteTo(CEncoderBase& encoder)
    {
        for (size_t i = 0; i + 1 < events.size(); ++i)
            events[i].next = &events[i + 1];
        return events.empty() || encoder.WriteChainAt(0, events.data());
    }

private:
    std::vector<CLinkedEvent> events;
};

// One pattern as it is merged into the file: its record as stored, and a decoder over it.
struct CExportTrack {
    std::vector<uint8_t> record;
    std::unique_ptr<CDecProp> decoder;
    uint8_t channel = 0;
};

// The smallest divisor of the chord variation's measures that is not below the pattern's, so that
// the pattern repeats a whole number of times in the chord variation.
uint8_t FittingMeasures(uint8_t patternMeasures, uint8_t cvMeasures)
{
    const int whole = std::max<int>(1, cvMeasures);
    for (int measures = std::max<int>(1, patternMeasures); measures < whole; ++measures)
        if (whole % measures == 0)
            return static_cast<uint8_t>(measures);
    return static_cast<uint8_t>(whole);
}

// Lengthens a copy of the pattern to whole measures (with every track, to the chord variation's
// measures) by repetition and stores it trimmed to that length. Marked notes go out as notes: a MIDI
// file cannot carry sounds.
bool PrepareExportTrack(const CNstPattern& pattern, const CNstChordVar& chordVar, bool allTracks,
                        CExportTrack& out)
{
    CNstPattern copy = pattern;
    if (!RecodeNotes(copy, nullptr))
        return false;
    copy.measures = allTracks ? std::max<uint8_t>(1, chordVar.measures)
                              : FittingMeasures(pattern.measures, chordVar.measures);
    const int64_t target = int64_t{MeasureTicks(copy.numerator, copy.denomExp)} * copy.measures;
    if (copy.lengthTicks > 0 && copy.lengthTicks < target) {
        const int64_t repeats = (target + copy.lengthTicks - 1) / copy.lengthTicks;
        if (!copy.SetLength(static_cast<int32_t>(repeats * copy.lengthTicks), false))
            return false;
    }
    const auto kind = static_cast<uint8_t>(copy.trackType + 2);
    CPatternData view;
    if (!StoreTrimmedRecord(copy.data.data(), copy.data.size(), kind, copy.param1, copy.param2,
                            static_cast<uint32_t>(target), out.record) ||
        !view.Load(out.record.data(), static_cast<uint32_t>(out.record.size()), kind, false))
        return false;
    out.decoder = std::make_unique<CDecProp>(view.data, static_cast<int32_t>(view.dataSize));
    return true;
}

// --- Import ---

// What the first pass finds in the file.
struct CFileSettings {
    int32_t tempo = -1; // of the first usable Set Tempo, -1 without one
    uint8_t numerator = 4;
    uint8_t denomExp = 2;
    CTrackParamRec::Entries entries{};
};

using CChannelMap = std::array<int, 16>; // track of each channel, -1 for none

CChannelMap MapChannels(int track, bool singleChannel)
{
    CChannelMap map;
    map.fill(singleChannel ? track : -1);
    if (!singleChannel)
        for (int t = 0; t < kStyleTracks; ++t)
            map[CNstEditIfc::TrackChannels[t]] = t;
    return map;
}

void NoteMeta(const CEvent& event, bool withParameters, CFileSettings& settings)
{
    if (event.MetaType() == kSetTempo && event.Length() >= 3 && settings.tempo < 0) {
        const uint32_t micros =
            uint32_t{event.DataByte(0)} << 16 | uint32_t{event.DataByte(1)} << 8 | event.DataByte(2);
        // A tempo of 0 microseconds per quarter note means nothing: it is passed over.
        if (micros > 0)
            settings.tempo = std::max<int32_t>(1, kMicrosPerMinute / static_cast<int32_t>(micros));
    } else if (withParameters && event.MetaType() == kTimeSignature && event.Length() >= 2) {
        const uint8_t numerator = event.DataByte(0);
        const uint8_t denomExp = event.DataByte(1);
        if (numerator >= 1 && numerator <= kMaxNumerator && denomExp <= kMaxDenomExp) {
            settings.numerator = numerator;
            settings.denomExp = denomExp;
        } else {
            Trace("CNstEditIfc::ImportSmfToCv() - time signature %u/2^%u ignored", numerator, denomExp);
        }
    }
}

void NoteChannel(const CEvent& event, const CChannelMap& map, CFileSettings& settings)
{
    const int track = map[event.Channel() & 0x0F];
    if (track < 0)
        return;
    auto& entry = settings.entries[track];
    if (event.Kind() == EventKind::Program)
        entry[3] = event.Data1();
    else if (event.Kind() == EventKind::Control && event.Data1() == kExpression)
        entry[0] = event.Data2();
    else if (event.Kind() == EventKind::Control && event.Data1() == kBankMsb)
        entry[1] = event.Data2();
    else if (event.Kind() == EventKind::Control && event.Data1() == kBankLsb)
        entry[2] = event.Data2();
}

// Reads the whole track: the first tempo and, with `withParameters`, the last time signature and
// each mapped track's last expression, bank select and program. False unless the track decodes up
// to its End of Track; the splitter is only run over tracks that do, so that it always reaches
// their end.
bool ScanFile(CDecBase& decoder, const CChannelMap& map, bool withParameters, CFileSettings& settings)
{
    if (decoder.OnRewind() < 0)
        return false;
    for (;;) {
        CLinkedEvent* raw = nullptr;
        const int32_t delay = decoder.ExtractEvent(raw);
        const CChainPtr chain(raw);
        if (!chain)
            return false;
        for (const CLinkedEvent* event = chain.get(); event; event = event->next)
            if (event->Kind() == EventKind::Meta)
                NoteMeta(*event, withParameters, settings);
            else if (withParameters && event->Class() == EventClass::Channel)
                NoteChannel(*event, map, settings);
        if (delay < 0)
            return decoder.IsFinished();
    }
}

// Stores what a track's encoder received as the pattern (already set up), trimmed to the
// encoder's end and, when it holds events, lengthened to `cvLength` without repetition.
bool ImportPattern(CNstPattern& pattern, const CMemEncoder& encoder, int32_t cvLength)
{
    const CEncodedBytes written = EncodedBytesOf(encoder);
    const auto kind = static_cast<uint8_t>(pattern.trackType + 2);
    std::vector<uint8_t> record;
    CPatternData view;
    if (written.endTime < 0 ||
        !StoreTrimmedRecord(written.bytes, written.size, kind, pattern.param1, pattern.param2,
                            static_cast<uint32_t>(written.endTime), record) ||
        !view.Load(record.data(), static_cast<uint32_t>(record.size()), kind, false))
        return false;
    pattern.SetEvents(view.data, view.dataSize, written.endTime);
    if (pattern.isEmpty) {
        pattern.Reset();
        return true;
    }
    if (pattern.lengthTicks < cvLength && !pattern.SetLength(cvLength, true))
        return false;
    pattern.measures = MeasuresOf(pattern.lengthTicks, MeasureTicks(pattern.numerator, pattern.denomExp));
    return true;
}

} // namespace

std::vector<uint8_t> CNstEditIfc::ExportCvToSmf(int element, int cv, int track)
{
    CheckSelection(element, cv, track);
    CNstStyleElem& elem = style->GetElement(element);
    CNstChordVar& chordVar = elem.GetChordVar(cv);
    if (track != AllTracks)
        chordVar.GetPattern(track);
    else if (chordVar.IsEmpty())
        chordVar.GetPattern(0);
    // The pattern keeps the measures it is exported with, so that it repeats a whole number of times.
    for (int t = 0; t < kStyleTracks; ++t) {
        CNstPattern& pattern = chordVar.patterns[t];
        if (IsSelected(t, track) && !pattern.isVirgin)
            pattern.measures = FittingMeasures(pattern.measures, chordVar.measures);
    }
    CMidiOut file;
    if (!MergeCv(elem, chordVar, track, file) || file.Output().GetError() != 0) {
        Trace("CNstEditIfc::ExportCvToSmf() - the file could not be written");
        return {};
    }
    const CMemOut& image = file.Output();
    return {image.Data(), image.Data() + image.GetSize()};
}

bool CNstEditIfc::ReadCvNotes(int element, int cv, int track, std::vector<CCvNote>& notes) const
{
    CheckSelection(element, cv, track);
    notes.clear();
    const CNstStyleElem* elem = style->FindElement(element);
    const CNstChordVar* chordVar = elem ? elem->FindChordVar(cv) : nullptr;
    if (!chordVar)
        return true;
    CNoteCollector collector;
    if (!collector.Open() || !MergeCv(*elem, *chordVar, track, collector))
        return false;
    std::array<uint8_t, 16> trackOf{};
    for (int t = 0; t < kStyleTracks; ++t)
        trackOf[TrackChannels[t]] = static_cast<uint8_t>(t);
    for (const CCollectedNote& note : collector.Notes())
        notes.push_back({note.start, trackOf[note.channel], note.key, note.end - note.start, note.velocity});
    std::sort(notes.begin(), notes.end());
    return true;
}

bool CNstEditIfc::MergeCv(const CNstStyleElem& elem, const CNstChordVar& chordVar, int track,
                          CEncoderBase& encoder) const
{
    const bool allTracks = track == AllTracks;
    CStartChain start;
    if (styleTempo > 0) {
        const int32_t micros = kMicrosPerMinute / styleTempo;
        start.AddMeta(kSetTempo, {static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                                  static_cast<uint8_t>(micros)});
    }
    start.AddMeta(kTimeSignature,
                  {elem.numerator, elem.denomExp, static_cast<uint8_t>(96 >> (elem.denomExp & 7)), 8});
    std::vector<CExportTrack> tracks;
    for (int t = 0; t < kStyleTracks; ++t) {
        const CNstPattern& pattern = chordVar.patterns[t];
        if (!IsSelected(t, track) || pattern.isVirgin)
            continue;
        const auto& entry = elem.tracks[t];
        const uint8_t channel = TrackChannels[t];
        start.AddChannel(EventKind::Control, channel, kExpression, entry[0]);
        start.AddChannel(EventKind::Control, channel, kBankMsb, entry[1]);
        start.AddChannel(EventKind::Control, channel, kBankLsb, entry[2]);
        start.AddChannel(EventKind::Program, channel, entry[3]);
        CExportTrack& out = tracks.emplace_back();
        out.channel = channel;
        if (!PrepareExportTrack(pattern, chordVar, allTracks, out)) {
            Trace("CNstEditIfc::MergeCv() - track %d cannot be encoded", t);
            return false;
        }
    }

    if (!start.WriteTo(encoder))
        return false;
    CPropPattMerge merger(encoder);
    for (CExportTrack& out : tracks)
        if (!merger.AddTrack(*out.decoder, out.channel))
            return false;
    CMemEncoder tempoEvents(CNoteForm::Split);
    CDecProp tempoDecoder;
    if (allTracks && chordVar.TempoSize() > 0 && styleTempo > 0) {
        if (!chordVar.WriteTempoEvents(tempoEvents, styleTempo))
            return false;
        tempoDecoder.SetBuffer(tempoEvents.Data(), static_cast<int32_t>(tempoEvents.Size()));
        if (!merger.AddStream(tempoDecoder, static_cast<uint32_t>(chordVar.lengthTicks)))
            return false;
    }
    const bool merged = merger.Run();
    // A packed decoder that runs out of event records ends its stream early without failing the merge:
    // only a source that reached its End of Track was merged whole.
    const bool complete = std::all_of(tracks.begin(), tracks.end(),
                                      [](const CExportTrack& out) { return out.decoder->IsFinished(); });
    if (!merged || !complete) {
        Trace("CNstEditIfc::MergeCv() - the chord variation could not be merged");
        return false;
    }
    return true;
}

bool CNstEditIfc::ImportSmfToCv(const uint8_t* bytes, size_t size, int element, int cv, int track,
                                bool singleChannel)
{
    CheckSelection(element, cv, track);
    assert(!singleChannel || track != AllTracks);
    if (!bytes || size > UINT32_MAX)
        return false;
    CMidiIn file(bytes, static_cast<uint32_t>(size));
    if (!file.Open())
        return false;
    CDecSMF0& decoder = *file.Decoder();
    const bool allTracks = track == AllTracks;

    // Everything is read into scratch state first; the style changes only once the whole file has
    // been taken in, so that a file that fails half-way leaves it as it was.
    const CNstStyleElem* existing = style->FindElement(element);
    const bool wasEmpty = !existing || existing->IsEmpty();
    const CChannelMap map = MapChannels(track, singleChannel);
    CFileSettings settings;
    if (existing) {
        settings.numerator = wasEmpty ? 4 : existing->numerator;
        settings.denomExp = wasEmpty ? 2 : existing->denomExp;
        settings.entries = existing->tracks;
    } else {
        CNstStyleElem defaults(style.get());
        style->OnElementCreated(defaults, element);
        settings.entries = defaults.tracks;
    }
    if (!ScanFile(decoder, map, wasEmpty, settings)) {
        Trace("CNstEditIfc::ImportSmfToCv() - the track cannot be read to its end");
        return false;
    }

    CStyleMsgFilter expressionFilter;
    CPropPattUnmerge splitter(decoder, &expressionFilter);
    std::array<std::unique_ptr<CMemEncoder>, kStyleTracks> encoders;
    for (int t = 0; t < kStyleTracks; ++t) {
        if (!IsSelected(t, track))
            continue;
        encoders[t] = std::make_unique<CMemEncoder>(CNoteForm::Split);
        splitter.AddChannelSink(*encoders[t],
                                singleChannel ? CPropPattUnmerge::AllChannels : TrackChannels[t], 0);
    }
    CMemEncoder tempoSource(CNoteForm::Split);
    if (allTracks)
        splitter.AddMetaSink(tempoSource);
    const int32_t reached = splitter.Run(
        0, static_cast<uint32_t>(kImportMeasures * MeasureTicks(settings.numerator, settings.denomExp)));
    if (reached < 0 || decoder.HasFailed()) {
        Trace("CNstEditIfc::ImportSmfToCv() - the track could not be split");
        return false;
    }

    const CNstChordVar* oldCv = existing ? existing->FindChordVar(cv) : nullptr;
    CNstChordVar incoming = oldCv ? *oldCv : CNstChordVar(style.get());
    if (!oldCv)
        style->OnChordVarCreated(incoming, cv);
    if (!oldCv || wasEmpty) {
        // The element takes the file's signature below: the chord variation and its patterns measure
        // their length in it from the start.
        incoming.numerator = settings.numerator;
        incoming.denomExp = settings.denomExp;
        for (CNstPattern& pattern : incoming.patterns) {
            pattern.numerator = settings.numerator;
            pattern.denomExp = settings.denomExp;
        }
    }
    const int32_t measureTicks = MeasureTicks(incoming.numerator, incoming.denomExp);
    incoming.measures = MeasuresOf(reached, measureTicks);
    incoming.lengthTicks = incoming.measures * measureTicks;
    if (allTracks && settings.tempo > 0 &&
        incoming.SetTempoStream(tempoSource.Data(), tempoSource.Size(), settings.tempo) < 0)
        return false;
    for (int t = 0; t < kStyleTracks; ++t)
        if (encoders[t] && !ImportPattern(incoming.GetPattern(t), *encoders[t], incoming.lengthTicks))
            return false;

    CNstStyleElem& elem = style->GetElement(element);
    if (wasEmpty) {
        elem.numerator = settings.numerator;
        elem.denomExp = settings.denomExp;
        for (int t = 0; t < kStyleTracks; ++t)
            if (encoders[t] && !incoming.patterns[t].isVirgin)
                elem.tracks[t] = settings.entries[t];
    }
    elem.GetChordVar(cv) = std::move(incoming);
    if (settings.tempo > 0)
        styleTempo = settings.tempo;
    return true;
}

bool CNstEditIfc::MarkNotesOutsideRanges(int element, int cv, const CNoteRanges& ranges)
{
    CNstChordVar* chordVar = FindChordVar(element, cv);
    bool ok = true;
    for (int t = 0; chordVar && t < kStyleTracks; ++t)
        if (!ranges[t].IsFull() && !chordVar->patterns[t].isVirgin)
            ok = RecodeNotes(chordVar->patterns[t], &ranges[t]) && ok;
    return ok;
}

bool CNstEditIfc::ClearNoteMarks(int element, int cv)
{
    CNstChordVar* chordVar = FindChordVar(element, cv);
    bool ok = true;
    for (int t = 0; chordVar && t < kStyleTracks; ++t)
        if (!chordVar->patterns[t].isVirgin)
            ok = RecodeNotes(chordVar->patterns[t], nullptr) && ok;
    return ok;
}
