// The channel to track map of the mapped MIDI import: its text form and its first guess for a file.
#include "shell/CTrackMap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace {

// Tracks: 0 Drum, 1 Percussion, 2 Bass, 3..7 Acc. 1..5. Channels counted from 1 as users write them.
CTrackMap MapOf(const std::map<int, int>& tracksByChannel)
{
    CTrackMap map;
    for (const auto& [channel, track] : tracksByChannel)
        map.Set(channel - 1, track);
    return map;
}

TEST(TrackMap, ParsesEveryEntryFormAndNamesTheBadEntry)
{
    const struct {
        const char* text;
        std::map<int, int> tracks; // expected when `error` is empty
        const char* error;
    } rows[] = {
        {"10=Drum,2=Bass,1=Acc1", {{10, 0}, {2, 2}, {1, 3}}, ""},
        {" 11 = percussion , 3=acc. 2,4=ACC 5", {{11, 1}, {3, 4}, {4, 7}}, ""},
        {"5=8,6=3", {{5, 7}, {6, 2}}, ""},
        {"1=Acc1,2=Acc1", {{1, 3}, {2, 3}}, ""}, // two channels into one track
        {"16=Bass,6=None", {{16, 2}}, ""},       // a channel mapped to nothing
        {"", {}, "empty entry in ''"},
        {"1=Bass,", {}, "empty entry in '1=Bass,'"},
        {"Bass", {}, "entry 'Bass' is not CHANNEL=TRACK"},
        {"0=Bass", {}, "entry '0=Bass': the channel is not a number from 1 to 16"},
        {"2=Drum,17=Bass", {}, "entry '17=Bass': the channel is not a number from 1 to 16"},
        {"x=Bass", {}, "entry 'x=Bass': the channel"},
        {"1=Acc6", {}, "entry '1=Acc6': no track 'Acc6'"},
        {"1=9", {}, "entry '1=9': no track '9'"},
        {"1=", {}, "entry '1=': no track ''"},
        {"1=Bass,1=Drum", {}, "entry '1=Drum': channel 1 is mapped twice"},
    };
    for (const auto& row : rows) {
        std::string error;
        const std::optional<CTrackMap> map = CTrackMap::Parse(row.text, error);
        if (*row.error) {
            EXPECT_FALSE(map) << row.text;
            EXPECT_THAT(error, ::testing::HasSubstr(row.error)) << row.text;
        } else {
            ASSERT_TRUE(map) << row.text << ": " << error;
            EXPECT_EQ(*map, MapOf(row.tracks)) << row.text;
        }
    }
}

TEST(TrackMap, GuessesTracksFromOwnChannelsThenFromProgramFamilies)
{
    // Per channel (from 1) with events: its first program, -1 for none.
    const struct {
        const char* what;
        std::map<int, int> programs;
        std::map<int, int> tracks;
    } rows[] = {
        {"a sequencer's layout", {{10, 0}, {2, 33}, {1, 0}, {3, 48}}, {{10, 0}, {2, 2}, {1, 3}, {3, 4}}},
        {"own channels keep their tracks; the others take the Acc tracks left",
         {{12, 0}, {16, 5}, {1, -1}, {11, 9}, {9, 0}},
         {{12, 3}, {16, 7}, {1, 4}, {11, 1}, {9, 2}}},
        {"the bass family is programs 32 to 39 as files store them",
         {{1, 31}, {2, 32}, {3, 39}, {4, 40}},
         {{1, 3}, {2, 2}, {3, 2}, {4, 4}}},
        {"no Acc track left for the sixth and seventh channel",
         {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}},
         {{1, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}}},
        {"channels without events stay unmapped", {}, {}},
    };
    for (const auto& row : rows) {
        CSmfSummary summary;
        for (const auto& [channel, program] : row.programs) {
            summary.channels[static_cast<size_t>(channel - 1)].track = 1;
            summary.channels[static_cast<size_t>(channel - 1)].firstProgram = program;
        }
        EXPECT_EQ(CTrackMap::Guess(summary), MapOf(row.tracks)) << row.what;
    }
}

} // namespace
