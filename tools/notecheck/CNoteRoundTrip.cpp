// The note round trip: generated styles, the notes they must export, and the steps they go through.
#include "tools/notecheck/CNoteRoundTrip.h"

#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "events/CEventsPool.h"
#include "packed/CMemEncoder.h"
#include "tools/bankbuilder/CBankBuilder.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace {

// --- Reading a file's notes ---

// A cursor over the file image; every read checks what is left.
struct CFileCursor {
    const uint8_t* p;
    const uint8_t* end;

    bool Has(size_t n) const { return static_cast<size_t>(end - p) >= n; }
    uint32_t BE(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | *p++;
        return value;
    }
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

class CNotePairer {
public:
    void On(uint8_t channel, uint8_t key, uint8_t velocity, uint32_t tick)
    {
        sounding[{channel, key}].push_back({channel, tick, key, velocity, 0});
    }
    bool Off(uint8_t channel, uint8_t key, uint32_t tick)
    {
        auto& started = sounding[{channel, key}];
        if (started.empty())
            return false;
        CHeardNote note = started.front();
        started.erase(started.begin());
        note.end = tick;
        notes.push_back(note);
        return true;
    }
    bool Finish(CHeardNotes& out)
    {
        for (const auto& entry : sounding)
            if (!entry.second.empty())
                return false;
        std::sort(notes.begin(), notes.end());
        out = std::move(notes);
        return true;
    }

private:
    std::map<std::pair<uint8_t, uint8_t>, std::vector<CHeardNote>> sounding;
    CHeardNotes notes;
};

// Data bytes of a channel status.
int DataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// --- Generating a style ---

// Draws numbers from the bytes in turn; once they run out every draw is 0.
class CByteDice {
public:
    CByteDice(const uint8_t* bytes, size_t size) : p(bytes), end(bytes + size) {}

    uint32_t Below(uint32_t n)
    {
        uint32_t value = 0;
        for (uint32_t range = 1; range < n && range < 0x1000000; range <<= 8)
            value = value << 8 | (p != end ? *p++ : 0);
        return n ? value % n : 0;
    }
    uint32_t Between(uint32_t low, uint32_t high) { return low + Below(high - low + 1); }

private:
    const uint8_t* p;
    const uint8_t* end;
};

constexpr uint32_t kFineDurationLimit = 8191;
constexpr uint32_t kCoarseDurationLimit = 131056;

// The duration a whole note keeps once coded: exact up to 8191 ticks, then steps of 16.
uint32_t CodedDuration(uint32_t ticks)
{
    if (ticks <= kFineDurationLimit)
        return ticks;
    return std::min(ticks, kCoarseDurationLimit) & ~15u;
}

uint32_t Copies(uint32_t patternLength, uint32_t cvLength)
{
    return patternLength < cvLength ? (cvLength + patternLength - 1) / patternLength : 1;
}

// Half-open intervals, each at least one tick long, so that a note of no duration still takes its
// tick. Notes may touch; the off of the first is then written before the on of the second.
bool Overlaps(uint32_t start, uint32_t end, const CPlanNote& other)
{
    const uint32_t otherEnd = std::max(other.start + other.duration, other.start + 1);
    return start < otherEnd && other.start < std::max(end, start + 1);
}

// True when no copy of a note starting at `start` begins at or one tick before the chord variation's end.
bool StartsClearOfTheEnd(uint32_t start, uint32_t patternLength, uint32_t cvLength)
{
    for (uint32_t copy = 0; copy < Copies(patternLength, cvLength); ++copy) {
        const uint64_t at = uint64_t{copy} * patternLength + start;
        if (at + 1 == cvLength || at == cvLength)
            return false;
    }
    return true;
}

void AddNotes(CByteDice& dice, CPlanPattern& pattern, uint32_t cvLength)
{
    const uint32_t wanted = dice.Below(4) == 0 ? dice.Between(60, 160) : dice.Below(24);
    // Whole notes of a pattern that is not repeated may sound past its end; repeated ones may not,
    // or they would overlap their own next copy.
    const bool mayCross = pattern.length >= cvLength;
    for (uint32_t i = 0; i < wanted; ++i) {
        CPlanNote note;
        note.whole = dice.Below(3) != 0;
        note.sound = dice.Below(5) == 0;
        note.key = static_cast<uint8_t>(36 + dice.Below(24));
        note.velocity = static_cast<uint8_t>(dice.Between(1, 127));
        note.offVelocity = static_cast<uint8_t>(dice.Below(128));
        note.start = dice.Below(pattern.length);
        const uint32_t room = pattern.length - note.start;
        if (note.whole && dice.Below(6) == 0)
            note.duration = CodedDuration(dice.Between(kFineDurationLimit + 1, 40000));
        else
            note.duration = dice.Below(std::min(room, 4 * 384u) + 1);
        if ((!note.whole || !mayCross) && note.duration > room)
            note.duration = note.whole ? CodedDuration(room) : room;
        const uint32_t end = note.start + note.duration;
        const bool clash =
            std::any_of(pattern.notes.begin(), pattern.notes.end(), [&](const CPlanNote& other) {
                return other.key == note.key && Overlaps(note.start, end, other);
            });
        if (!clash && StartsClearOfTheEnd(note.start, pattern.length, cvLength))
            pattern.notes.push_back(note);
    }
}

void AddControls(CByteDice& dice, CPlanPattern& pattern)
{
    // Tracked controllers (modulation, pan, expression, sustain), a free one, a removed one, pitch
    // bend and a program change, which trimming removes.
    static constexpr uint8_t kControllers[] = {1, 10, 11, 64, 2, 7};
    for (uint32_t n = dice.Below(6); n > 0; --n) {
        CPlanControl control;
        control.time = dice.Below(pattern.length);
        const uint32_t which = dice.Below(8);
        if (which < 6) {
            control.data1 = kControllers[which];
        } else {
            control.kind = static_cast<uint8_t>(which == 6 ? EventKind::PitchBend : EventKind::Program);
            control.data1 = static_cast<uint8_t>(dice.Below(128));
        }
        control.data2 = static_cast<uint8_t>(dice.Below(128));
        pattern.controls.push_back(control);
    }
}

uint32_t PatternLength(CByteDice& dice, uint32_t cvLength)
{
    switch (dice.Below(3)) {
    case 0:
        return dice.Between(96, cvLength - 1); // repeated to fill the chord variation
    case 1:
        return cvLength;
    default:
        return cvLength + dice.Between(1, cvLength); // cut at the chord variation's end
    }
}

// --- Building the style ---

// One event of a pattern's stream at its tick; at one tick offs come first, then ons and controls,
// then the offs of notes of no duration.
struct CStreamEvent {
    uint32_t time;
    int order;
    CEvent event;
};

std::vector<uint8_t> PatternStream(const CPlanPattern& pattern)
{
    std::vector<CStreamEvent> events;
    for (const CPlanNote& note : pattern.notes) {
        const uint32_t end = note.start + note.duration;
        if (note.whole) {
            CEvent event{CEvent::ChannelHeader(note.sound ? EventKind::Sound : EventKind::Note, 0, note.key,
                                               note.velocity),
                         CEvent::NoteData(note.duration, note.offVelocity)};
            events.push_back({note.start, 1, event});
            continue;
        }
        const EventKind on = note.sound ? EventKind::SoundOn : EventKind::NoteOn;
        const EventKind off = note.sound ? EventKind::SoundOff : EventKind::NoteOff;
        events.push_back({note.start, 1, {CEvent::ChannelHeader(on, 0, note.key, note.velocity), 0}});
        events.push_back({end,
                          note.duration == 0 ? 2 : 0,
                          {CEvent::ChannelHeader(off, 0, note.key, note.offVelocity), 0}});
    }
    for (const CPlanControl& control : pattern.controls)
        events.push_back(
            {control.time,
             1,
             {CEvent::ChannelHeader(static_cast<EventKind>(control.kind), 0, control.data1, control.data2),
              0}});
    std::stable_sort(events.begin(), events.end(), [](const CStreamEvent& a, const CStreamEvent& b) {
        return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    CMemEncoder encoder(CNoteForm::Kept);
    for (const CStreamEvent& timed : events) {
        CLinkedEvent event;
        static_cast<CEvent&>(event) = timed.event;
        encoder.WriteChainAt(timed.time, &event);
    }
    encoder.Finish(pattern.length);
    encoder.Close();
    return {encoder.Data(), encoder.Data() + encoder.Size()};
}

std::unique_ptr<CNstEditIfc> BuildModel(const CStylePlan& plan)
{
    auto style = std::make_unique<CNstEditIfc>(nullptr, 0);
    for (const CPlanChordVar& cvPlan : plan.chordVars) {
        CNstStyleElem& element = style->Style().GetElement(cvPlan.element);
        element.numerator = plan.numerator;
        element.denomExp = plan.denomExp;
        CNstChordVar& chordVar = element.GetChordVar(cvPlan.cv);
        chordVar.numerator = plan.numerator;
        chordVar.denomExp = plan.denomExp;
        chordVar.measures = cvPlan.measures;
        chordVar.lengthTicks = static_cast<int32_t>(cvPlan.measures * plan.MeasureTicks());
        for (const CPlanPattern& patternPlan : cvPlan.patterns) {
            CNstPattern& pattern = chordVar.GetPattern(patternPlan.track);
            const std::vector<uint8_t> stream = PatternStream(patternPlan);
            pattern.SetEvents(stream.data(), stream.size(), static_cast<int32_t>(patternPlan.length));
            pattern.measures = static_cast<uint8_t>(std::min<uint32_t>(
                255, (patternPlan.length + plan.MeasureTicks() - 1) / plan.MeasureTicks()));
        }
    }
    return style;
}

// --- The steps ---

std::string CompareExports(CNstEditIfc& style, const CStylePlan& plan, const std::string& step)
{
    for (const CPlanChordVar& cvPlan : plan.chordVars) {
        const std::string where = step + ", element " + std::to_string(cvPlan.element) + " chord variation " +
                                  std::to_string(cvPlan.cv) + ": ";
        CHeardNotes heard;
        if (!ReadHeardNotes(style.ExportCvToSmf(cvPlan.element, cvPlan.cv, CNstEditIfc::AllTracks), heard))
            return where + "the export is no readable file";
        const CHeardNotes expected = ExpectedNotes(plan, cvPlan);
        const auto [a, b] = std::mismatch(expected.begin(), expected.end(), heard.begin(), heard.end());
        if (a != expected.end() || b != heard.end())
            return where + std::to_string(expected.size()) + " notes expected, " +
                   std::to_string(heard.size()) + " exported; first difference: expected " +
                   (a != expected.end() ? ToString(*a) : "none") + ", exported " +
                   (b != heard.end() ? ToString(*b) : "none");
    }
    return "";
}

std::unique_ptr<CNstEditIfc> Reopened(CNstEditIfc& style, bool compact)
{
    const std::vector<uint8_t> chunk = style.BuildStyleChunk(compact);
    if (chunk.empty())
        return nullptr;
    auto reopened = std::make_unique<CNstEditIfc>(chunk.data(), chunk.size());
    return reopened->IsLoaded() ? std::move(reopened) : nullptr;
}

// The style stored compacted in a bank, the bank saved and opened again, the style selected.
std::unique_ptr<CNstEditIfc> ThroughABank(CNstEditIfc& style)
{
    const std::vector<uint8_t> chunk = style.BuildStyleChunk(true);
    if (chunk.empty())
        return nullptr;
    const std::vector<uint8_t> image =
        CBankBuilder().NameTable().Style("Notes", chunk, true).OffsetIndex().Build();
    CStyleBank bank;
    std::vector<uint8_t> saved;
    CStyleBank reopened;
    if (bank.OpenImage(image.data(), image.size()) != BankResult::Ok ||
        bank.SaveImage(saved, bank.StyleNames()).result != BankResult::Ok ||
        reopened.OpenImage(saved.data(), saved.size()) != BankResult::Ok)
        return nullptr;
    const auto selection = reopened.SelectStyle(0);
    if (!selection || selection->content.empty())
        return nullptr;
    auto selected = std::make_unique<CNstEditIfc>(selection->content.data(), selection->content.size());
    return selected->IsLoaded() ? std::move(selected) : nullptr;
}

// Marks notes outside a range of each chord variation's tracks, as the window does for extended
// programs; the export writes them as notes all the same.
void MarkNotes(CNstEditIfc& style, const CStylePlan& plan)
{
    CNoteRanges ranges{};
    for (size_t t = 0; t < ranges.size(); ++t)
        ranges[t] = {static_cast<uint8_t>(40 + t), static_cast<uint8_t>(52 + t)};
    for (const CPlanChordVar& cvPlan : plan.chordVars)
        style.MarkNotesOutsideRanges(cvPlan.element, cvPlan.cv, ranges);
}

} // namespace

std::string ToString(const CHeardNote& note)
{
    return "channel " + std::to_string(note.channel) + " key " + std::to_string(note.key) + " velocity " +
           std::to_string(note.velocity) + " ticks " + std::to_string(note.start) + "-" +
           std::to_string(note.end);
}

bool ReadHeardNotes(const std::vector<uint8_t>& image, CHeardNotes& notes)
{
    CFileCursor in{image.data(), image.data() + image.size()};
    if (!in.Has(14) || in.BE(4) != 0x4D546864 || in.BE(4) != 6 || in.BE(2) != 0 || in.BE(2) != 1)
        return false;
    in.BE(2); // division
    if (!in.Has(8) || in.BE(4) != 0x4D54726B)
        return false;
    const uint32_t length = in.BE(4);
    if (!in.Has(length))
        return false;
    in.end = in.p + length;
    CNotePairer pairer;
    uint32_t tick = 0;
    uint8_t running = 0;
    for (;;) {
        uint32_t delta = 0;
        if (!in.VarLen(delta) || !in.Has(1))
            return false;
        tick += delta;
        uint8_t status = *in.p;
        if (status & 0x80)
            ++in.p;
        else
            status = running;
        if (status == 0xFF || status == 0xF0 || status == 0xF7) {
            running = 0;
            const uint8_t type = status == 0xFF && in.Has(1) ? *in.p++ : 0;
            uint32_t size = 0;
            if (!in.VarLen(size) || !in.Has(size))
                return false;
            in.p += size;
            if (status == 0xFF && type == 0x2F)
                return pairer.Finish(notes);
            continue;
        }
        if (!(status & 0x80) || status >= 0xF0 || !in.Has(static_cast<size_t>(DataBytes(status))))
            return false;
        running = status;
        const uint8_t data1 = *in.p++;
        const uint8_t data2 = DataBytes(status) == 2 ? *in.p++ : 0;
        const uint8_t channel = status & 0x0F;
        if ((status & 0xF0) == 0x90 && data2 > 0)
            pairer.On(channel, data1, data2, tick);
        else if (((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90) && !pairer.Off(channel, data1, tick))
            return false;
    }
}

CStylePlan StylePlanFrom(const uint8_t* bytes, size_t size)
{
    CByteDice dice(bytes, size);
    CStylePlan plan;
    plan.numerator = static_cast<uint8_t>(dice.Between(2, 7));
    plan.denomExp = static_cast<uint8_t>(dice.Between(2, 3));
    const uint32_t chordVars = dice.Between(1, 3);
    for (uint32_t c = 0; c < chordVars; ++c) {
        CPlanChordVar cvPlan;
        cvPlan.element = static_cast<int>(dice.Below(12));
        cvPlan.cv = static_cast<int>(dice.Below(cvPlan.element < 4 ? 6 : 2));
        const bool taken =
            std::any_of(plan.chordVars.begin(), plan.chordVars.end(), [&](const CPlanChordVar& other) {
                return other.element == cvPlan.element && other.cv == cvPlan.cv;
            });
        if (taken)
            continue;
        cvPlan.measures = static_cast<uint8_t>(dice.Between(1, 4));
        const uint32_t cvLength = cvPlan.measures * plan.MeasureTicks();
        uint32_t tracks = 1u << dice.Below(8);
        tracks |= dice.Below(256);
        for (int track = 0; track < 8; ++track) {
            if (!(tracks & (1u << track)))
                continue;
            CPlanPattern& pattern = cvPlan.patterns.emplace_back();
            pattern.track = track;
            pattern.length = PatternLength(dice, cvLength);
            AddNotes(dice, pattern, cvLength);
            AddControls(dice, pattern);
        }
        // A chord variation with the same patterns as the one before: the compacted tree shares them.
        if (!plan.chordVars.empty() && dice.Below(4) == 0 &&
            plan.chordVars.back().measures == cvPlan.measures)
            cvPlan.patterns = plan.chordVars.back().patterns;
        plan.chordVars.push_back(std::move(cvPlan));
    }
    return plan;
}

CHeardNotes ExpectedNotes(const CStylePlan& plan, const CPlanChordVar& chordVar)
{
    static constexpr uint8_t kTrackChannels[8] = {9, 10, 8, 11, 12, 13, 14, 15};
    const uint32_t cvLength = chordVar.measures * plan.MeasureTicks();
    const uint32_t lastTick = cvLength - 1;
    CHeardNotes notes;
    for (const CPlanPattern& pattern : chordVar.patterns) {
        for (uint32_t copy = 0; copy < Copies(pattern.length, cvLength); ++copy) {
            for (const CPlanNote& note : pattern.notes) {
                const uint32_t start = copy * pattern.length + note.start;
                if (start > lastTick)
                    continue;
                const uint32_t duration =
                    std::min(note.start + note.duration + copy * pattern.length, lastTick) - start;
                notes.push_back(
                    {kTrackChannels[pattern.track], start, note.key, note.velocity, start + duration});
            }
        }
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::string CheckNoteRoundTrip(const CStylePlan& plan)
{
    std::unique_ptr<CNstEditIfc> style = BuildModel(plan);
    std::string failure = CompareExports(*style, plan, "as built");
    if (!failure.empty())
        return failure;
    const struct {
        const char* name;
        std::unique_ptr<CNstEditIfc> (*make)(CNstEditIfc&);
    } steps[] = {
        {"expanded", [](CNstEditIfc& from) { return Reopened(from, false); }},
        {"compacted", [](CNstEditIfc& from) { return Reopened(from, true); }},
        {"saved in a bank", ThroughABank},
        {"renamed and saved again",
         [](CNstEditIfc& from) {
             from.SetStyleName("Renamed");
             return Reopened(from, true);
         }},
    };
    for (const auto& step : steps) {
        std::unique_ptr<CNstEditIfc> next = step.make(*style);
        if (!next)
            return std::string(step.name) + ": the style could not be built or read again";
        style = std::move(next);
        failure = CompareExports(*style, plan, step.name);
        if (!failure.empty())
            return failure;
    }
    MarkNotes(*style, plan);
    failure = CompareExports(*style, plan, "marked");
    if (!failure.empty())
        return failure;
    std::unique_ptr<CNstEditIfc> reopened = Reopened(*style, true);
    if (!reopened)
        return "marked and saved: the style could not be built or read again";
    for (const CPlanChordVar& cvPlan : plan.chordVars)
        reopened->ClearNoteMarks(cvPlan.element, cvPlan.cv);
    return CompareExports(*reopened, plan, "marked, saved and cleared");
}
