// The toolkit's file dialog behind CFileChooser.
#include "app/CFileChooser.h"

#include <QFileDialog>

QStringList CQtFileChooser::Choose(QWidget* owner, const CFileDialogSpec& request)
{
    QFileDialog dialog(owner, request.Title, request.InitialDir, request.Filter);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    switch (request.DialogMode) {
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
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
