// The real message dialog behind the window's ShowDialog.
#include "app/CMessageDialog.h"

#include "app/TRyGeneralDlg.h"

int CRyMessageDialog::Show(QWidget* owner, const QString& caption, const QString& text, const QString& middle,
                           const QString& left, const QString& right)
{
    TRyGeneralDlg dialog(owner, caption, text, left, middle, right);
    return dialog.exec();
}
