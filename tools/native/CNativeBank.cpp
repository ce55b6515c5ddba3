// The native-form bank: the music of CNativeMusic stored record by record in the compact form.
#include "tools/native/CNativeBank.h"

#include "bank/chunk/CStyleBank.h"
#include "bank/model/CNstRecords.h"
#include "tools/bankbuilder/CBankBuilder.h"
#include "tools/native/CNativeMusic.h"
#include "tools/native/CNativeStream.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

using Bytes = CBankBuilder::Bytes;

constexpr uint8_t kPrivateMeta = 0x7E;
constexpr uint8_t kTempoMark = 2, kStartMark = 3, kEndMark = 4;
constexpr uint8_t kDataFlag = 0x08;
constexpr uint8_t kElementAux[kStyleElements] = {1, 1, 1, 1, 3, 1, 1, 1, 3, 1, 1, 1};
// The keyboard's track styles of Drum, Percussion, Bass and the accompaniment tracks.
constexpr uint8_t kTrackStyles[kStyleTracks][kTrackStyleBytes] = {{0, 0, 1}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0},
                                                                  {2, 1, 0}, {2, 1, 0}, {2, 1, 0}, {2, 1, 0}};
constexpr uint8_t kTrailer[2] = {0x00, 0x7F};

// One slot of a chord variation: a track playing one piece, started (and stopped) by its marks.
struct CSlot {
    int track;
    int piece;
};

// The slot of a track's piece; slots.size() when it has none yet.
size_t SlotOf(const std::vector<CSlot>& slots, int track, int piece)
{
    return static_cast<size_t>(
        std::find_if(slots.begin(), slots.end(),
                     [&](const CSlot& slot) { return slot.track == track && slot.piece == piece; }) -
        slots.begin());
}

// Each track's pieces in the order they first play: the slots of one track are neighbours.
std::vector<CSlot> SlotsOf(const CChordVarPlan& chordVar)
{
    std::vector<CSlot> slots;
    for (const CTrackPlay& play : chordVar.tracks)
        for (const CSpan& span : play.spans)
            if (SlotOf(slots, play.track, span.piece) == slots.size())
                slots.push_back({play.track, span.piece});
    return slots;
}

// The mark stream: at each span's start its slot's start mark, at its end (before the chord variation's)
// the end mark, the tempo marks, and End of Track at the length. At one time end marks come first.
Bytes MarkStream(const CChordVarPlan& chordVar, const std::vector<CSlot>& slots)
{
    std::vector<std::tuple<uint32_t, uint8_t, uint8_t>> marks; // time, code order, slot or percent
    for (const CTrackPlay& play : chordVar.tracks)
        for (const CSpan& span : play.spans) {
            const auto slot = static_cast<uint8_t>(SlotOf(slots, play.track, span.piece));
            marks.emplace_back(span.start, 1, slot);
            if (span.end < chordVar.lengthTicks)
                marks.emplace_back(span.end, 0, slot);
        }
    for (const CTempoMark& tempo : chordVar.tempoMarks)
        marks.emplace_back(tempo.time, 2, tempo.percent);
    std::sort(marks.begin(), marks.end());
    CNativeStream stream;
    for (const auto& [time, order, value] : marks) {
        if (order == 0)
            stream.Meta(time, kPrivateMeta, {kEndMark, value});
        else if (order == 1)
            stream.Meta(time, kPrivateMeta, {kStartMark, value, 0, 0});
        else
            stream.Meta(time, kPrivateMeta, {kTempoMark, value});
    }
    return stream.End(chordVar.lengthTicks);
}

// The pattern record of a piece: length, stream size, the stream, and the trailer of non-drum records.
Bytes PatternRecord(const CPiece& piece)
{
    // Controls and notes in time order; a damaged piece gets its invalid code byte before the first
    // event at or after the damage.
    std::vector<std::pair<uint32_t, size_t>> order;
    for (size_t i = 0; i < piece.controls.size(); ++i)
        order.emplace_back(piece.controls[i].time, i);
    for (size_t i = 0; i < piece.notes.size(); ++i)
        order.emplace_back(piece.notes[i].time, piece.controls.size() + i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    CNativeStream stream;
    bool damaged = piece.damagedAt == 0;
    for (const auto& [time, index] : order) {
        if (!damaged && time >= piece.damagedAt) {
            stream.Damage(piece.damagedAt);
            damaged = true;
        }
        if (index < piece.controls.size()) {
            const CPieceControl& control = piece.controls[index];
            stream.Control(time, piece.channel, control.controller, control.value);
        } else {
            const CPieceNote& note = piece.notes[index - piece.controls.size()];
            stream.Note(time, piece.channel, note.key, note.velocity, note.duration, note.sound);
        }
    }
    const Bytes events = stream.End(piece.lengthTicks);
    Bytes record;
    AppendBE32(record, piece.lengthTicks);
    AppendBE32(record, static_cast<uint32_t>(events.size()));
    record.insert(record.end(), events.begin(), events.end());
    if (piece.trackType != 0)
        record.insert(record.end(), std::begin(kTrailer), std::end(kTrailer));
    return record;
}

Bytes ElementContainer(const CStylePlan& style, const CElementPlan& element,
                       const std::vector<Bytes>& chordVarRecords)
{
    CElemHeaderRec header;
    header.elementAux = kElementAux[element.element];
    header.numerator = element.numerator;
    header.denomExp = element.denomExp;
    for (size_t i = 0; i < header.chordTable.size(); ++i)
        header.chordTable[i] = static_cast<uint8_t>(element.chordVars[i % element.chordVars.size()].cv);
    for (const CChordVarPlan& chordVar : element.chordVars)
        header.cvMask = static_cast<uint8_t>(header.cvMask | 1u << chordVar.cv);
    CTrackParamRec::Entries entries{};
    for (size_t track = 0; track < entries.size(); ++track) {
        const auto& program = style.programs[track];
        entries[track] = {100, program[0], program[1], program[2], 21, 108};
    }
    std::vector<Bytes> records = {CBankBuilder::Record(1, header.Bytes()),
                                  CBankBuilder::Record(2, CTrackParamRec::Bytes(entries))};
    for (const Bytes& record : chordVarRecords)
        records.push_back(CBankBuilder::Record(3, record));
    return CBankBuilder::Chunk(3, 0, 0, 0, CBankBuilder::Join(records));
}

} // namespace

// The style content tree: header, the pool of the pieces in the order they are first referenced, and the
// elements with their chord variation records.
std::vector<uint8_t> CNativeBank::StyleContent(const CStylePlan& style)
{
    std::map<int, uint16_t> poolIndex; // piece -> 1-based position in the pool
    std::vector<Bytes> poolRecords;
    CPoolListRec poolList;
    std::vector<Bytes> elements;
    CStyleHeaderRec header;
    header.name = style.name;
    for (size_t track = 0; track < kStyleTracks; ++track)
        std::copy(std::begin(kTrackStyles[track]), std::end(kTrackStyles[track]),
                  header.trackStyle[track].begin());
    for (const CElementPlan& element : style.elements) {
        header.elementMask = static_cast<uint16_t>(header.elementMask | 1u << element.element);
        std::vector<Bytes> chordVarRecords;
        for (const CChordVarPlan& chordVar : element.chordVars) {
            const std::vector<CSlot> slots = SlotsOf(chordVar);
            CCvRecord record;
            record.lengthTicks = chordVar.lengthTicks;
            for (const CSlot& slot : slots) {
                record.pairs.push_back({TrackTypeOf(slot.track), static_cast<uint8_t>(slot.track)});
                auto [entry, added] =
                    poolIndex.try_emplace(slot.piece, static_cast<uint16_t>(poolRecords.size() + 1));
                const CPiece& piece = style.pieces[static_cast<size_t>(slot.piece)];
                if (added)
                    poolRecords.push_back(CBankBuilder::Record(static_cast<uint8_t>(piece.trackType + 2),
                                                               PatternRecord(piece)));
                poolList.references.push_back(entry->second);
            }
            record.Bytes(MarkStream(chordVar, slots), chordVarRecords.emplace_back());
        }
        elements.push_back(ElementContainer(style, element, chordVarRecords));
    }
    poolList.patternCount = static_cast<uint16_t>(poolRecords.size());
    const bool newFormat = style.version != 0;
    std::vector<Bytes> pool = {CBankBuilder::Record(1, poolList.Bytes())};
    pool.insert(pool.end(), poolRecords.begin(), poolRecords.end());
    std::vector<Bytes> root = {
        CBankBuilder::Chunk(1, 0, newFormat ? 1 : 0, kDataFlag, header.Bytes(newFormat)),
        CBankBuilder::Chunk(2, 0, 0, 0, CBankBuilder::Join(pool))};
    root.insert(root.end(), elements.begin(), elements.end());
    return CBankBuilder::StyleContent(style.version, root);
}

namespace {

// The notes a chord variation plays: each span's piece repeated from its start, every note cut at the
// chord variation's last tick.
CNativeChordVar ChordVarNotes(const CStylePlan& style, int element, const CChordVarPlan& chordVar)
{
    CNativeChordVar played{element, chordVar.cv, chordVar.lengthTicks, {}};
    const uint32_t lastTick = chordVar.lengthTicks - 1;
    for (const CTrackPlay& play : chordVar.tracks)
        for (const CSpan& span : play.spans) {
            const CPiece& piece = style.pieces[static_cast<size_t>(span.piece)];
            for (uint32_t pass = span.start; pass < span.end; pass += piece.lengthTicks)
                for (const CPieceNote& note : piece.notes) {
                    const uint32_t start = pass + note.time;
                    played.notes.push_back({static_cast<uint8_t>(play.track), start, note.key, note.velocity,
                                            std::min(start + note.duration, lastTick)});
                }
        }
    std::sort(played.notes.begin(), played.notes.end());
    return played;
}

// The spans of every track lie inside their chord variation, in order, each a whole number of its
// piece's lengths, on a piece of the track's type; pieces hold their notes inside their length.
bool FollowsTheForm(const CStylePlan& style)
{
    for (const CPiece& piece : style.pieces)
        for (const CPieceNote& note : piece.notes)
            if (piece.lengthTicks == 0 || note.time >= piece.lengthTicks)
                return false;
    for (const CElementPlan& element : style.elements)
        for (const CChordVarPlan& chordVar : element.chordVars)
            for (const CTrackPlay& play : chordVar.tracks) {
                uint32_t free = 0;
                for (const CSpan& span : play.spans) {
                    const CPiece& piece = style.pieces[static_cast<size_t>(span.piece)];
                    if (span.start < free || span.end <= span.start || span.end > chordVar.lengthTicks ||
                        (span.end - span.start) % piece.lengthTicks != 0 ||
                        piece.trackType != TrackTypeOf(play.track))
                        return false;
                    free = span.end;
                }
            }
    return true;
}

// Two notes of one key on one track that overlap or touch would pair their ons and offs ambiguously in
// a MIDI file.
bool NotesApart(const CNativeChordVar& chordVar)
{
    std::map<std::pair<uint8_t, uint8_t>, uint32_t> lastEnd;
    for (const CNativeNote& note : chordVar.notes) { // sorted by track, then start
        const auto [entry, added] = lastEnd.try_emplace({note.track, note.key}, note.end);
        if (!added && note.start <= entry->second)
            return false;
        entry->second = note.end;
    }
    return true;
}

} // namespace

CNativeStyle CNativeBank::ExpectedOf(const CStylePlan& plan)
{
    CNativeStyle style{plan.name, plan.readable, {}};
    for (const CElementPlan& element : plan.elements)
        for (const CChordVarPlan& chordVar : element.chordVars)
            if (plan.readable)
                style.chordVars.push_back(ChordVarNotes(plan, element.element, chordVar));
    return style;
}

std::vector<CNativeStyle> CNativeBank::Expected()
{
    std::vector<CNativeStyle> styles;
    for (const CStylePlan& plan : CNativeMusic::Styles())
        styles.push_back(ExpectedOf(plan));
    return styles;
}

bool CNativeBank::Build(std::vector<uint8_t>& bank)
{
    const std::vector<CStylePlan> plans = CNativeMusic::Styles();
    for (const CStylePlan& plan : plans)
        if (!FollowsTheForm(plan))
            return false;
    for (const CNativeStyle& style : Expected())
        for (const CNativeChordVar& chordVar : style.chordVars)
            if (!NotesApart(chordVar))
                return false;
    CBankBuilder builder;
    builder.DataChunk(3, Bytes(32, 0)).NameTable();
    for (const CStylePlan& plan : plans)
        builder.Style(plan.name, StyleContent(plan), plan.compressed);
    bank = builder.OffsetIndex().Build();
    CStyleBank check;
    return check.OpenImage(bank.data(), bank.size()) == BankResult::Ok;
}
