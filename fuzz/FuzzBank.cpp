// Opens arbitrary bytes as a bank, then takes every style through the facade (drawing the piano roll of
// its first chord variation), commits, saves and reopens.
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CExtProgList.h"
#include "shell/CRollLayout.h"
#include "shell/CRollSvg.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The roll of the style's first chord variation as the window and the SVG writer place it.
void DrawFirstChordVariation(CNstEditIfc& style)
{
    const CExtProgList programs;
    for (int e = 0; e < kStyleElements; ++e)
        for (int c = 0; c < kChordVars; ++c) {
            if (style.GetCvState(e, c) == CNstEditIfc::StateAbsent)
                continue;
            if (const std::optional<CRollContent> content =
                    CRollNotes::Read(style, programs, e, c, CNstEditIfc::AllTracks)) {
                double width = 0, height = 0;
                CRollLayout::NaturalSize(*content, width, height);
                CRollSvg::Write(CRollLayout(*content, width, height), "");
            }
            return;
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CStyleBank bank;
    if (bank.OpenImage(data, size) != BankResult::Ok)
        return 0;
    const std::vector<std::string> names = bank.StyleNames();
    for (int k = 0; k < bank.StyleCount(); ++k) {
        const auto selection = bank.SelectStyle(k);
        if (!selection || selection->content.empty())
            continue;
        CNstEditIfc style(selection->content.data(), selection->content.size());
        DrawFirstChordVariation(style);
        std::vector<uint8_t> chunk = style.BuildStyleChunk(true);
        if (!chunk.empty())
            bank.CommitStyle(k, std::move(chunk));
    }
    std::vector<uint8_t> image;
    if (bank.SaveImage(image, names).result != BankResult::Ok)
        return 0;
    CStyleBank reopened;
    reopened.OpenImage(image.data(), image.size());
    return 0;
}
