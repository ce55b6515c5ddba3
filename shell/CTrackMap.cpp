// The channel to track map of the mapped MIDI import: parsed from text, guessed from a file, default.
#include "shell/CTrackMap.h"

#include "bank/facade/CNstEditIfc.h"
#include "shell/CStandardNames.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <charconv>

namespace {

constexpr int kBass = 2;
constexpr int kFirstAcc = 3;
// The bass family: programs 33 to 40 counted from 1, as files store them 32 to 39.
constexpr int kFirstBassProgram = 32;
constexpr int kLastBassProgram = 39;

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

bool IsNone(std::string_view text)
{
    constexpr std::string_view none = "none";
    return std::equal(text.begin(), text.end(), none.begin(), none.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// The track whose own channel `channel` is, or NoTrack.
int StyleTrackOf(int channel)
{
    for (int t = 0; t < kStyleTracks; ++t)
        if (CNstEditIfc::TrackChannels[static_cast<size_t>(t)] == channel)
            return t;
    return CTrackMap::NoTrack;
}

} // namespace

CTrackMap CTrackMap::StyleChannels()
{
    CTrackMap map;
    for (int t = 0; t < kStyleTracks; ++t)
        map.Set(CNstEditIfc::TrackChannels[static_cast<size_t>(t)], t);
    return map;
}

int CTrackMap::Track(int channel) const
{
    assert(channel >= 0 && channel < ChannelCount);
    return tracks[static_cast<size_t>(channel)];
}

void CTrackMap::Set(int channel, int track)
{
    assert(channel >= 0 && channel < ChannelCount && track >= NoTrack && track < kStyleTracks);
    tracks[static_cast<size_t>(channel)] = static_cast<int8_t>(track);
}

std::optional<CTrackMap> CTrackMap::Parse(std::string_view text, std::string& error)
{
    CTrackMap map;
    std::array<bool, ChannelCount> named{};
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string_view entry = Trimmed(text.substr(start, comma - start));
        const std::string quoted = Quoted(entry);
        const size_t equals = entry.find('=');
        if (entry.empty()) {
            error = "empty entry in " + Quoted(text);
            return std::nullopt;
        }
        if (equals == std::string_view::npos) {
            error = "entry " + quoted + " is not CHANNEL=TRACK";
            return std::nullopt;
        }
        const std::string_view channelText = Trimmed(entry.substr(0, equals));
        const std::string_view trackText = Trimmed(entry.substr(equals + 1));
        int channel = 0;
        const char* end = channelText.data() + channelText.size();
        const auto [stop, failure] = std::from_chars(channelText.data(), end, channel);
        if (failure != std::errc() || stop != end || channel < 1 || channel > ChannelCount) {
            error = "entry " + quoted + ": the channel is not a number from 1 to 16";
            return std::nullopt;
        }
        if (named[static_cast<size_t>(channel - 1)]) {
            error = "entry " + quoted + ": channel " + std::to_string(channel) + " is mapped twice";
            return std::nullopt;
        }
        named[static_cast<size_t>(channel - 1)] = true;
        const std::optional<int> track =
            IsNone(trackText) ? std::optional<int>(NoTrack) : CStandardNames::FindTrack(trackText);
        if (!track) {
            error = "entry " + quoted + ": no track " + Quoted(trackText) +
                    " (Drum, Percussion, Bass, Acc1 to Acc5, 1 to 8, or none)";
            return std::nullopt;
        }
        map.Set(channel - 1, *track);
        if (comma == std::string_view::npos)
            return map;
        start = comma + 1;
    }
}

CTrackMap CTrackMap::Guess(const CSmfSummary& summary)
{
    CTrackMap map;
    std::array<bool, kStyleTracks> taken{};
    for (int c = 0; c < ChannelCount; ++c) {
        const int own = StyleTrackOf(c);
        if (summary.channels[static_cast<size_t>(c)].HasEvents() && own != NoTrack) {
            map.Set(c, own);
            taken[static_cast<size_t>(own)] = true;
        }
    }
    for (int c = 0; c < ChannelCount; ++c) {
        const CSmfChannelSummary& channel = summary.channels[static_cast<size_t>(c)];
        if (!channel.HasEvents() || StyleTrackOf(c) != NoTrack)
            continue;
        if (channel.firstProgram >= kFirstBassProgram && channel.firstProgram <= kLastBassProgram) {
            map.Set(c, kBass);
            continue;
        }
        for (int t = kFirstAcc; t < kStyleTracks; ++t)
            if (!taken[static_cast<size_t>(t)]) {
                map.Set(c, t);
                taken[static_cast<size_t>(t)] = true;
                break;
            }
    }
    return map;
}

CSmfTracks::CChannelMap CTrackMap::Channels() const
{
    CSmfTracks::CChannelMap channels;
    for (size_t c = 0; c < channels.size(); ++c)
        channels[c] = tracks[c] == NoTrack
                          ? CSmfTracks::Dropped
                          : static_cast<int8_t>(CNstEditIfc::TrackChannels[static_cast<size_t>(tracks[c])]);
    return channels;
}
