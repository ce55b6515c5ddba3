// Imports arbitrary bytes as a MIDI file into a new and into a populated style, then exports the result.
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "smf/CSmfTracks.h"
#include "tools/example/CExampleBank.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The first style of the example bank: elements, chord variations and patterns already present.
const std::vector<uint8_t>& PopulatedStyle()
{
    static const std::vector<uint8_t> content = [] {
        std::vector<uint8_t> image;
        CStyleBank bank;
        if (!CExampleBank::Build(0, image) || bank.OpenImage(image.data(), image.size()) != BankResult::Ok)
            return std::vector<uint8_t>();
        const auto selection = bank.SelectStyle(0);
        return selection ? selection->content : std::vector<uint8_t>();
    }();
    return content;
}

// Element, chord variation and track come from the last byte, so that the fuzzer steers them too.
void ImportAndExport(CNstEditIfc& style, const uint8_t* data, size_t size, uint8_t steer)
{
    const int element = steer % 12;
    const int cv = (steer / 12) % 6;
    const bool allTracks = (steer & 0x80) != 0;
    const int track = allTracks ? CNstEditIfc::AllTracks : steer % 8;
    if (!style.ImportSmfToCv(data, size, element, cv, track, !allTracks && (steer & 0x40) != 0))
        return;
    style.ExportCvToSmf(element, cv, CNstEditIfc::AllTracks);
    style.ExportCvToSmf(element, cv, steer % 8);
}

// The chord variation a new style makes of a file, exported; empty when the file is refused.
std::vector<uint8_t> Imported(const uint8_t* data, size_t size)
{
    CNstEditIfc style(nullptr, 0);
    if (!style.ImportSmfToCv(data, size, 0, 0, CNstEditIfc::AllTracks, false))
        return {};
    return style.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
}

// A file of format 0 or 1 read track by track: its merge into format 0, on channels moved by the
// steering byte, must read back whole and import like any format 0 file. A format 0 file that imports
// must import alike when merged on its own channels.
void MergeTracks(const uint8_t* data, size_t size, uint8_t steer)
{
    CSmfTracks tracks;
    if (tracks.Read(data, size) != CSmfTracks::Result::Ok)
        return;
    tracks.Summary();
    if (tracks.Format() == 0) {
        const std::vector<uint8_t> plain = Imported(data, size);
        const std::vector<uint8_t> same = tracks.Format0(CSmfTracks::SameChannels());
        if (!plain.empty() && Imported(same.data(), same.size()) != plain)
            __builtin_trap();
    }
    CSmfTracks::CChannelMap map = CSmfTracks::SameChannels();
    for (size_t c = 0; c < map.size(); ++c)
        map[c] = (steer >> (c % 8)) & 1 ? static_cast<int8_t>((c + steer) % 16) : CSmfTracks::Dropped;
    const std::vector<uint8_t> merged = tracks.Format0(map);
    CSmfTracks again;
    if (again.Read(merged.data(), merged.size()) != CSmfTracks::Result::Ok)
        __builtin_trap();
    CNstEditIfc fresh(nullptr, 0);
    ImportAndExport(fresh, merged.data(), merged.size(), steer);
}

} // namespace

// Builds the example bank once before the first input, so that its cost never counts against an input.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    PopulatedStyle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t steer = size > 0 ? data[size - 1] : 0;
    CNstEditIfc fresh(nullptr, 0);
    ImportAndExport(fresh, data, size, steer);
    const std::vector<uint8_t>& content = PopulatedStyle();
    CNstEditIfc populated(content.data(), content.size());
    ImportAndExport(populated, data, size, steer);
    MergeTracks(data, size, steer);
    return 0;
}
