// The MIDI file writer: headers, messages, running status and held note-offs.
#include "SmfTestSupport.h"
#include "smf/CMidiOut.h"

#include <gtest/gtest.h>
#include <initializer_list>

using namespace smftest;

namespace {
class SmfWriter : public PoolCheckedTest {};

CEvent MakeEvent(uint32_t header, uintptr_t data = 0)
{
    CEvent event;
    event.header = header;
    event.data = data;
    return event;
}

CEvent ChannelEvent(EventKind kind, uint8_t channel, uint8_t data1, uint8_t data2)
{
    return MakeEvent(CEvent::ChannelHeader(kind, channel, data1, data2));
}

CEvent NoteEvent(uint8_t channel, uint8_t key, uint8_t velocity, uint32_t duration)
{
    return MakeEvent(CEvent::ChannelHeader(EventKind::Note, channel, key, velocity),
                     CEvent::NoteData(duration, 64));
}

// Writes each (time, event) as a one-event chain, then End of Track at `end`; answers the file.
Bytes Export(CMidiOut& out, std::initializer_list<std::pair<uint32_t, CEvent>> events, uint32_t end)
{
    for (const auto& [time, event] : events) {
        CLinkedEvent link;
        link.header = event.header;
        link.data = event.data;
        EXPECT_TRUE(out.WriteChainAt(time, &link));
        link.header = CEvent::EmptyHeader; // the caller's event keeps any buffer
    }
    EXPECT_TRUE(out.WriteEndOfTrackAt(end));
    EXPECT_TRUE(out.Close());
    const uint8_t* data = out.Output().Data();
    return Bytes(data, data + out.Output().GetSize());
}

Bytes Export(std::initializer_list<std::pair<uint32_t, CEvent>> events, uint32_t end)
{
    CMidiOut out;
    return Export(out, events, end);
}

// The track events of a file written by Export, after the 22 header bytes.
Bytes TrackOf(const Bytes& file)
{
    return Bytes(file.begin() + 22, file.end());
}
} // namespace

TEST_F(SmfWriter, WritesTheEmptyExportIn26Bytes)
{
    const Bytes expected = {
        'M',  'T',  'h',  'd',  0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0x80, // format 0, one track, 384 ticks
        'M',  'T',  'r',  'k',  0, 0, 0, 4,                         // 4 bytes of events
        0x00, 0xFF, 0x2F, 0x00,                                     // End of Track at 0
    };
    EXPECT_EQ(Export({}, 0), expected);
}

TEST_F(SmfWriter, WritesEachChannelKind)
{
    struct Case {
        CEvent event;
        Bytes bytes;
    };
    const Case cases[] = {
        {ChannelEvent(EventKind::NoteOn, 2, 60, 100), {0x92, 60, 100}},
        // a note-off is a note-on of velocity 0
        {ChannelEvent(EventKind::NoteOff, 2, 60, 64), {0x92, 60, 0}},
        {ChannelEvent(EventKind::PolyPressure, 3, 60, 9), {0xA3, 60, 9}},
        {ChannelEvent(EventKind::Control, 4, 7, 100), {0xB4, 7, 100}},
        {ChannelEvent(EventKind::ChannelMode, 4, 121, 0), {0xB4, 121, 0}},
        {ChannelEvent(EventKind::Program, 5, 16, 0), {0xC5, 16}},
        {ChannelEvent(EventKind::ChannelPressure, 6, 30, 0), {0xD6, 30}},
        {ChannelEvent(EventKind::PitchBend, 15, 0, 64), {0xEF, 0, 64}},
        // data bytes with bit 7 would read back as status bytes
        {ChannelEvent(EventKind::NoteOn, 0, 0xBC, 0xC0), {0x90, 0x3C, 0x40}},
    };
    for (const Case& c : cases) {
        Bytes expected = {0x00};
        expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
        expected.insert(expected.end(), {0x00, 0xFF, 0x2F, 0x00});
        EXPECT_EQ(TrackOf(Export({{0, c.event}}, 0)), expected) << ::testing::PrintToString(c.bytes);
    }
}

TEST_F(SmfWriter, RefusesKindsAFileCannotCarry)
{
    for (EventKind kind : {EventKind::SoundOff, EventKind::SoundOn, EventKind::Sound, EventKind::Unused,
                           EventKind::Meta, EventKind::Empty}) {
        CMidiOut out;
        EXPECT_FALSE(out.OnChannelMsg(0, ChannelEvent(kind, 0, 60, 64))) << static_cast<int>(kind);
        EXPECT_EQ(out.Output().GetSize(), CEncoderSMF0::HeaderBytes) << static_cast<int>(kind);
    }
}

TEST_F(SmfWriter, LeavesOutRepeatedStatusUntilAMetaEvent)
{
    CLinkedEvent second;
    second.header = CEvent::ChannelHeader(EventKind::NoteOn, 9, 38, 90);
    CLinkedEvent first;
    first.header = CEvent::ChannelHeader(EventKind::NoteOn, 9, 36, 100);
    first.next = &second;
    CMidiOut out;
    ASSERT_TRUE(out.WriteChainAt(0, &first)); // two note-ons on channel 10 at one time
    const Bytes track = TrackOf(Export(out,
                                       {
                                           {0, MakeEvent(CEvent::MetaHeader(0x51, 3, false), 0x20A107)},
                                           {10, ChannelEvent(EventKind::NoteOn, 9, 42, 80)},
                                           {10, ChannelEvent(EventKind::NoteOff, 9, 42, 64)},
                                       },
                                       10));
    const Bytes expected = {
        0x00, 0x99, 36,   100,  0x00, 38,   90,   // the second note-on without status
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // Set Tempo
        0x0A, 0x99, 42,   80,                     // status again after the meta event
        0x00, 42,   0x00,                         // note-off as note-on 0: running status
        0x00, 0xFF, 0x2F, 0x00,
    };
    EXPECT_EQ(track, expected);
}

TEST_F(SmfWriter, WritesTheNoteOffOfANoteWhenItsTimeComes)
{
    // A note of 96 ticks at 0, a program change at 200, End of Track at 384.
    EXPECT_EQ(TrackOf(Export(
                  {{0, NoteEvent(0, 60, 100, 96)}, {200, ChannelEvent(EventKind::Program, 0, 5, 0)}}, 384)),
              (Bytes{
                  0x00,
                  0x90,
                  60,
                  100, // note on
                  0x60,
                  60,
                  0x00, // 96 later: its note-off, running status
                  0x68,
                  0xC0,
                  5, // 104 later: the program change
                  0x81,
                  0x38,
                  0xFF,
                  0x2F,
                  0x00,
              }));
    // A note of length 0 gets its note-off at once.
    EXPECT_EQ(TrackOf(Export({{5, NoteEvent(3, 60, 100, 0)}}, 5)),
              (Bytes{0x05, 0x93, 60, 100, 0x00, 60, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(SmfWriter, WritesHeldNoteOffsBeforeEndOfTrack)
{
    // Two notes reaching past the end at 384: both are cut there, in the order they started.
    EXPECT_EQ(TrackOf(Export({{0, NoteEvent(0, 60, 100, 1000)}, {10, NoteEvent(0, 64, 100, 500)}}, 384)),
              (Bytes{
                  0x00,
                  0x90,
                  60,
                  100,
                  0x0A,
                  64,
                  100, // the two note-ons
                  0x82,
                  0x76,
                  64,
                  0x00, // at 384: the note-off due first (510)
                  0x00,
                  60,
                  0x00, // then the one due at 1000
                  0x00,
                  0xFF,
                  0x2F,
                  0x00,
              }));
}

TEST_F(SmfWriter, WritesPrivateMetaAndSystemExclusiveEvents)
{
    CEvent privateMeta;
    const uint8_t mark[] = {0x0A, 0x01, 0x02};
    ASSERT_TRUE(privateMeta.SetMeta(CEvent::PrivateMetaType, mark, 3));
    CEvent complete;
    const uint8_t message[] = {0xF0, 0x43, 0x10, 0xF7};
    std::copy(std::begin(message), std::end(message), complete.SetExternal(true, 0, 4));
    CEvent escape;
    std::copy(message + 1, std::end(message), escape.SetExternal(true, 0, 3));
    CEvent text;
    const uint8_t name[] = {'I', 'n', 't', 'r', 'o'};
    ASSERT_TRUE(text.SetMeta(0x03, name, 5));
    const Bytes track = TrackOf(Export({{0, privateMeta}, {0, complete}, {0, escape}, {0, text}}, 0));
    const Bytes expected = {
        0x00, 0xFF, 0x7F, 0x05, 0x42, 0x60, 0x0A, 0x01, 0x02, // private: sequencer-specific with 42 60
        0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7,                   // standard form
        0x00, 0xF7, 0x03, 0x43, 0x10, 0xF7,                   // escape form
        0x00, 0xFF, 0x03, 0x05, 'I',  'n',  't',  'r',  'o',  // buffered meta data
        0x00, 0xFF, 0x2F, 0x00,
    };
    EXPECT_EQ(track, expected);
    for (CEvent* event : {&privateMeta, &complete, &escape, &text})
        event->ReleaseBuffer();
}
