// Which style track each MIDI channel of a file feeds: the map of the mapped MIDI import.
#pragma once

#include "smf/CSmfTracks.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CTrackMap {
public:
    static constexpr int NoTrack = -1;
    static constexpr int ChannelCount = 16;

    // Every channel to no track.
    CTrackMap() { tracks.fill(NoTrack); }
    // Each track from its own channel (Drum 10, Percussion 11, Bass 9, Acc. 1 to 5 from 12 to 16, counted
    // from 1), the other channels to no track: what the import does without a map.
    static CTrackMap StyleChannels();

    // `channel` 0..15; the track 0..7 or NoTrack.
    int Track(int channel) const;
    void Set(int channel, int track);

    // The text of --channel-map: entries CHANNEL=TRACK separated by commas, channels counted from 1, tracks
    // as CStandardNames::FindTrack takes them or "none"; blanks around the parts are ignored and channels
    // not named go to no track ("10=Drum, 2=Bass,1=Acc1"). Nullopt, with `error` naming the bad entry,
    // for an empty text or entry, an entry without '=', a channel that is no number from 1 to 16, a
    // channel given twice, or a track that is none of the eight.
    static std::optional<CTrackMap> Parse(std::string_view text, std::string& error);

    // A first map for a file, over the channels that have events: a channel that is a track's own goes to
    // that track (channel 10 to Drum); then, in channel order, a channel whose first program is one of
    // the bass family (33 to 40 counted from 1) to Bass, and every other one to the next of Acc. 1 to 5
    // that no channel took yet, to no track once all five are taken.
    static CTrackMap Guess(const CSmfSummary& summary);

    // For CSmfTracks::Format0: each channel to its track's own channel, or Dropped.
    CSmfTracks::CChannelMap Channels() const;

    bool operator==(const CTrackMap&) const = default;

private:
    std::array<int8_t, ChannelCount> tracks;
};

// How an import reads a MIDI file. The default reads format 0 files, each track from its own channel.
struct CSmfImportOptions {
    bool MergeTracks = false;     // format 1 files too, their tracks merged into one
    std::optional<CTrackMap> Map; // which track each channel feeds; without one each track's own channel

    bool IsDefault() const { return !MergeTracks && !Map; }
};
