// Helpers of the facade tests: MIDI file images, their notes, generated styles and pool checks.
#pragma once

#include "bank/facade/CNstEditIfc.h"
#include "events/CEventsPool.h"
#include "support/EventFakes.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <vector>

namespace facadetest {

using Bytes = std::vector<uint8_t>;

// One note of a file: start and end tick, channel, key and on velocity.
struct CNote {
    uint32_t start;
    uint8_t channel;
    uint8_t key;
    uint8_t velocity;
    uint32_t end;
    auto operator<=>(const CNote&) const = default;
};
std::ostream& operator<<(std::ostream& out, const CNote& note);

// One decoded event of a file with its absolute tick.
struct CFileEvent {
    uint32_t tick;
    uint32_t header;
    Bytes data; // Meta and SysEx bytes
};

// Every chain of a file image, decoded by the system's own reader; fails the test when the image
// cannot be read to its End of Track.
std::vector<CFileEvent> EventsOf(const Bytes& image);
// The notes of a file image, sorted.
std::vector<CNote> NotesOf(const Bytes& image);
// The events of a packed pattern with their ticks.
std::vector<CFileEvent> PatternEvents(const CNstPattern& pattern);

// A file of random notes on every track's channel (each track with its own density), ending at
// `measures` measures of numerator/4, with a signature and a tempo at tick 0. `notes` receives
// what was written, sorted.
Bytes GeneratedFile(uint32_t seed, int measures, uint8_t numerator, int notesPerMeasure,
                    std::vector<CNote>* notes = nullptr);

// One chord variation's file of a generated style, with the notes written into it.
struct CStyleFile {
    int element;
    int cv;
    Bytes image;
    std::vector<CNote> notes;
    uint32_t lengthTicks;
};
// Files for every chord variation of every element (six in the Variations, two elsewhere), 1 to 4
// measures in 4/4 or 3/4, one of 8 dense measures, and two identical files in the Endings.
// `density` scales the notes per measure.
std::vector<CStyleFile> StyleFiles(int density = 6);

// Takes records from the event pool until only `leave` are free; gives them back when destroyed.
class CPoolDrain {
public:
    explicit CPoolDrain(size_t leave);
    ~CPoolDrain();
    CPoolDrain(const CPoolDrain&) = delete;
    CPoolDrain& operator=(const CPoolDrain&) = delete;

private:
    CLinkedEvent* held = nullptr;
};

// Fails the test when an event record, buffer or slot is still taken at its end.
class CPoolCheckedTest : public ::testing::Test {
protected:
    void TearDown() override { ExpectPoolsFull(); }
};

// Everything a caller can see of a style through its content chunk, for "unchanged" checks.
Bytes Snapshot(CNstEditIfc& facade);

} // namespace facadetest
