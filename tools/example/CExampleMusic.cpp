// Generated grooves for the example bank.
#include "tools/example/CExampleMusic.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <algorithm>
#include <array>

namespace {

using Bytes = std::vector<uint8_t>;

// MIDI channels (0-based) of the tracks, Drum to Acc. 5.
constexpr std::array<uint8_t, 8> kChannels = {9, 10, 8, 11, 12, 13, 14, 15};
enum Track { Drum, Percussion, BassTrack, Comp, Pad, Arp, Stab, Line };

// One drum or percussion voice: its key, the element level from which it plays, and a hit string over
// the steps of a measure ('X' accent, 'x' normal, 'o' soft, anything else a rest).
struct CDrumLine {
    int Track;
    int Key;
    int FromLevel;
    const char* Hits;
};

// The figures of one feel. Rhythm strings have one character per step of a measure; in the tonal
// strings a letter starts a note that lasts to the next letter or to the end.
struct CFeelFigures {
    int Steps;
    std::vector<CDrumLine> Drums;
    const char* Bass; // 'r' root, 'f' fifth, 'o' octave, 't' third, 'a' approach from below
    const char* Comp; // 'c' chord
    const char* Arp;  // 'n' next chord tone upwards
    const char* Stab; // 's' short wide chord
    const char* Line; // 'n' next tone of the counter line
    const char* Fill; // tom hits of the fill measure, same steps
};

const CFeelFigures& FiguresOf(CExampleFeel feel)
{
    static const CFeelFigures straight{16,
                                       {{Drum, 36, 0, "X.....x.X.....x."},
                                        {Drum, 38, 0, "....X.......X..."},
                                        {Drum, 42, 0, "x.o.x.o.x.o.x.o."},
                                        {Drum, 42, 2, ".o.o.o.o.o.o.o.o"},
                                        {Drum, 46, 1, "..............x."},
                                        {Percussion, 70, 2, "xoxoxoxoxoxoxoxo"},
                                        {Percussion, 54, 1, "....x.......x..."},
                                        {Percussion, 39, 3, "....X.......X.x."}},
                                       "r.....r.f...r.a.",
                                       "c...c...c...c.c.",
                                       "n.n.n.n.n.n.n.n.",
                                       "..s.......s.....",
                                       "n.......n...n...",
                                       "........X.x.XxXx"};
    static const CFeelFigures swing{12,
                                    {{Drum, 51, 0, "X..x.xX..x.x"},
                                     {Drum, 44, 0, "...x.....x.."},
                                     {Drum, 36, 1, "o..o..o..o.."},
                                     {Drum, 38, 2, ".....o....x."},
                                     {Percussion, 75, 3, "...x.....x.."},
                                     {Percussion, 69, 1, "x.xx.xx.xx.x"}},
                                    "r..t..f..a..",
                                    "x....c......",
                                    "n.nn.nn.nn.n",
                                    "......s.....",
                                    "n..n..n.....",
                                    "......X.xX.x"};
    static const CFeelFigures waltz{12,
                                    {{Drum, 36, 0, "X..........."},
                                     {Drum, 38, 0, "....o...o..."},
                                     {Drum, 42, 0, "x...x...x..."},
                                     {Drum, 42, 2, "..o...o...o."},
                                     {Percussion, 54, 1, "....x...x..."},
                                     {Percussion, 81, 3, "x.o.x.o.x.o."}},
                                    "r.......f...",
                                    "....c...c...",
                                    "n.n.n.n.n.n.",
                                    "........s...",
                                    "n...n.......",
                                    "....X.x.XxXx"};
    static const CFeelFigures jazzWaltz{9,
                                        {{Drum, 51, 0, "X..x.xx.x"},
                                         {Drum, 44, 0, "...x..x.."},
                                         {Drum, 36, 1, "o........"},
                                         {Drum, 38, 2, ".....o..x"},
                                         {Percussion, 75, 3, "...x....."},
                                         {Percussion, 69, 1, "x.xx.xx.x"}},
                                        "r..t..f..",
                                        "c....c...",
                                        "n.nn.nn.n",
                                        "......s..",
                                        "n..n..n..",
                                        "....XxX.x"};
    static const CFeelFigures shuffle{6,
                                      {{Drum, 36, 0, "X..x.."},
                                       {Drum, 38, 1, "...X.."},
                                       {Drum, 42, 0, "xoxxox"},
                                       {Percussion, 62, 1, "x.ox.o"},
                                       {Percussion, 63, 2, ".x..x."},
                                       {Percussion, 54, 3, "x..X.."}},
                                      "r..f..",
                                      "c.cc.c",
                                      "nnnnnn",
                                      "...s..",
                                      "n..n.n",
                                      "...XxX"};
    static const CFeelFigures bossa{16,
                                    {{Drum, 36, 0, "X..xX..xX..xX..x"},
                                     {Drum, 37, 0, "x..x..x...x..x.."},
                                     {Drum, 42, 0, "xoxoxoxoxoxoxoxo"},
                                     {Drum, 46, 2, "..............x."},
                                     {Percussion, 70, 1, "xoxoxoxoxoxoxoxo"},
                                     {Percussion, 63, 2, "x..o..x...o.x..."},
                                     {Percussion, 64, 3, "..x.....x.....x."}},
                                    "r..fr..fr..fr..f",
                                    "c..c..c...c..c..",
                                    "n..n..n.n..n..n.",
                                    "s.....s...s...s.",
                                    "n...n...n.n.....",
                                    "........XxxxXXxx"};
    switch (feel) {
    case CExampleFeel::Swing:
        return swing;
    case CExampleFeel::Waltz:
        return waltz;
    case CExampleFeel::JazzWaltz:
        return jazzWaltz;
    case CExampleFeel::Shuffle:
        return shuffle;
    case CExampleFeel::Bossa:
        return bossa;
    case CExampleFeel::Straight:
        break;
    }
    return straight;
}

// Chord of each chord variation, as intervals above the root: the Variations hold six chord types,
// the other elements major and minor.
const std::vector<int>& ChordOf(int element, int cv)
{
    static const std::array<std::vector<int>, 6> chords = {{
        {0, 4, 7},
        {0, 3, 7},
        {0, 4, 7, 10},
        {0, 3, 7, 10},
        {0, 4, 7, 11},
        {0, 5, 7},
    }};
    return chords[static_cast<size_t>(element < 4 ? cv : cv % 2)];
}

int VelocityOf(char hit)
{
    return hit == 'X' ? 112 : hit == 'x' ? 90 : 58;
}

// Element roles: how busy its groove is and how its last measure ends.
struct CElementShape {
    int Level;     // 0 sparse .. 3 busy
    int Measures;  // length of its chord variations
    bool FillLast; // toms in the last measure
    bool HitLast;  // one final hit and silence in the last measure
    bool CountIn;  // sticks on every beat only
};

CElementShape ShapeOf(const CExampleStyle& style, int element)
{
    const int measures = style.Measures;
    switch (element) {
    case 0:
    case 1:
    case 2:
    case 3:
        return {element, measures, false, false, false};
    case 4:
    case 5:
        return {element - 4 + 1, 2 + element - 4, true, false, false};
    case 6:
    case 7:
    case 10:
        return {element == 10 ? 3 : element - 6 + 1, 1, true, false, false};
    case 8:
    case 9:
        return {element - 8 + 1, 2, false, true, false};
    default:
        return {0, 1, false, false, true};
    }
}

// Writes the notes of one element's chord variation into `file`, with velocities varied note by note
// when the style asks for it.
class CGrooveWriter {
public:
    CGrooveWriter(const CExampleStyle& style, int element, int cv, CSmfBuilder& sketch)
        : figures(FiguresOf(style.Feel)), shape(ShapeOf(style, element)), chord(ChordOf(element, cv)),
          file(sketch), wide(style.Feel == CExampleFeel::Bossa), numerator(style.Numerator),
          humanize(style.Humanize)
    {
        measureTicks = (1536u >> style.DenomExp) * style.Numerator;
        stepTicks = measureTicks / static_cast<uint32_t>(figures.Steps);
    }

    void Write()
    {
        for (int m = 0; m < shape.Measures; ++m) {
            const uint32_t start = measureTicks * static_cast<uint32_t>(m);
            const bool last = m == shape.Measures - 1;
            if (shape.CountIn)
                CountIn(start);
            else if (last && shape.HitLast)
                FinalHit(start);
            else
                Measure(start, last && shape.FillLast);
        }
    }

private:
    void Measure(uint32_t start, bool fill)
    {
        for (const CDrumLine& line : figures.Drums)
            if (shape.Level >= line.FromLevel)
                Hits(start, line.Track, line.Key, line.Hits, fill ? figures.Steps / 2 : figures.Steps);
        if (fill)
            Toms(start);
        BassLine(start);
        Chords(Comp, start, figures.Comp, 60, 2);
        if (shape.Level >= 1)
            Note(start, measureTicks - stepTicks / 2, kChannels[Pad], 55 + chord[1], 70);
        if (shape.Level >= 1)
            Arpeggio(start);
        Chords(Stab, start, figures.Stab, wide ? 40 : 67, wide ? 5 : 1);
        if (shape.Level >= 2)
            CounterLine(start);
    }

    void Hits(uint32_t start, int track, int key, const char* hits, int steps)
    {
        for (int s = 0; s < steps; ++s)
            if (hits[s] == 'X' || hits[s] == 'x' || hits[s] == 'o')
                Note(Step(start, s), stepTicks / 2, kChannels[static_cast<size_t>(track)], key,
                     VelocityOf(hits[s]));
    }

    void Toms(uint32_t start)
    {
        static const std::array<int, 6> toms = {50, 48, 47, 45, 43, 41};
        size_t next = 0;
        for (int s = figures.Steps / 2; s < figures.Steps; ++s)
            if (figures.Fill[s] != '.')
                Note(Step(start, s), stepTicks / 2, kChannels[Drum], toms[next++ % toms.size()],
                     VelocityOf(figures.Fill[s]));
    }

    void BassLine(uint32_t start)
    {
        const int root = 36;
        for (int s = 0; s < figures.Steps; ++s) {
            int key = 0;
            switch (figures.Bass[s]) {
            case 'r':
                key = root;
                break;
            case 'f':
                key = root + 7;
                break;
            case 'o':
                key = root + 12;
                break;
            case 't':
                key = root + chord[1];
                break;
            case 'a':
                key = root + 11;
                break;
            default:
                continue;
            }
            Note(Step(start, s), Length(figures.Bass, s), kChannels[BassTrack], key, s == 0 ? 105 : 88);
        }
    }

    // Chords on the letters of `rhythm`, voiced from `base`, spread over `octaves` for wide voicings.
    void Chords(int track, uint32_t start, const char* rhythm, int base, int octaves)
    {
        for (int s = 0; s < figures.Steps; ++s) {
            if (rhythm[s] == '.')
                continue;
            const uint32_t length = track == Stab ? stepTicks : Length(rhythm, s);
            for (size_t i = 0; i < chord.size(); ++i) {
                const int octave = static_cast<int>(i) % octaves;
                Note(Step(start, s), length, kChannels[static_cast<size_t>(track)],
                     base + chord[i] + 12 * octave, s == 0 ? 84 : 72);
            }
        }
    }

    void Arpeggio(uint32_t start)
    {
        size_t next = 0;
        for (int s = 0; s < figures.Steps; ++s) {
            if (figures.Arp[s] == '.')
                continue;
            const size_t i = next++ % (2 * chord.size());
            const int key = 60 + chord[i % chord.size()] + (i >= chord.size() ? 12 : 0);
            Note(Step(start, s), stepTicks, kChannels[Arp], key, 64 + static_cast<int>(i) * 4);
        }
    }

    void CounterLine(uint32_t start)
    {
        static const std::array<int, 5> line = {12, 14, 16, 19, 17};
        size_t next = 0;
        for (int s = 0; s < figures.Steps; ++s)
            if (figures.Line[s] != '.')
                Note(Step(start, s), Length(figures.Line, s), kChannels[Line],
                     60 + line[next++ % line.size()], 80);
    }

    void CountIn(uint32_t start)
    {
        const int every = std::max(1, figures.Steps / numerator);
        for (int s = 0; s < figures.Steps; s += every)
            Note(Step(start, s), stepTicks / 2, kChannels[Drum], 37, s == 0 ? 110 : 85);
    }

    void FinalHit(uint32_t start)
    {
        Note(start, stepTicks, kChannels[Drum], 49, 115);
        Note(start, stepTicks, kChannels[Drum], 36, 110);
        Note(start, measureTicks / 2, kChannels[BassTrack], 36, 100);
        for (size_t i = 0; i < chord.size(); ++i)
            Note(start, measureTicks - stepTicks, kChannels[Pad], 55 + chord[i], 80);
    }

    void Note(uint32_t start, uint32_t length, uint8_t channel, int key, int velocity)
    {
        if (humanize) {
            jitter = jitter * 1103515245u + 12345u; // a fixed linear congruential sequence
            velocity += static_cast<int>((jitter >> 16) % 17) - 8;
        }
        file.Note(start, start + length, channel, static_cast<uint8_t>(std::clamp(key, 0, 127)),
                  static_cast<uint8_t>(std::clamp(velocity, 1, 127)));
    }

    uint32_t Step(uint32_t start, int step) const { return start + stepTicks * static_cast<uint32_t>(step); }

    // From a letter of a tonal string to the next one (or the measure's end), less a short gap.
    uint32_t Length(const char* rhythm, int step) const
    {
        int next = step + 1;
        while (next < figures.Steps && rhythm[next] == '.')
            ++next;
        return stepTicks * static_cast<uint32_t>(next - step) - stepTicks / 4;
    }

    const CFeelFigures& figures;
    CElementShape shape;
    const std::vector<int>& chord;
    CSmfBuilder& file;
    bool wide; // Acc. 4 voiced over five octaves
    int numerator;
    bool humanize;
    uint32_t jitter = 1;
    uint32_t measureTicks = 0;
    uint32_t stepTicks = 0;
};

// Tempo, signature and each track's expression, bank select and program at tick 0.
void WriteHeader(const CExampleStyle& style, CSmfBuilder& file)
{
    const auto micros = static_cast<uint32_t>(60000000 / style.Tempo);
    file.Add(0, {0xFF, 0x51, 3, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                 static_cast<uint8_t>(micros)});
    file.Add(0,
             {0xFF, 0x58, 4, style.Numerator, style.DenomExp, static_cast<uint8_t>(96 >> style.DenomExp), 8});
    for (size_t t = 0; t < kChannels.size(); ++t) {
        const uint8_t status = static_cast<uint8_t>(0xB0 | kChannels[t]);
        file.Add(0, {status, 11, static_cast<uint8_t>(100 + 3 * t)});
        file.Add(0, {status, 0, style.Programs[t][0]});
        file.Add(0, {status, 32, style.Programs[t][1]});
        file.Add(0, {static_cast<uint8_t>(0xC0 | kChannels[t]), style.Programs[t][2]});
    }
}

} // namespace

std::vector<CExampleFile> CExampleMusic::Files(const CExampleStyle& style)
{
    std::vector<CExampleFile> files;
    const int elements = style.Version > 0 ? 12 : 10;
    for (int e = 0; e < elements; ++e) {
        for (int c = 0; c < (e < 4 ? 6 : 2); ++c) {
            CSmfBuilder file;
            WriteHeader(style, file);
            CGrooveWriter(style, e, c, file).Write();
            const uint32_t measureTicks = (1536u >> style.DenomExp) * style.Numerator;
            files.push_back(
                {e, c, file.Image(measureTicks * static_cast<uint32_t>(ShapeOf(style, e).Measures))});
        }
    }
    return files;
}
