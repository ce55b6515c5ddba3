// The real track map question behind Import MIDI File.
#include "app/CTrackMapChooser.h"

#include "app/TMidiImportDlg.h"

std::optional<CTrackMap> CQtTrackMapChooser::Choose(QWidget* owner, const QString& fileName,
                                                    const CSmfSummary& summary, const CTrackMap& guess)
{
    TMidiImportDlg dialog(owner, fileName, summary, guess);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Map();
}
