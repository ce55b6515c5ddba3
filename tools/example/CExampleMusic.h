// Music for the example bank, made up by the generator itself: drum grooves, bass lines and chord
// patterns written as format 0 MIDI file images, one per chord variation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a style grooves: the drum, bass and accompaniment figures of its meter.
enum class CExampleFeel { Straight, Swing, Waltz, JazzWaltz, Shuffle, Bossa };

// One style of the example bank.
struct CExampleStyle {
    std::string Name;
    CExampleFeel Feel = CExampleFeel::Straight;
    uint8_t Numerator = 4;
    uint8_t DenomExp = 2;
    int32_t Version = 1; // 0: old format, without Fill 3 and Intro 3
    int Tempo = 120;
    uint8_t Programs[8][3] = {}; // per track: bank select MSB, LSB, program
    int Measures = 2;            // length of a Variation's chord variations
    bool Compressed = true;      // stored as a compressed block in the bank
    bool Humanize = false;       // vary the velocities from note to note, so measures no longer repeat
};

// One chord variation's file.
struct CExampleFile {
    int Element;
    int Cv;
    std::vector<uint8_t> Image;
};

class CExampleMusic {
public:
    // The files of every chord variation of every element of `style` (ten elements for the old
    // format, twelve for the new; six chord variations in the Variations, two elsewhere). The same
    // style gives the same bytes on every run and every machine.
    static std::vector<CExampleFile> Files(const CExampleStyle& style);
};
