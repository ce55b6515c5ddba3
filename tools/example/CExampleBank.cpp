// The example bank: styles generated, imported through the facade, compacted and assembled.
#include "tools/example/CExampleBank.h"

#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "tools/bankbuilder/CBankBuilder.h"
#include "tools/example/CExampleMusic.h"

#include <cstring>
#include <string>

namespace {

using Bytes = CBankBuilder::Bytes;

// The extended program of the bossa style's Acc. 4: an organ whose keys below 48 and above 84 are
// not ordinary notes.
constexpr uint8_t kOrganProgram[3] = {0, 100, 17};
constexpr CNoteRange kOrganRange = {48, 84};

const char* const kExtProgList =
    "# Extended programs: bank select MSB, LSB, program, lowest and highest ordinary note\n"
    "0 100 17 48 84   split organ of the example style Bossa Nova\n"
    "121 0 64 36 96\n";

// The demo bank's four styles come first; the benchmark bank cycles through all six.
constexpr int kDemoStyles = 4;
constexpr int kTemplates = 6;

CExampleStyle Template(int k)
{
    using F = CExampleFeel;
    // Per style: name, feel, signature, version, tempo, then bank MSB, LSB and program for Drum .. Acc. 5,
    // the Variations' length in measures and whether the bank stores the style compressed.
    static const CExampleStyle templates[kTemplates] = {
        {"Pop 8Beat",
         F::Straight,
         4,
         2,
         1,
         112,
         {{127, 0, 0}, {127, 0, 1}, {0, 0, 33}, {0, 0, 0}, {0, 0, 48}, {0, 0, 25}, {0, 0, 61}, {0, 0, 81}},
         2,
         true},
        {"Swing Jazz",
         F::JazzWaltz,
         3,
         2,
         0,
         160,
         {{127, 0, 32}, {127, 0, 33}, {0, 0, 32}, {0, 0, 0}, {0, 0, 49}, {0, 0, 26}, {0, 0, 65}, {0, 0, 56}},
         2,
         false},
        {"Bossa Nova",
         F::Bossa,
         4,
         2,
         1,
         132,
         {{127, 0, 24},
          {127, 0, 25},
          {0, 0, 33},
          {0, 0, 24},
          {0, 0, 89},
          {0, 0, 27},
          {kOrganProgram[0], kOrganProgram[1], kOrganProgram[2]},
          {0, 0, 73}},
         4,
         true},
        {"Rock Shuffle",
         F::Shuffle,
         6,
         3,
         1,
         100,
         {{127, 0, 16}, {127, 0, 17}, {0, 0, 34}, {0, 0, 2}, {0, 0, 18}, {0, 0, 29}, {0, 0, 30}, {0, 0, 62}},
         2,
         true},
        {"Country Waltz",
         F::Waltz,
         3,
         2,
         1,
         150,
         {{127, 0, 8}, {127, 0, 9}, {0, 0, 32}, {0, 0, 0}, {0, 0, 48}, {0, 0, 24}, {0, 0, 21}, {0, 0, 110}},
         4,
         true},
        {"Big Band",
         F::Swing,
         4,
         2,
         1,
         140,
         {{127, 0, 32}, {127, 0, 33}, {0, 0, 32}, {0, 0, 0}, {0, 0, 61}, {0, 0, 26}, {0, 0, 65}, {0, 0, 56}},
         2,
         true},
    };
    return templates[k % kTemplates];
}

// A style built the way the window builds one from files: each file imported into its chord
// variation, the organ's outside notes marked, then the content chunk built and compacted.
Bytes BuildStyle(const CExampleStyle& style)
{
    CNstEditIfc facade(nullptr, 0);
    facade.SetStyleName(style.Name);
    facade.SetStyleVersion(style.Version);
    for (const CExampleFile& file : CExampleMusic::Files(style)) {
        if (!facade.ImportSmfToCv(file.Image.data(), file.Image.size(), file.Element, file.Cv,
                                  CNstEditIfc::AllTracks, false))
            return {};
        if (std::memcmp(style.Programs[6], kOrganProgram, sizeof kOrganProgram) == 0) {
            CNoteRanges ranges;
            ranges[6] = kOrganRange;
            facade.MarkNotesOutsideRanges(file.Element, file.Cv, ranges);
        }
    }
    return facade.BuildStyleChunk(true);
}

} // namespace

bool CExampleBank::Build(int benchStyles, std::vector<uint8_t>& bank)
{
    CBankBuilder builder;
    builder.DataChunk(3, Bytes(32, 0)).NameTable();
    const int count = benchStyles ? benchStyles : kDemoStyles;
    for (int k = 0; k < count; ++k) {
        CExampleStyle style = Template(k);
        if (benchStyles) {
            style.Name = "Bench " + std::to_string(k + 1);
            style.Measures = 4 + k % 4;
            style.Humanize = true;
            style.Tempo += k;
        }
        const Bytes content = BuildStyle(style);
        if (content.empty())
            return false;
        builder.Style(style.Name, content, style.Compressed);
        if (k == 1 && !benchStyles)
            builder.Container(7, CBankBuilder::Record(1, Bytes(40, 0x55)), "User Area");
    }
    bank = builder.OffsetIndex().Build();
    // A bank whose expanded styles outgrow the bank buffer would not open.
    CStyleBank check;
    return check.OpenImage(bank.data(), bank.size()) == BankResult::Ok;
}

const char* CExampleBank::ExtProgList()
{
    return kExtProgList;
}
