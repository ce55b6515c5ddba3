// A Standard MIDI File of format 0 or 1 read into the events of its tracks: merged into the one track of
// a format 0 file (with channels moved or left out on the way), and summed up per channel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CIn;

// What a file plays on one MIDI channel.
struct CSmfChannelSummary {
    uint32_t notes = 0;   // note-ons of non-zero velocity
    uint8_t lowKey = 127; // key range of those notes (low > high when there are none)
    uint8_t highKey = 0;
    int firstProgram = -1; // the first program change (0..127 as in the file), -1 for none
    int track = -1;        // the first track (0-based) with an event on the channel, -1 for none
    std::string trackName; // that track's first Track Name, "" for none

    bool HasEvents() const { return track >= 0; }
};

struct CSmfSummary {
    uint16_t format = 0;
    uint16_t tracks = 0;   // track chunks read
    uint16_t division = 0; // ticks per quarter note as the header says
    uint64_t endTick = 0;  // the latest End of Track, in the file's ticks
    uint8_t numerator = 4; // the first time signature, 4/4 without one
    uint8_t denomExp = 2;
    std::array<CSmfChannelSummary, 16> channels{};

    // The length in whole measures of the first signature, the last one begun counted; 0 when the
    // division counts no ticks per quarter note (0, or frames per second).
    uint64_t Measures() const;
};

// Reads each track as the format 0 reader (CDecSMF0) reads its one track, with the same leniency, so that
// the merged image imports exactly as a format 0 file holding the same messages would:
//   - running status, kept across meta and system exclusive events;
//   - a status byte followed by another status byte, and a second data byte with bit 7 set, take both
//     bytes and give an event that every reader passes over (a note-off's velocity becomes 64 instead);
//   - meta and system exclusive events of more data than an event holds (32767 bytes) are refused.
class CSmfTracks {
public:
    enum class Result {
        Ok,
        NotMidi,   // no header chunk "MThd" of at least 6 bytes, or a format above 2
        Format2,   // independent patterns: no single time line to merge them on
        Malformed, // a track that cannot be read to its End of Track: a bad status, delta or length
    };
    // Where each channel's messages go: a channel 0..15, or Dropped.
    using CChannelMap = std::array<int8_t, 16>;
    static constexpr int8_t Dropped = -1;
    static CChannelMap SameChannels();

    // Reads an image of `size` bytes, which must outlive this object (events point into it). Every track
    // chunk the header announces is read to its End of Track; chunks of other types are passed over; a
    // chunk whose length runs past the image ends with the image. Any bytes give a result: Malformed
    // also when fewer track chunks are found than announced. After anything but Ok no event is kept.
    Result Read(const uint8_t* image, size_t size);

    // The image of a format 0 file with the same division holding every event of every track in time
    // order: at equal times the events keep the order of their tracks, then their order in the track.
    // Channel messages go to the channel `channels` gives theirs, or are left out. Every End of Track
    // is left out for one at the latest track end. Every message has its status byte. A gap longer than
    // a delay holds (left by events left out) is bridged by events that readers pass over.
    std::vector<uint8_t> Format0(const CChannelMap& channels) const;
    CSmfSummary Summary() const;
    // The header's format of the file last read.
    uint16_t Format() const { return header.format; }

private:
    enum class Kind : uint8_t { Channel, Meta, SysEx, Skipped, EndOfTrack };
    // One event. For a channel message `status` and its data bytes; for Meta the type and where its
    // payload lies in the image; for SysEx the status (F0 or F7) and its payload; Skipped is a message
    // the readers pass over.
    struct CEventSpan {
        uint64_t tick;
        uint16_t track;
        Kind kind;
        uint8_t status;
        uint8_t data1;
        uint8_t data2;
        const uint8_t* data;
        uint32_t size;
    };

    bool ReadTrack(const uint8_t* data, size_t size, uint16_t track);
    bool ReadChannelMessage(CIn& in, uint8_t first, uint8_t& running, CEventSpan& event) const;
    bool ReadMessageData(CIn& in, const uint8_t* data, uint8_t status, CEventSpan& event) const;

    CSmfSummary header;
    std::vector<CEventSpan> events; // track by track, in file order
};
