// Events written to a MIDI file and read back, for random sequences and under pool exhaustion.
#include "SmfTestSupport.h"
#include "events/Trace.h"
#include "packed/CPropPattMerge.h"
#include "packed/CPropPattUnmerge.h"
#include "smf/CMidiIn.h"
#include "smf/CMidiOut.h"

#include <gtest/gtest.h>
#include <random>

using namespace smftest;

namespace {
class SmfRoundTrip : public PoolCheckedTest {};

// A random event that the file carries unchanged (note-offs at velocity 64, controllers below 120,
// modes from 120, private events with their fixed payload).
CEvent RandomEvent(std::mt19937& random)
{
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto byte = [&](int low = 0, int high = 127) { return static_cast<uint8_t>(pick(low, high)); };
    // Channel kinds with the ranges of their two data bytes.
    struct Shape {
        EventKind kind;
        int low1, high1, low2, high2;
    };
    static constexpr Shape Shapes[] = {
        {EventKind::NoteOn, 0, 127, 1, 127},        {EventKind::NoteOff, 0, 127, 64, 64},
        {EventKind::PolyPressure, 0, 127, 0, 127},  {EventKind::Control, 0, 119, 0, 127},
        {EventKind::ChannelMode, 120, 127, 0, 127}, {EventKind::Program, 0, 127, 0, 0},
        {EventKind::ChannelPressure, 0, 127, 0, 0}, {EventKind::PitchBend, 0, 127, 0, 127},
    };
    const int choice = pick(0, 11);
    CEvent event;
    if (choice < 8) {
        const Shape& shape = Shapes[choice];
        event.header = CEvent::ChannelHeader(shape.kind, byte(0, 15), byte(shape.low1, shape.high1),
                                             byte(shape.low2, shape.high2));
        return event;
    }
    switch (choice) {
    case 8: { // a text of 0 to 200 bytes
        Bytes text(static_cast<size_t>(pick(0, 200)));
        for (uint8_t& c : text)
            c = byte(32, 126);
        event.SetMeta(byte(1, 7), text.data(), static_cast<uint32_t>(text.size()));
        break;
    }
    case 9: {                                                    // a private event: selector and its payload
        static constexpr int Payload[] = {0, 0, -1, 4, 1, 3, 1}; // selectors 5 to 11, -1: any length
        const uint8_t selector = byte(5, 11);
        const int fixed = Payload[selector - 5];
        Bytes data(1 + static_cast<size_t>(fixed < 0 ? pick(0, 40) : fixed));
        data[0] = selector;
        for (size_t i = 1; i < data.size(); ++i)
            data[i] = byte(0, 255);
        event.SetMeta(CEvent::PrivateMetaType, data.data(), static_cast<uint32_t>(data.size()));
        break;
    }
    default: { // system exclusive, complete (F0 ... F7) or a packet of the escape form
        const bool complete = pick(0, 1);
        Bytes data(static_cast<size_t>(pick(1, 60)));
        for (uint8_t& c : data)
            c = byte();
        if (complete) {
            data.insert(data.begin(), 0xF0);
            data.push_back(0xF7);
        }
        uint8_t* buffer = event.SetExternal(true, 0, static_cast<uint32_t>(data.size()));
        std::copy(data.begin(), data.end(), buffer);
        break;
    }
    }
    return event;
}
} // namespace

TEST_F(SmfRoundTrip, ReadsBackEveryEventWrittenForRandomSequences)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        std::vector<Timed> expected;
        CMidiOut out;
        uint32_t time = 0;
        for (int count = std::uniform_int_distribution<int>(0, 300)(random); count > 0;) {
            // Zero, small and occasionally very long delays; a chain of 1 to 4 events at each time.
            const int gap = std::uniform_int_distribution<int>(0, 9)(random);
            time += gap < 4 ? 0 : gap < 9 ? static_cast<uint32_t>(gap * 37) : 3000000;
            CLinkedEvent links[4];
            const int length = std::min(count, std::uniform_int_distribution<int>(1, 4)(random));
            for (int i = 0; i < length; ++i) {
                static_cast<CEvent&>(links[i]) = RandomEvent(random);
                links[i].next = i + 1 < length ? &links[i + 1] : nullptr;
                expected.push_back(Capture(time, links[i]));
            }
            ASSERT_TRUE(out.WriteChainAt(time, links)) << "seed " << seed;
            for (int i = 0; i < length; ++i)
                links[i].ReleaseBuffer();
            count -= length;
        }
        ASSERT_TRUE(out.WriteEndOfTrackAt(time));
        ASSERT_TRUE(out.Close());
        expected.push_back(EndOfTrack(time));

        const uint8_t* data = out.Output().Data();
        const Bytes file(data, data + out.Output().GetSize());
        const uint32_t trackLength =
            uint32_t{file[18]} << 24 | uint32_t{file[19]} << 16 | uint32_t{file[20]} << 8 | file[21];
        ASSERT_EQ(trackLength, file.size() - 22) << "seed " << seed;
        const auto decoded = DecodeSmf(file);
        ASSERT_TRUE(decoded) << "seed " << seed;
        for (size_t i = 0; i < std::min(decoded->size(), expected.size()); ++i)
            ASSERT_EQ((*decoded)[i], expected[i]) << "seed " << seed << ", first mismatch at event " << i;
        ASSERT_EQ(decoded->size(), expected.size()) << "seed " << seed;
    }
}

TEST_F(SmfRoundTrip, FailsCleanlyWhenTheEventPoolRunsOut)
{
    const Bytes image = SmfImage({0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    CTraceCapture capture;
    // Reading needs a record for the look-ahead and one more for each chain: with none free the
    // rewind fails, with one the first extraction.
    for (size_t free = 0; free < 2; ++free) {
        PoolDrain drain(free);
        CMidiIn input(image.data(), static_cast<uint32_t>(image.size()));
        ASSERT_TRUE(input.Open());
        EXPECT_FALSE(DecodeAll(*input.Decoder())) << free << " records free";
        CMidiIn source(image.data(), static_cast<uint32_t>(image.size()));
        ASSERT_TRUE(source.Open());
        CMidiOut out;
        CPropPattMerge merge(out);
        EXPECT_EQ(merge.AddTrack(*source.Decoder(), 3), free > 0);
        EXPECT_FALSE(merge.Run()) << free << " records free";
        EXPECT_FALSE(out.IsOpen()) << "the merge closes its encoder even when a source fails";
        CMidiIn splitSource(image.data(), static_cast<uint32_t>(image.size()));
        ASSERT_TRUE(splitSource.Open());
        COpenRecorder sink;
        CPropPattUnmerge split(*splitSource.Decoder(), nullptr);
        split.AddChannelSink(sink, 0, 0);
        EXPECT_EQ(split.Run(0, 10000), -1) << free << " records free";
    }
    EXPECT_TRUE(capture.Contains("CEventPool::GetNewEvent() - Pool of events is exhausted"));
}
