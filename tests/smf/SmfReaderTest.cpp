// The MIDI file reader: header checks, messages, private events and failures.
#include "SmfTestSupport.h"
#include "events/Trace.h"
#include "smf/CMidiIn.h"

#include <gtest/gtest.h>

using namespace smftest;

namespace {
constexpr uint8_t EndBytes[] = {0x00, 0xFF, 0x2F, 0x00}; // delay 0, End of Track

Bytes WithEnd(Bytes track)
{
    track.insert(track.end(), std::begin(EndBytes), std::end(EndBytes));
    return track;
}

constexpr uint32_t Filler = CEvent::FillerHeader;

Timed FillerAt(uint32_t time)
{
    return {time, Filler, {0}};
}

class SmfReader : public PoolCheckedTest {};
} // namespace

TEST_F(SmfReader, AcceptsOnlyOneFormatZeroTrack)
{
    // Header chunk of `headerLength` (padded with AA), then the chunk `id` holding End of Track.
    auto image = [](const char* head, uint8_t headerLength, uint8_t format, uint8_t tracks, const char* id) {
        Bytes bytes(head, head + 4);
        bytes.insert(bytes.end(), {0, 0, 0, headerLength, 0, format, 0, tracks, 1, 0x80});
        bytes.resize(8 + headerLength, 0xAA);
        bytes.insert(bytes.end(), id, id + 4);
        bytes.insert(bytes.end(), {0, 0, 0, 4, 0, 0xFF, 0x2F, 0});
        return bytes;
    };
    struct Case {
        const char* what;
        Bytes image;
        bool accepted;
    };
    const Case cases[] = {
        {"format 0, one track", image("MThd", 6, 0, 1, "MTrk"), true},
        {"header length 8: two extra bytes, track header at 16", image("MThd", 8, 0, 1, "MTrk"), true},
        {"format 1", image("MThd", 6, 1, 1, "MTrk"), false},
        {"two tracks", image("MThd", 6, 0, 2, "MTrk"), false},
        {"another chunk where the track should be", image("MThd", 6, 0, 1, "XFIH"), false},
        {"not a MIDI file", image("RIFF", 6, 0, 1, "MTrk"), false},
        {"header length past the image",
         {'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 1, 1, 0x80},
         false},
        {"image ends in the track header",
         {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0x80, 'M', 'T'},
         false},
        {"empty image", {}, false},
    };
    for (const Case& c : cases) {
        CTraceCapture capture;
        CMidiIn input(c.image.data(), static_cast<uint32_t>(c.image.size()));
        EXPECT_EQ(input.Open(), c.accepted) << c.what;
        EXPECT_EQ(input.Decoder() != nullptr, c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_EQ(DecodeAll(*input.Decoder()), (std::vector<Timed>{EndOfTrack(0)})) << c.what;
        }
        EXPECT_TRUE(capture.Lines().empty()) << c.what << ": refusals are silent";
    }
}

TEST_F(SmfReader, RescalesDelaysFromTheFileDivisionCarryingRemainders)
{
    // division 96: a delay of 24 is a sixteenth note, 96 ticks at 384 per quarter
    EXPECT_EQ(DecodeSmf(SmfImage({0x18, 0xFF, 0x2F, 0x00}, 96)), (std::vector<Timed>{EndOfTrack(96)}));
    // division 480: five delays of 5 become 4 each (1920 / 480), the remainders carried
    const Bytes notes = {0x05, 0x90, 0x3C, 0x40, 0x05, 0x3E, 0x40, 0x05, 0x40,
                         0x40, 0x05, 0x41, 0x40, 0x05, 0xFF, 0x2F, 0x00};
    const auto events = DecodeSmf(SmfImage(notes, 480));
    ASSERT_TRUE(events);
    ASSERT_EQ(events->size(), 5u);
    for (size_t i = 0; i < events->size(); ++i)
        EXPECT_EQ((*events)[i].time, 4 * (i + 1)) << "event " << i;
}

TEST_F(SmfReader, MapsChannelMessagesToEvents)
{
    struct Case {
        Bytes message;
        uint32_t header;
    };
    const Case cases[] = {
        {{0x90, 0x3C, 0x40}, CEvent::ChannelHeader(EventKind::NoteOn, 0, 60, 64)},
        // note-on of velocity 0 is a note-off of velocity 64
        {{0x93, 0x3C, 0x00}, CEvent::ChannelHeader(EventKind::NoteOff, 3, 60, 64)},
        {{0x81, 0x3C, 0x20}, CEvent::ChannelHeader(EventKind::NoteOff, 1, 60, 32)},
        {{0xA2, 0x3C, 0x10}, CEvent::ChannelHeader(EventKind::PolyPressure, 2, 60, 16)},
        // controller 121 (reset all controllers) is channel mode, 7 (volume) an ordinary control
        {{0xB0, 0x79, 0x00}, CEvent::ChannelHeader(EventKind::ChannelMode, 0, 121, 0)},
        {{0xB0, 0x77, 0x01}, CEvent::ChannelHeader(EventKind::Control, 0, 119, 1)},
        {{0xB0, 0x07, 0x64}, CEvent::ChannelHeader(EventKind::Control, 0, 7, 100)},
        // program change and channel pressure carry one data byte
        {{0xC5, 0x10}, CEvent::ChannelHeader(EventKind::Program, 5, 16, 0)},
        {{0xDF, 0x22}, CEvent::ChannelHeader(EventKind::ChannelPressure, 15, 34, 0)},
        {{0xE1, 0x00, 0x40}, CEvent::ChannelHeader(EventKind::PitchBend, 1, 0, 64)},
        // malformed, read leniently: a note-off velocity with bit 7 becomes 64 ...
        {{0x80, 0x3C, 0x90}, CEvent::ChannelHeader(EventKind::NoteOff, 0, 60, 64)},
        // ... any other second data byte with bit 7, or two status bytes, give the filler event
        {{0x90, 0x3C, 0x90}, Filler},
        {{0x90, 0x91}, Filler},
    };
    for (const Case& c : cases) {
        Bytes track = {0x00};
        track.insert(track.end(), c.message.begin(), c.message.end());
        const auto events = DecodeSmf(SmfImage(WithEnd(track)));
        ASSERT_TRUE(events) << ::testing::PrintToString(c.message);
        EXPECT_EQ(events->front().header, c.header) << ::testing::PrintToString(c.message);
    }
}

TEST_F(SmfReader, KeepsRunningStatusAcrossNoteOnZeroAndMetaEvents)
{
    const Bytes track = {
        0x00, 0x90, 0x3C, 0x40,      // note on 60, 64
        0x60, 0x3C, 0x00,            // 96 later, running status: note on 60, 0 = note off
        0x00, 0xFF, 0x01, 0x01, 'x', // a text event in between
        0x00, 0x3E, 0x50,            // running status still 90
        0x00, 0xFF, 0x2F, 0x00,
    };
    EXPECT_EQ(DecodeSmf(SmfImage(track)),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 60, 64),
                                  Channel(96, EventKind::NoteOff, 0, 60, 64), Meta(96, 0x01, {'x'}),
                                  Channel(96, EventKind::NoteOn, 0, 62, 80), EndOfTrack(96)}));
}

TEST_F(SmfReader, KeepsShortMetaDataInlineAndLongDataInABuffer)
{
    const Bytes track = {
        0x00, 0xFF, 0x03, 0x05, 'I',  'n',  't',  'r', 'o', // track name: 5 bytes, buffered
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,           // Set Tempo 500000: 3 bytes inline
        0x00, 0xFF, 0x2F, 0x00,
    };
    const auto events = DecodeSmf(SmfImage(track));
    ASSERT_TRUE(events);
    EXPECT_EQ(*events, (std::vector<Timed>{Meta(0, 0x03, {'I', 'n', 't', 'r', 'o'}),
                                           Meta(0, 0x51, {0x07, 0xA1, 0x20}), EndOfTrack(0)}));
    EXPECT_TRUE((*events)[0].header & CEvent::ExternalBit);
    EXPECT_FALSE((*events)[1].header & CEvent::ExternalBit);
}

TEST_F(SmfReader, ReadsSystemExclusiveInBothForms)
{
    const Bytes track = {
        0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, // standard form: F0 goes back in front
        0x00, 0xF7, 0x02, 0x43, 0x10,                   // escape form: the bytes alone
        0x00, 0xF7, 0x00,                               // empty escape: nothing to carry
        0x00, 0xFF, 0x2F, 0x00,
    };
    EXPECT_EQ(DecodeSmf(SmfImage(track)),
              (std::vector<Timed>{{0, CEvent::SysExHeader(6), {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                                  {0, CEvent::SysExHeader(2), {0x43, 0x10}},
                                  FillerAt(0),
                                  EndOfTrack(0)}));
}

TEST_F(SmfReader, MapsSequencerSpecificEventsWithThePrivatePrefix)
{
    struct Case {
        Bytes meta; // after the delay
        Timed expected;
    };
    const Case cases[] = {
        // selector 9: one payload byte
        {{0xFF, 0x7F, 0x04, 0x42, 0x60, 0x09, 0x05}, Meta(0, 0x7E, {0x09, 0x05})},
        // selector 10: three payload bytes, the missing ones 0
        {{0xFF, 0x7F, 0x03, 0x42, 0x60, 0x0A}, Meta(0, 0x7E, {0x0A, 0x00, 0x00, 0x00})},
        // selector 8: four payload bytes, the surplus dropped
        {{0xFF, 0x7F, 0x09, 0x42, 0x60, 0x08, 1, 2, 3, 4, 5, 6}, Meta(0, 0x7E, {0x08, 1, 2, 3, 4})},
        // selector 7: every byte there is
        {{0xFF, 0x7F, 0x09, 0x42, 0x60, 0x07, 1, 2, 3, 4, 5, 6}, Meta(0, 0x7E, {0x07, 1, 2, 3, 4, 5, 6})},
        // selector 5: no payload
        {{0xFF, 0x7F, 0x05, 0x42, 0x60, 0x05, 1, 2}, Meta(0, 0x7E, {0x05})},
        // selector 12 is not private: kept whole
        {{0xFF, 0x7F, 0x03, 0x42, 0x60, 0x0C}, Meta(0, 0x7F, {0x42, 0x60, 0x0C})},
        // another prefix, or the prefix alone: kept whole
        {{0xFF, 0x7F, 0x03, 0x42, 0x61, 0x09}, Meta(0, 0x7F, {0x42, 0x61, 0x09})},
        {{0xFF, 0x7F, 0x02, 0x42, 0x60}, Meta(0, 0x7F, {0x42, 0x60})},
        // empty, or the private type itself in a file: dropped
        {{0xFF, 0x7F, 0x00}, FillerAt(0)},
        {{0xFF, 0x7E, 0x02, 0x01, 0x02}, FillerAt(0)},
        // undefined meta type
        {{0xFF, 0x90, 0x01, 0x01}, FillerAt(0)},
    };
    for (const Case& c : cases) {
        Bytes track = {0x00};
        track.insert(track.end(), c.meta.begin(), c.meta.end());
        const auto events = DecodeSmf(SmfImage(WithEnd(track)));
        ASSERT_TRUE(events) << ::testing::PrintToString(c.meta);
        EXPECT_EQ(events->front(), c.expected) << ::testing::PrintToString(c.meta);
    }
}

TEST_F(SmfReader, NormalisesMalformedTempoAndEndOfTrackEvents)
{
    const Bytes track = {
        0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, // 0 microseconds per quarter
        0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1,       // too short
        0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x01, // 1 microsecond: kept
        0x00, 0xFF, 0x2F, 0x01, 0x00,             // End of Track with a data byte
    };
    EXPECT_EQ(DecodeSmf(SmfImage(track)),
              (std::vector<Timed>{FillerAt(0), FillerAt(0), Meta(0, 0x51, {0, 0, 1}), EndOfTrack(0)}));
}

TEST_F(SmfReader, FailsCleanlyOnMalformedTracks)
{
    struct Case {
        const char* what;
        Bytes track;
        const char* trace;
    };
    const Case cases[] = {
        // a data byte as the very first message byte
        {"missing status",
         {0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
         "\nCDecSMF0::OnExtractEvent() - Missing status byte"},
        {"F4", {0x00, 0xF4, 0x00, 0xFF, 0x2F, 0x00}, "\nCDecSMF0::OnExtractEvent() - Illegal status code"},
        {"F8",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF8, 0x00, 0xFF, 0x2F, 0x00},
         "\nCDecSMF0::OnExtractEvent() - Illegal status code"},
        // five-byte delay
        {"long delay",
         {0x81, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00},
         "\nCDecSMF0::OnExtractEvent() - Bad variable-length number"},
        {"long length",
         {0x00, 0xFF, 0x01, 0x81, 0x80, 0x80, 0x80, 0x00},
         "\nCDecSMF0::OnExtractEvent() - Bad variable-length number"},
        {"no End of Track",
         {0x00, 0x90, 0x3C, 0x40},
         "\nCDecSMF0::OnExtract() - Unexpected end of file reached"},
        {"message cut", {0x00, 0x90, 0x3C}, "\nCDecSMF0::OnExtract() - Unexpected end of file reached"},
        // a text claiming more bytes than the track has
        {"meta data cut",
         {0x00, 0xFF, 0x01, 0x7F, 'a', 'b', 0x00, 0xFF, 0x2F, 0x00},
         "\nCDecSMF0::OnExtract() - Unexpected end of file reached"},
        // lengths an event cannot hold: 32768 meta bytes, 32767 system exclusive bytes plus F0
        {"meta too long",
         {0x00, 0xFF, 0x01, 0x82, 0x80, 0x00},
         "\nCDecSMF0::OnExtractEvent() - Event too long: 32768 bytes"},
        {"sysex too long",
         {0x00, 0xF0, 0x81, 0xFF, 0x7F},
         "\nCDecSMF0::OnExtractEvent() - Event too long: 32767 bytes"},
    };
    for (const Case& c : cases) {
        CTraceCapture capture;
        EXPECT_FALSE(DecodeSmf(SmfImage(c.track))) << c.what;
        EXPECT_TRUE(capture.Contains(c.trace)) << c.what;
    }
}

TEST_F(SmfReader, EndsTheTrackWhereTheImageEnds)
{
    // The track length claims 4 GB; the image holds one note and End of Track.
    Bytes image = SmfImage({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    image[18] = image[19] = image[20] = image[21] = 0xFF;
    EXPECT_EQ(DecodeSmf(image),
              (std::vector<Timed>{Channel(0, EventKind::NoteOn, 0, 60, 64), EndOfTrack(0)}));
}

TEST_F(SmfReader, NeverCrashesOnAnImageCutAtAnyByte)
{
    const Bytes track = {
        0x00, 0xFF, 0x03, 0x05, 'I',  'n',  't',  'r',  'o',  0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00,
        0xC0, 0x10, 0x00, 0x90, 0x3C, 0x40, 0x83, 0x00, 0x3C, 0x00, 0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00,
        0xFF, 0x7F, 0x04, 0x42, 0x60, 0x09, 0x05, 0x81, 0x80, 0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x2F, 0x00,
    };
    const Bytes image = SmfImage(track);
    ASSERT_TRUE(DecodeSmf(image));
    for (size_t size = 0; size < image.size(); ++size) {
        CTraceCapture quiet;
        // An exact-size copy, so that any read past the cut is caught by the sanitizer.
        const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(DecodeSmf(cut)) << "image cut to " << size << " bytes decoded as complete";
    }
}
