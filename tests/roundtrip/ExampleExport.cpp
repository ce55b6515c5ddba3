// Exports from the example bank through the shell.
#include "ExampleExport.h"

#include "app/shell/CStyleTransfer.h"
#include "bank/CNstEditIfc.h"
#include "bank/CStyleBank.h"

bool ExportExampleChordVariation(const CExtProgList& programs, const std::string& path)
{
    CStyleBank bank;
    if (bank.OpenFile(RY7_EXAMPLE_BANK) != BankResult::Ok)
        return false;
    const auto selection = bank.SelectStyle(0);
    if (!selection)
        return false;
    CNstEditIfc style(selection->content.data(), selection->content.size());
    return CStyleTransfer::ExportCvToFile(style, programs, path, 0, 0, CNstEditIfc::AllTracks);
}
