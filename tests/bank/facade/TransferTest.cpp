// Export of chord variations to MIDI files, import from them, and note range marks.
#include "FacadeTestSupport.h"
#include "events/Trace.h"
#include "packed/CPackedStream.h"

#include <gtest/gtest.h>

using namespace facadetest;

namespace {

constexpr uint8_t kBass = 2;
constexpr uint8_t kBassChannel = 8;
constexpr uint8_t kDrumChannel = 9;

class Transfer : public CPoolCheckedTest {};

uint32_t ChannelHeader(EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2 = 0)
{
    return CEvent::ChannelHeader(kind, channel, data1, data2);
}

// (tick, header) of every event, Meta data left out.
std::vector<std::pair<uint32_t, uint32_t>> TicksAndHeaders(const std::vector<CFileEvent>& events)
{
    std::vector<std::pair<uint32_t, uint32_t>> result;
    for (const CFileEvent& event : events)
        result.emplace_back(event.tick, event.header);
    return result;
}

// Gives a pattern events written through the model's packed writer: notes (start, end, key).
void FillPattern(CNstPattern& pattern, std::initializer_list<std::array<uint32_t, 3>> notes, uint32_t end)
{
    std::vector<std::pair<uint32_t, uint32_t>> events;
    for (const auto& [start, stop, key] : notes) {
        events.emplace_back(start, ChannelHeader(EventKind::NoteOn, 0, static_cast<uint8_t>(key), 100));
        events.emplace_back(stop, ChannelHeader(EventKind::NoteOff, 0, static_cast<uint8_t>(key), 64));
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    CPackedWriter writer;
    for (const auto& [time, header] : events) {
        CEvent event;
        event.header = header;
        ASSERT_TRUE(writer.WriteEvent(time, event));
    }
    ASSERT_TRUE(writer.Finish(end));
    pattern.SetFromEncoder(writer.Encoder());
}

TEST_F(Transfer, ExportOfOneTrackOfAnEmptyChordVariationHoldsItsSettingsAndLength)
{
    CNstEditIfc facade(nullptr, 0);
    const Bytes image = facade.ExportCvToSmf(0, 0, kBass);
    ASSERT_FALSE(image.empty());
    const std::vector<CFileEvent> events = EventsOf(image);
    // Variation 1 is created with two-measure chord variations in 4/4; the Bass track on channel 8
    // (bank 121/0, program 32, expression 100).
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0, CEvent::MetaHeader(0x51, 3, false)},
        {0, CEvent::MetaHeader(0x58, 4, false)},
        {0, ChannelHeader(EventKind::Control, kBassChannel, 11, 100)},
        {0, ChannelHeader(EventKind::Control, kBassChannel, 0, 121)},
        {0, ChannelHeader(EventKind::Control, kBassChannel, 32, 0)},
        {0, ChannelHeader(EventKind::Program, kBassChannel, 32)},
        {2 * 1536, CEvent::EndOfTrackHeader},
    };
    EXPECT_EQ(TicksAndHeaders(events), expected);
    ASSERT_EQ(events.size(), expected.size());
    EXPECT_EQ(events[0].data, (Bytes{0x07, 0xA1, 0x20})) << "500000 microseconds: 120 bpm";
    EXPECT_EQ(events[1].data, (Bytes{4, 2, 24, 8}));
    EXPECT_EQ(facade.GetTrackState(0, 0, kBass), CNstEditIfc::StateEmpty) << "the exported track was set up";
}

TEST_F(Transfer, ExportRepeatsAShortPatternOverTheChordVariation)
{
    CNstEditIfc facade(nullptr, 0);
    facade.GetCvLength(0, 0); // two measures
    CNstPattern& bass = facade.Style().GetElement(0).GetChordVar(0).GetPattern(kBass);
    FillPattern(bass, {{0, 384, 40}}, 1536);
    bass.measures = 1;

    const std::vector<CNote> all = NotesOf(facade.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks));
    const std::vector<CNote> twice = {{0, kBassChannel, 40, 100, 384}, {1536, kBassChannel, 40, 100, 1920}};
    EXPECT_EQ(all, twice);
    EXPECT_EQ(bass.lengthTicks, 1536) << "the stored pattern itself is not lengthened";

    // One track alone keeps its own whole measures: the pattern plays once.
    const Bytes single = facade.ExportCvToSmf(0, 0, kBass);
    EXPECT_EQ(NotesOf(single), std::vector<CNote>{twice[0]});
    EXPECT_EQ(EventsOf(single).back().tick, 1536u);

    // Pattern measures are raised to a divisor of the chord variation's: 4 of 6 becomes 6.
    CNstChordVar& cv = facade.Style().GetElement(0).GetChordVar(0);
    cv.measures = 6;
    bass.measures = 4;
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(0, 0, kBass)).size(), 6u);
    EXPECT_EQ(bass.measures, 6);
}

TEST_F(Transfer, ImportIntoAnEmptyElementTakesTempoSignatureAndTrackSettings)
{
    CSmfBuilder file;
    file.Tempo(0, 600000).Signature(0, 3, 2); // 100 bpm, 3/4
    file.Add(0, {0xB8, 11, 90}).Add(0, {0xB8, 0, 1}).Add(0, {0xB8, 32, 2}).Add(0, {0xC8, 5});
    file.Note(0, 200, kBassChannel, 36).Note(1152, 1300, kBassChannel, 38);
    file.Tempo(1152, 400000); // 150 bpm later on: a tempo change of the chord variation
    CNstEditIfc facade(nullptr, 0);
    const Bytes image = file.Image(2 * 1152);
    ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 4, 1, CNstEditIfc::AllTracks, false));

    EXPECT_EQ(facade.StyleTempo(), 100);
    EXPECT_EQ(facade.GetSignature(4), (3 - 1) + 16 * 2);
    const CNstStyleElem& intro = *facade.Style().FindElement(4);
    EXPECT_EQ(intro.tracks[kBass][0], 90);
    EXPECT_EQ(facade.GetTrackProgram(4, kBass), 1 << 24 | 2 << 16 | 5);
    EXPECT_EQ(intro.tracks[0][3], 0) << "a track without events keeps its program";
    EXPECT_EQ(facade.GetCvLength(4, 1), 2);
    const CNstChordVar& cv = *intro.FindChordVar(1);
    EXPECT_EQ(cv.lengthTicks, 2 * 1152);
    EXPECT_FALSE(cv.tempoData.empty()) << "the change to 150 bpm is kept as a tempo mark";
    EXPECT_EQ(facade.GetTrackState(4, 1, kBass), CNstEditIfc::StateFilled);
    EXPECT_EQ(facade.GetTrackState(4, 1, 0), CNstEditIfc::StateAbsent);

    // The expression at tick 0 lives in the track settings only; export writes it back there.
    for (const CFileEvent& event : PatternEvents(cv.patterns[kBass]))
        EXPECT_NE(event.header & 0xFFFF00FF, ChannelHeader(EventKind::Control, 0, 11) & 0xFFFF00FF);
    const std::vector<CFileEvent> exported = EventsOf(facade.ExportCvToSmf(4, 1, CNstEditIfc::AllTracks));
    EXPECT_EQ(exported[0].data, (Bytes{0x09, 0x27, 0xC0})) << "600000 microseconds";
    EXPECT_EQ(exported[2].header, ChannelHeader(EventKind::Control, kBassChannel, 11, 90));
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(4, 1, CNstEditIfc::AllTracks)),
              (std::vector<CNote>{{0, kBassChannel, 36, 100, 200}, {1152, kBassChannel, 38, 100, 1300}}));
}

TEST_F(Transfer, ImportIntoAnEmptyElementWhoseChordVariationRemainedMeasuresInTheFileSignature)
{
    // As after deleting the last chord variation of Variation 1: the element and an empty chord
    // variation of 4/4 remain.
    CNstEditIfc facade(nullptr, 0);
    facade.GetPatternParam1(0, 0, 0);
    ASSERT_EQ(facade.GetElementState(0), CNstEditIfc::StateEmpty);
    CSmfBuilder file;
    file.Signature(0, 3, 2).Note(0, 200, kBassChannel, 36).Note(1152, 1300, kBassChannel, 38);
    const Bytes image = file.Image(2 * 1152);
    ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false));
    EXPECT_EQ(facade.GetSignature(0), (3 - 1) + 16 * 2);
    EXPECT_EQ(facade.GetCvLength(0, 0), 2);
    EXPECT_EQ(facade.Style().FindElement(0)->FindChordVar(0)->lengthTicks, 2 * 1152);
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks)),
              (std::vector<CNote>{{0, kBassChannel, 36, 100, 200}, {1152, kBassChannel, 38, 100, 1300}}));
}

TEST_F(Transfer, ImportIntoAFilledElementOnlyReplacesPatterns)
{
    CNstEditIfc facade(nullptr, 0);
    CSmfBuilder first;
    first.Signature(0, 4, 2).Add(0, {0xC8, 5}).Note(0, 100, kBassChannel, 40);
    const Bytes firstImage = first.Image(1536);
    ASSERT_TRUE(
        facade.ImportSmfToCv(firstImage.data(), firstImage.size(), 0, 0, CNstEditIfc::AllTracks, false));

    CSmfBuilder second;
    second.Signature(0, 3, 2).Add(0, {0xC8, 9}).Note(0, 100, kBassChannel, 50).Note(10, 20, kDrumChannel, 36);
    const Bytes secondImage = second.Image(1536);
    ASSERT_TRUE(facade.ImportSmfToCv(secondImage.data(), secondImage.size(), 0, 0, kBass, false));

    EXPECT_EQ(facade.GetSignature(0), (4 - 1) + 16 * 2);
    EXPECT_EQ(facade.GetTrackProgram(0, kBass) & 0xFF, 5);
    EXPECT_EQ(facade.GetTrackState(0, 0, 0), CNstEditIfc::StateAbsent) << "only the Bass track was imported";
    const std::vector<CNote> replaced = {{0, kBassChannel, 50, 100, 100}};
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(0, 0, kBass)), replaced);
}

TEST_F(Transfer, ImportMeasuresTheChordVariationAndCutsAt32Measures)
{
    struct Row {
        int measures; // of the file, one note in each
        int expected; // of the chord variation
        size_t notes; // exported
    };
    // An empty file still gives a chord variation of one measure.
    for (const Row row : {Row{5, 5, 5}, Row{1, 1, 1}, Row{40, 32, 32}, Row{0, 1, 0}}) {
        CSmfBuilder file;
        for (int m = 0; m < row.measures; ++m)
            file.Note(m * 1536u + 10, m * 1536u + 100, kBassChannel, 40);
        const Bytes image = file.Image(row.measures * 1536u);
        CNstEditIfc facade(nullptr, 0);
        ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false));
        const CNstChordVar& cv = *facade.Style().FindElement(0)->FindChordVar(0);
        EXPECT_EQ(cv.measures, row.expected) << row.measures << " measures";
        EXPECT_EQ(cv.lengthTicks, row.expected * 1536) << row.measures << " measures";
        const Bytes exported = facade.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
        EXPECT_EQ(NotesOf(exported).size(), row.notes) << row.measures << " measures";
        EXPECT_EQ(EventsOf(exported).back().tick, row.expected * 1536u) << row.measures << " measures";
    }
}

TEST_F(Transfer, TrackWhoseEventsAreAllFilteredBecomesVirgin)
{
    CSmfBuilder file;
    file.Add(0, {0xB8, 11, 90});                     // Bass: only expression at tick 0
    file.Add(1, {0xBB, 11, 80}).Note(0, 50, 11, 60); // Acc. 1: expression at tick 1 stays
    file.Add(0, {0xB7, 7, 100}).Note(0, 50, 7, 60);  // channel 7 belongs to no track
    const Bytes image = file.Image(1536);
    CNstEditIfc facade(nullptr, 0);
    ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false));

    EXPECT_EQ(facade.GetTrackState(0, 0, kBass), CNstEditIfc::StateAbsent);
    EXPECT_EQ(facade.Style().FindElement(0)->tracks[kBass][0], 100) << "no pattern: the settings stay";
    ASSERT_EQ(facade.GetTrackState(0, 0, 3), CNstEditIfc::StateFilled);
    const std::vector<CFileEvent> acc =
        PatternEvents(facade.Style().FindElement(0)->FindChordVar(0)->patterns[3]);
    ASSERT_GE(acc.size(), 2u);
    EXPECT_EQ(acc[1].tick, 1u);
    EXPECT_EQ(acc[1].header, ChannelHeader(EventKind::Control, 0, 11, 80)) << "stored on channel 0";
    for (int t : {0, 1, 4, 5, 6, 7})
        EXPECT_EQ(facade.GetTrackState(0, 0, t), CNstEditIfc::StateAbsent) << "track " << t;
}

TEST_F(Transfer, SingleChannelImportTakesEveryChannelUnfiltered)
{
    CSmfBuilder file;
    file.Add(0, {0xB8, 11, 90}).Note(0, 50, 3, 60).Note(100, 150, 12, 61);
    const Bytes image = file.Image(1536);
    CNstEditIfc facade(nullptr, 0);
    ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, 5, true));
    const std::vector<CFileEvent> events =
        PatternEvents(facade.Style().FindElement(0)->FindChordVar(0)->patterns[5]);
    EXPECT_EQ(events.front().header, ChannelHeader(EventKind::Control, 0, 11, 90)) << "expression kept";
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(0, 0, 5)),
              (std::vector<CNote>{{0, 13, 60, 100, 50}, {100, 13, 61, 100, 150}}));
}

TEST_F(Transfer, ImpossibleTimeSignaturesArePassedOver)
{
    // Numerator 0 (a measure of no ticks), 32 (more than a style stores) and denominator 2^8.
    for (const auto& [numerator, denomExp] : {std::pair{0, 2}, std::pair{32, 2}, std::pair{4, 8}}) {
        CSmfBuilder file;
        file.Signature(0, 3, 2)
            .Signature(0, uint8_t(numerator), uint8_t(denomExp))
            .Note(0, 10, kBassChannel, 40);
        const Bytes image = file.Image(3 * 1152);
        CNstEditIfc facade(nullptr, 0);
        ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false));
        EXPECT_EQ(facade.GetSignature(0), (3 - 1) + 16 * 2) << numerator << "/2^" << denomExp;
        EXPECT_EQ(facade.GetCvLength(0, 0), 3) << numerator << "/2^" << denomExp;
    }
}

TEST_F(Transfer, TempoOfZeroMicrosecondsIsPassedOver)
{
    for (const bool withLaterTempo : {false, true}) {
        CSmfBuilder file;
        file.Add(0, {0xFF, 0x51, 3, 0, 0, 0});
        if (withLaterTempo)
            file.Tempo(10, 600000);
        file.Note(0, 10, kBassChannel, 40);
        const Bytes image = file.Image(1536);
        CNstEditIfc facade(nullptr, 0);
        ASSERT_TRUE(facade.ImportSmfToCv(image.data(), image.size(), 0, 0, CNstEditIfc::AllTracks, false));
        EXPECT_EQ(facade.StyleTempo(), withLaterTempo ? 100 : 120);
    }
}

TEST_F(Transfer, UnreadableFilesLeaveTheStyleUnchanged)
{
    const Bytes notes = CSmfBuilder().Note(0, 10, kBassChannel, 40).TrackData(1536);
    struct Row {
        Bytes image;
        const char* what;
    };
    const Row rows[] = {
        {SmfImage(Bytes(notes.begin(), notes.end() - 2)), "truncated inside End of Track"},
        {SmfImage(CSmfBuilder().Note(0, 10, kBassChannel, 40).TrackData(0, false)), "no End of Track"},
        {SmfImage({0x00, 40, 100, 0x00, 0xFF, 0x2F, 0x00}), "data byte without any status"},
        {SmfImage({0x00, 0xF4, 0x00, 0xFF, 0x2F, 0x00}), "illegal status F4"},
        {SmfImage({0x00, 0x98, 40, 100, 0x00, 0xF8, 0x00, 0xFF, 0x2F, 0x00}),
         "illegal status F8 after a note"},
        {SmfImage({0x81, 0x81, 0x81, 0x81, 0x01, 0x98, 40, 100, 0x00, 0xFF, 0x2F, 0x00}), "five-byte delay"},
        {Bytes{'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 1, 0,    1,    1,
               0x80, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0},
         "format 1"},
        {Bytes{'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 0, 0,    1,    1,
               0x80, 'M', 'T', 'r', 'x', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0},
         "no track chunk"},
        {Bytes{'M', 'T', 'h', 'd', 0, 0}, "header cut short"},
        {Bytes{}, "nothing"},
    };
    CNstEditIfc facade(nullptr, 0);
    const Bytes good = GeneratedFile(7, 2, 4, 4);
    ASSERT_TRUE(facade.ImportSmfToCv(good.data(), good.size(), 0, 0, CNstEditIfc::AllTracks, false));
    const Bytes before = Snapshot(facade);
    for (const Row& row : rows) {
        EXPECT_FALSE(
            facade.ImportSmfToCv(row.image.data(), row.image.size(), 0, 0, CNstEditIfc::AllTracks, false))
            << row.what;
        EXPECT_FALSE(facade.ImportSmfToCv(row.image.data(), row.image.size(), 3, 1, kBass, false))
            << row.what;
        EXPECT_FALSE(facade.ImportSmfToCv(row.image.data(), row.image.size(), 0, 0, kBass, true)) << row.what;
        EXPECT_EQ(Snapshot(facade), before) << row.what;
        EXPECT_EQ(facade.GetElementState(3), CNstEditIfc::StateAbsent) << row.what;
    }
}

TEST_F(Transfer, EventPoolExhaustionFailsCleanly)
{
    const Bytes file = GeneratedFile(3, 2, 4, 8);
    CNstEditIfc reference(nullptr, 0);
    ASSERT_TRUE(reference.ImportSmfToCv(file.data(), file.size(), 0, 0, CNstEditIfc::AllTracks, false));
    const Bytes imported = Snapshot(reference);
    const Bytes exported = reference.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
    ASSERT_FALSE(exported.empty());

    CTraceCapture quiet;
    for (size_t leave = 0; leave <= 24; ++leave) {
        CNstEditIfc facade(nullptr, 0);
        const Bytes before = Snapshot(facade);
        bool ok;
        {
            CPoolDrain drain(leave);
            ok = facade.ImportSmfToCv(file.data(), file.size(), 0, 0, CNstEditIfc::AllTracks, false);
        }
        EXPECT_EQ(Snapshot(facade), ok ? imported : before) << leave << " records left";
        if (!ok) {
            ASSERT_TRUE(facade.ImportSmfToCv(file.data(), file.size(), 0, 0, CNstEditIfc::AllTracks, false));
        }
        Bytes image;
        {
            CPoolDrain drain(leave);
            image = facade.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
        }
        if (!image.empty()) {
            EXPECT_EQ(image, exported) << leave << " records left";
        }
        std::vector<CCvNote> notes, allNotes;
        bool read;
        {
            CPoolDrain drain(leave);
            read = facade.ReadCvNotes(0, 0, CNstEditIfc::AllTracks, notes);
        }
        ASSERT_TRUE(facade.ReadCvNotes(0, 0, CNstEditIfc::AllTracks, allNotes));
        EXPECT_EQ(notes, read ? allNotes : std::vector<CCvNote>()) << leave << " records left";
        EXPECT_EQ(EventsPool().FreeCount(), CEventsPool::Capacity) << leave << " records left";
    }
    CPoolDrain none(0);
    EXPECT_TRUE(reference.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks).empty()) << "no image without events";
}

TEST_F(Transfer, NotesOutsideRangesAreMarkedAndCleared)
{
    CNstEditIfc facade(nullptr, 0);
    CNstChordVar& cv = facade.Style().GetElement(0).GetChordVar(0);
    FillPattern(cv.GetPattern(3), {{0, 100, 30}, {0, 100, 60}, {200, 300, 90}}, 3072);
    FillPattern(cv.GetPattern(4), {{0, 100, 30}}, 3072);
    const std::vector<uint8_t> acc1 = cv.patterns[3].data;
    const std::vector<uint8_t> acc2 = cv.patterns[4].data;

    CNoteRanges ranges;
    ranges[3] = {40, 80};
    ranges[0] = {40, 80}; // virgin Drum pattern: stays virgin
    ASSERT_TRUE(facade.MarkNotesOutsideRanges(0, 0, ranges));
    std::vector<std::pair<uint32_t, uint32_t>> marked;
    for (const CFileEvent& event : PatternEvents(cv.patterns[3]))
        if (event.header != CEvent::EndOfTrackHeader)
            marked.emplace_back(event.tick, event.header & 0x00FF00FF);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0, ChannelHeader(EventKind::SoundOn, 0, 30) & 0x00FF00FF},
        {0, ChannelHeader(EventKind::NoteOn, 0, 60) & 0x00FF00FF},
        {100, ChannelHeader(EventKind::SoundOff, 0, 30) & 0x00FF00FF},
        {100, ChannelHeader(EventKind::NoteOff, 0, 60) & 0x00FF00FF},
        {200, ChannelHeader(EventKind::SoundOn, 0, 90) & 0x00FF00FF},
        {300, ChannelHeader(EventKind::SoundOff, 0, 90) & 0x00FF00FF},
    };
    EXPECT_EQ(marked, expected);
    EXPECT_EQ(cv.patterns[4].data, acc2) << "a track without range is left alone";
    EXPECT_TRUE(cv.patterns[0].isVirgin);
    const std::vector<CNote> everyNote = {
        {0, 11, 30, 100, 100}, {0, 11, 60, 100, 100}, {200, 11, 90, 100, 300}};
    const std::vector<uint8_t> marks = cv.patterns[3].data;
    EXPECT_EQ(NotesOf(facade.ExportCvToSmf(0, 0, 3)), everyNote) << "a file carries marked notes as notes";
    EXPECT_EQ(cv.patterns[3].data, marks) << "exporting keeps the marks";

    ASSERT_TRUE(facade.ClearNoteMarks(0, 0));
    EXPECT_EQ(cv.patterns[3].data, acc1);
    EXPECT_EQ(cv.patterns[4].data, acc2);
    EXPECT_TRUE(facade.MarkNotesOutsideRanges(5, 1, ranges)) << "absent chord variation: nothing to do";
    EXPECT_EQ(facade.GetElementState(5), CNstEditIfc::StateAbsent);
}

} // namespace
