// Opens arbitrary bytes as a bank, then takes every style through the facade, commits, saves and reopens.
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
