// The toolkit's file dialog behind CFileChooser.
#include "app/CFileChooser.h"

#include <QFileDialog>

QStringList CQtFileChooser::Choose(QWidget* owner, const CFileDialogSpec& spec)
{
    QFileDialog dialog(owner, spec.Title, spec.InitialDir, spec.Filter);
    dialog.setDefaultSuffix(spec.DefaultSuffix);
    switch (spec.DialogMode) {
    case CFileDialogSpec::Mode::OpenOne:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case CFileDialogSpec::Mode::OpenMany:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case CFileDialogSpec::Mode::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    }
    if (!spec.FileName.isEmpty())
        dialog.selectFile(spec.FileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
