// Exports from the example bank through the shell.
#include "ExampleExport.h"

#include "app/shell/CStyleTransfer.h"
#include "bank/CFileWriter.h"
#include "bank/CNstEditIfc.h"
#include "bank/CStyleBank.h"

CExampleStyle::CExampleStyle()
{
    CStyleBank bank;
    if (bank.OpenFile(RY7_EXAMPLE_BANK) != BankResult::Ok)
        return;
    if (const auto selection = bank.SelectStyle(0))
        style = std::make_unique<CNstEditIfc>(selection->content.data(), selection->content.size());
}

CExampleStyle::~CExampleStyle() = default;

bool CExampleStyle::ExportFirstChordVariation(const CExtProgList& programs, CFileWriter& writer)
{
    return CStyleTransfer::ExportCvToFile(*style, programs, writer, 0, 0, CNstEditIfc::AllTracks);
}

bool CExampleStyle::ExportFirstChordVariation(const CExtProgList& programs, const std::string& path)
{
    CFileWriter writer(path);
    return ExportFirstChordVariation(programs, writer);
}
