// The music of the native-form bank, written out note by note.
#include "tools/native/CNativeMusic.h"

#include <initializer_list>

namespace {

constexpr uint32_t kQuarter = 384;
constexpr uint32_t kEighth = 192;
constexpr uint32_t kSixteenth = 96;
constexpr uint32_t kThirtySecond = 48;
constexpr uint32_t kBar44 = 1536;
constexpr uint32_t kBar34 = 1152;
constexpr uint32_t kBar68 = 1152; // six eighths

constexpr uint8_t kDrum = 0, kBass = 1, kAcc = 2;
constexpr int kDrumTrack = 0, kPercTrack = 1, kBassTrack = 2, kAcc1 = 3, kAcc2 = 4, kAcc3 = 5, kAcc4 = 6;
constexpr int kVariation1 = 0, kVariation2 = 1, kFill1 = 6, kEnding1 = 8;

CPiece Piece(uint8_t trackType, uint8_t channel, uint32_t lengthTicks)
{
    CPiece piece;
    piece.trackType = trackType;
    piece.channel = channel;
    piece.lengthTicks = lengthTicks;
    return piece;
}

void Add(CPiece& piece, uint32_t time, uint8_t key, uint8_t velocity, uint32_t duration, bool sound = false)
{
    piece.notes.push_back({time, key, velocity, duration, sound});
}

void Chord(CPiece& piece, uint32_t time, std::initializer_list<uint8_t> keys, uint8_t velocity,
           uint32_t duration)
{
    for (const uint8_t key : keys)
        Add(piece, time, key, velocity, duration);
}

// One track playing one piece from `start` to `end`.
CTrackPlay Plays(int track, int piece, uint32_t start, uint32_t end)
{
    return {track, {{piece, start, end}}};
}

// One track playing `pieces` one after another from tick 0, each for `each` ticks.
CTrackPlay InTurn(int track, std::initializer_list<int> pieces, uint32_t each)
{
    CTrackPlay play{track, {}};
    uint32_t start = 0;
    for (const int piece : pieces) {
        play.spans.push_back({piece, start, start + each});
        start += each;
    }
    return play;
}

// --- Native Pop (4/4, an Ending in 3/4) ---

enum PopPiece {
    DrumA,
    DrumFill,
    BassB1,
    BassB2,
    BassB3,
    Pad,
    Organ,
    Arp0,
    Arp1,
    Arp2,
    Arp3,
    Perc,
    EndDrum,
    EndBass,
    EndPad
};

CPiece PopBeat()
{
    CPiece drum = Piece(kDrum, 9, kBar44);
    for (uint8_t i = 0; i < 8; ++i)
        Add(drum, i * kEighth, 42, i % 2 ? 64 : 92, 48);
    Add(drum, 0, 36, 110, 96);
    Add(drum, 2 * kQuarter, 36, 104, 96);
    Add(drum, 2 * kQuarter + kEighth, 36, 92, 96);
    Add(drum, kQuarter, 38, 100, 120);
    Add(drum, 3 * kQuarter, 38, 106, 120);
    Add(drum, 3 * kQuarter + kSixteenth, 39, 106, 0); // a clap of no duration
    return drum;
}

// The long arpeggio of Acc. 3 in four one-measure pieces: 32nd notes through `keys`, in two of them a
// pedal note held across the measure line into the next piece.
CPiece Arpeggio(std::initializer_list<uint8_t> keys, bool pedal)
{
    CPiece arp = Piece(kAcc, 4, kBar44);
    const std::vector<uint8_t> cycle(keys);
    for (uint32_t i = 0; i < kBar44 / kThirtySecond; ++i)
        Add(arp, i * kThirtySecond, cycle[i % cycle.size()], i % 4 ? 70 : 90, 40);
    if (pedal)
        Add(arp, 3 * kQuarter, 84, 76, 3 * kQuarter);
    return arp;
}

std::vector<CPiece> PopPieces()
{
    std::vector<CPiece> pieces(EndPad + 1);
    pieces[DrumA] = PopBeat();

    CPiece& fill = pieces[DrumFill] = Piece(kDrum, 9, kBar44);
    Add(fill, 0, 49, 112, 3000); // the crash rings past the one-measure fill
    Add(fill, 0, 36, 110, 96);
    Add(fill, kQuarter, 36, 100, 96);
    for (uint8_t i = 0; i < 8; ++i)
        Add(fill, 2 * kQuarter + i * kSixteenth, 38, static_cast<uint8_t>(60 + 8 * i), 60);

    // The bass line's pieces each end on a key 48 that sounds on into whatever follows.
    CPiece& b1 = pieces[BassB1] = Piece(kBass, 2, 2 * kBar44);
    const uint8_t b1Keys[] = {36, 40, 43, 40, 41, 38, 43};
    for (uint32_t i = 0; i < 7; ++i)
        Add(b1, i * kQuarter, b1Keys[i], 100, 330);
    Add(b1, 7 * kQuarter, 48, 96, 2 * kQuarter);
    CPiece& b2 = pieces[BassB2] = Piece(kBass, 2, kBar44);
    Add(b2, 0, 38, 100, 330);
    Add(b2, kQuarter, 41, 100, 330);
    Add(b2, 2 * kQuarter, 43, 100, 330);
    Add(b2, 3 * kQuarter, 48, 96, 960);
    CPiece& b3 = pieces[BassB3] = Piece(kBass, 2, kBar44);
    Add(b3, 0, 36, 100, 330);
    Add(b3, kQuarter, 43, 100, 330);
    Add(b3, 2 * kQuarter, 36, 100, 330);
    Add(b3, 3 * kQuarter, 41, 90, 150);
    Add(b3, 3 * kQuarter + kEighth, 48, 96, kQuarter);

    // Two-measure chords; the second still sounds at the chord variation's end.
    CPiece& pad = pieces[Pad] = Piece(kAcc, 3, 4 * kBar44);
    Chord(pad, 0, {60, 64, 67}, 80, 2 * kBar44);
    Chord(pad, 2 * kBar44, {57, 65, 69}, 80, 2 * kBar44);

    // A split organ: the low keys it marks as sounds, the others notes; the last note crosses into the
    // next repetition.
    CPiece& organ = pieces[Organ] = Piece(kAcc, 0, 2 * kBar44);
    Add(organ, 0, 36, 90, 700, true);
    Add(organ, 2 * kQuarter, 43, 90, 700, true);
    Add(organ, kBar44, 40, 84, 1400, true);
    const uint8_t organKeys[] = {60, 63, 67, 63, 60, 65, 68};
    for (uint32_t i = 0; i < 7; ++i)
        Add(organ, i * kQuarter, organKeys[i], 78, 360);
    Add(organ, 7 * kQuarter, 72, 88, 2 * kQuarter);

    pieces[Arp0] = Arpeggio({60, 64, 67, 72, 76, 79, 76, 72}, false);
    pieces[Arp0].controls = {{0, 1, 50}, {2 * kQuarter, 1, 0}};
    pieces[Arp1] = Arpeggio({60, 65, 69, 72, 77, 72, 69, 65}, true);
    pieces[Arp2] = Arpeggio({62, 67, 71, 74, 79, 74, 71, 67}, false);
    pieces[Arp3] = Arpeggio({64, 67, 72, 76, 79, 76, 72, 67}, true);

    // 32 events a measure: played four times it is long enough to be cut on saving.
    CPiece& perc = pieces[Perc] = Piece(kDrum, 10, kBar44);
    for (uint32_t i = 0; i < 16; ++i)
        Add(perc, i * kSixteenth, 70, i % 4 ? 55 : 80, 40);
    for (uint32_t i = 0; i < 8; ++i) {
        Add(perc, i * kEighth, i % 3 == 2 ? 64 : 63, 90, 80);
        Add(perc, i * kEighth + kSixteenth, 75, 72, 30);
    }

    CPiece& endDrum = pieces[EndDrum] = Piece(kDrum, 9, kBar34);
    Add(endDrum, 0, 36, 110, 96);
    for (uint32_t beat = 0; beat < 3; ++beat)
        Add(endDrum, beat * kQuarter, 42, 70, 48);
    Add(endDrum, 2 * kQuarter, 38, 90, 120);
    CPiece& endBass = pieces[EndBass] = Piece(kBass, 2, kBar34);
    Add(endBass, 0, 36, 100, 500);
    Add(endBass, kQuarter + kEighth, 43, 95, 500);
    CPiece& endPad = pieces[EndPad] = Piece(kAcc, 3, 2 * kBar34);
    Chord(endPad, 0, {60, 64, 67}, 75, 4000);
    return pieces;
}

CStylePlan NativePop()
{
    const uint32_t four = 4 * kBar44;
    CStylePlan style{"Native Pop", 1, true, true, {}, PopPieces(), {}};
    style.programs = {
        {{127, 0, 0}, {127, 0, 1}, {0, 0, 33}, {0, 0, 48}, {0, 0, 17}, {0, 0, 5}, {0, 0, 0}, {0, 0, 0}}};
    CChordVarPlan first{0, four, {}, {{2 * kBar44, 95}}};
    first.tracks = {
        Plays(kDrumTrack, DrumA, 0, four),
        Plays(kPercTrack, Perc, 0, four),
        {kBassTrack, {{BassB1, 0, 2 * kBar44}, {BassB2, 2 * kBar44, 3 * kBar44}, {BassB3, 3 * kBar44, four}}},
        Plays(kAcc1, Pad, 0, four),
        Plays(kAcc2, Organ, 0, four),
        InTurn(kAcc3, {Arp0, Arp1, Arp2, Arp3}, kBar44),
    };
    // The same drums and chords as the first, the bass pieces in another order, one of them twice; the
    // percussion stops half-way, the organ comes in only then.
    CChordVarPlan second{1, four, {}, {}};
    second.tracks = {
        Plays(kDrumTrack, DrumA, 0, four),
        Plays(kPercTrack, Perc, 0, 2 * kBar44),
        {kBassTrack, {{BassB2, 0, 2 * kBar44}, {BassB3, 2 * kBar44, 3 * kBar44}, {BassB2, 3 * kBar44, four}}},
        Plays(kAcc1, Pad, 0, four),
        Plays(kAcc2, Organ, 2 * kBar44, four),
        {kAcc3, {{Arp2, 0, 2 * kBar44}, {Arp0, 2 * kBar44, four}}},
    };
    style.elements = {
        {kVariation1, 4, 2, {first, second}},
        // A piece of the first bass line played whole; one record played by two tracks.
        {kVariation2,
         4,
         2,
         {{0,
           2 * kBar44,
           {Plays(kDrumTrack, DrumA, 0, 2 * kBar44), Plays(kBassTrack, BassB1, 0, 2 * kBar44),
            Plays(kAcc2, Organ, 0, 2 * kBar44), Plays(kAcc4, Organ, 0, 2 * kBar44)},
           {}}}},
        {kFill1,
         4,
         2,
         {{0, kBar44, {Plays(kDrumTrack, DrumFill, 0, kBar44), Plays(kBassTrack, BassB3, 0, kBar44)}, {}}}},
        {kEnding1,
         3,
         2,
         {{0,
           2 * kBar34,
           {Plays(kDrumTrack, EndDrum, 0, 2 * kBar34), Plays(kBassTrack, EndBass, 0, 2 * kBar34),
            Plays(kAcc1, EndPad, 0, 2 * kBar34)},
           {}}}},
    };
    return style;
}

// --- Native Waltz (3/4, old format) ---

enum WaltzPiece { WaltzDrum, WaltzBass, WaltzAccA, WaltzAccB };

CStylePlan NativeWaltz()
{
    std::vector<CPiece> pieces(WaltzAccB + 1);
    CPiece& drum = pieces[WaltzDrum] = Piece(kDrum, 9, kBar34);
    Add(drum, 0, 36, 110, 96);
    Add(drum, kQuarter, 42, 70, 60);
    Add(drum, kQuarter + kEighth, 44, 50, 40);
    Add(drum, 2 * kQuarter, 42, 74, 60);
    CPiece& bass = pieces[WaltzBass] = Piece(kBass, 2, 2 * kBar34);
    Add(bass, 0, 41, 100, 360);
    Add(bass, kBar34, 48, 96, 360);
    Add(bass, kBar34 + 2 * kQuarter, 53, 92, 2 * kQuarter); // into the next repetition
    CPiece& accA = pieces[WaltzAccA] = Piece(kAcc, 5, 2 * kBar34);
    CPiece& accB = pieces[WaltzAccB] = Piece(kAcc, 5, 2 * kBar34);
    for (const uint32_t bar : {0u, kBar34})
        for (const uint32_t beat : {kQuarter, 2 * kQuarter}) {
            Chord(accA, bar + beat, {65, 69, 72}, 70, 300);
            Chord(accB, bar + beat, {64, 67, 72}, 70, 300);
        }
    Add(accA, kBar34 + 2 * kQuarter + kEighth, 77, 85, 3 * kEighth); // across the cut into the next piece
    Add(accB, 0, 40, 80, 2000, true);

    const uint32_t four = 4 * kBar34;
    CStylePlan style{"Native Waltz", 0, false, true, {}, pieces, {}};
    style.programs = {
        {{127, 0, 8}, {127, 0, 9}, {0, 0, 32}, {0, 0, 24}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
    CChordVarPlan first{0, four, {}, {}};
    first.tracks = {
        Plays(kDrumTrack, WaltzDrum, 0, four),
        Plays(kBassTrack, WaltzBass, 0, four),
        InTurn(kAcc1, {WaltzAccA, WaltzAccB}, 2 * kBar34),
    };
    CChordVarPlan second{
        1,
        2 * kBar34,
        {Plays(kDrumTrack, WaltzDrum, 0, 2 * kBar34), Plays(kBassTrack, WaltzBass, 0, 2 * kBar34)},
        {}};
    style.elements = {{kVariation1, 3, 2, {first, second}}};
    return style;
}

// --- Native Jig (6/8) ---

enum JigPiece { JigDrum, JigBass, JigAcc0, JigAcc1, JigAcc2, JigAcc3 };

CPiece JigTune(std::initializer_list<uint8_t> keys)
{
    CPiece tune = Piece(kAcc, 4, 2 * kBar68);
    uint32_t time = 0;
    for (const uint8_t key : keys) {
        Add(tune, time, key, 80, 150);
        time += kEighth;
    }
    return tune;
}

CStylePlan NativeJig()
{
    std::vector<CPiece> pieces(JigAcc3 + 1);
    // 16 events a measure: played eight times it is long enough to be cut on saving.
    CPiece& drum = pieces[JigDrum] = Piece(kDrum, 9, kBar68);
    Add(drum, 0, 36, 110, 96);
    Add(drum, 3 * kEighth, 36, 100, 96);
    Add(drum, kQuarter, 37, 70, 60);
    Add(drum, 5 * kEighth, 37, 76, 60);
    for (uint32_t i = 0; i < 12; ++i)
        Add(drum, i * kSixteenth, 42, i % 6 ? 55 : 85, 40);
    const uint32_t eight = 8 * kBar68;
    CPiece& bass = pieces[JigBass] = Piece(kBass, 2, eight);
    Add(bass, 0, 36, 90, 8800); // a drone whose duration takes the coarse steps of 16 ticks
    for (uint32_t bar = 0; bar < 8; ++bar)
        Add(bass, bar * kBar68 + 3 * kEighth, 43, 95, 400);
    pieces[JigAcc0] = JigTune({62, 64, 66, 67, 69, 71, 72, 71, 69, 67, 66, 64});
    Add(pieces[JigAcc0], kBar68, 55, 70, 8192); // held across every later cut, up to the end
    pieces[JigAcc1] = JigTune({67, 69, 71, 72, 74, 76, 74, 72, 71, 69, 67, 66});
    pieces[JigAcc2] = JigTune({64, 66, 67, 69, 71, 72, 74, 72, 71, 69, 67, 66});
    Add(pieces[JigAcc2], kBar68 + 5 * kEighth, 79, 88, kQuarter);
    pieces[JigAcc3] = JigTune({74, 72, 71, 69, 67, 66, 64, 62, 64, 66, 67, 62});

    CStylePlan style{"Native Jig", 1, true, true, {}, pieces, {}};
    style.programs = {
        {{127, 0, 24}, {127, 0, 25}, {0, 0, 33}, {0, 0, 73}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
    const uint32_t two = 2 * kBar68;
    CChordVarPlan first{0, eight, {}, {{4 * kBar68, 110}}};
    first.tracks = {
        Plays(kDrumTrack, JigDrum, 0, eight),
        Plays(kBassTrack, JigBass, 0, eight),
        InTurn(kAcc1, {JigAcc0, JigAcc1, JigAcc2, JigAcc3}, two),
    };
    style.elements = {
        {kVariation1, 6, 3, {first}},
        {kVariation2,
         6,
         3,
         {{0, two, {Plays(kDrumTrack, JigDrum, 0, two), Plays(kAcc1, JigAcc1, 0, two)}, {}}}},
    };
    return style;
}

// --- The styles made to be refused ---

// 1100 notes at one tick: more than the event pool's 1024 records. Stored in the expanded form.
CStylePlan Overfull()
{
    std::vector<CPiece> pieces(2);
    pieces[0] = Piece(kDrum, 9, kBar44);
    for (uint32_t i = 0; i < 1100; ++i)
        Add(pieces[0], 0, static_cast<uint8_t>(35 + i % 47), static_cast<uint8_t>(1 + i % 127), 96);
    pieces[1] = Piece(kBass, 2, kBar44);
    Add(pieces[1], 0, 36, 100, 300);
    Add(pieces[1], 2 * kQuarter, 43, 100, 300);
    CStylePlan style{"Overfull", 1, false, false, {}, pieces, {}};
    style.programs = {};
    style.elements = {
        {kVariation1,
         4,
         2,
         {{0, kBar44, {Plays(kDrumTrack, 0, 0, kBar44), Plays(kBassTrack, 1, 0, kBar44)}, {}}}}};
    return style;
}

// A bass pattern whose stream breaks off half-way, shared by both chord variations.
CStylePlan Damaged()
{
    std::vector<CPiece> pieces(2);
    pieces[0] = PopBeat();
    pieces[1] = Piece(kBass, 2, kBar44);
    const uint8_t keys[] = {36, 40, 43, 41};
    for (uint32_t i = 0; i < 4; ++i)
        Add(pieces[1], i * kQuarter, keys[i], 100, 330);
    pieces[1].damagedAt = 2 * kQuarter;
    CStylePlan style{"Damaged", 1, true, false, {}, pieces, {}};
    style.programs = {};
    style.elements = {
        {kVariation1,
         4,
         2,
         {{0, 2 * kBar44, {Plays(kDrumTrack, 0, 0, 2 * kBar44), Plays(kBassTrack, 1, 0, 2 * kBar44)}, {}},
          {1, kBar44, {Plays(kDrumTrack, 0, 0, kBar44), Plays(kBassTrack, 1, 0, kBar44)}, {}}}}};
    return style;
}

} // namespace

std::vector<CStylePlan> CNativeMusic::Styles()
{
    return {NativePop(), NativeWaltz(), NativeJig(), Overfull(), Damaged()};
}
