// The main window's commands that end an editing episode: saving the bank, undo and closing.
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

QString TForm2::ListText(int index) const
{
    const QTreeWidgetItem* node = StyleList->NodeAt(index);
    return node != nullptr ? node->text(0) : QString();
}

void TForm2::SaveStyleClick()
{
    BeginCommand();
    StyleTree->setFocus();
    // Leaving the style asks whether its changes are kept and writes them back.
    if (QTreeWidgetItem* root = StyleList->NodeAt(0))
        StyleList->SelectNode(root);
    if (Bank == nullptr)
        return;
    SaveDialog1.FileName = BankFileName;
    const QStringList chosen = services.Files->Choose(this, SaveDialog1);
    if (chosen.isEmpty())
        return;
    CSaveResult saved;
    {
        CWaitCursor wait;
        LeaveStyle();
        std::vector<std::string> names;
        for (int k = 0; k < StyleCount; ++k) {
            if (StyleList->NodeAt(k + 1) == nullptr)
                break;
            names.push_back(ListText(k + 1).toLatin1().toStdString());
        }
        const QFileInfo file(chosen.first());
        saved = Bank->SaveFile(QFile::encodeName(file.filePath()).toStdString(), names);
        // Only a written file ends the episode: after a failure the marks of the changed styles, the
        // bank's name and folder stay, so that closing and opening still ask before the changes go.
        if (saved.result == BankResult::Ok) {
            BankFileName = file.fileName();
            BankDir = SaveDialog1.InitialDir = file.absolutePath();
            FillStyleList();
        }
        UpdateControls();
    }
    for (int i = 0; i < saved.compressionErrors; ++i)
        Message("Save Style Bank", "Compression Error!");
    if (saved.result != BankResult::Ok)
        Message("Save Style Bank", "File write error!");
    StyleList->setFocus();
}

void TForm2::UndoStyleClick()
{
    BeginCommand();
    if (Bank == nullptr || EditIfc == nullptr || CurStyle < 0)
        return;
    StyleTree->setFocus();
    QTreeWidgetItem* node = StyleList->SelectedNode();
    const int index = StyleList->IndexOf(node);
    StyleModified = false;
    EditIfc.reset();
    if (node != nullptr)
        node->setText(0, CurStyleName);
    StyleList->SelectNode(StyleList->NodeAt(0));
    StyleList->SelectNode(StyleList->NodeAt(index));
    StyleList->setFocus();
    UpdateControls();
}

void TForm2::FormCloseQuery(bool& canClose)
{
    canClose = true;
    if (Bank != nullptr && (StyleModified || AnyStyleChanged()))
        canClose = ShowDialog("Some Style modified", "Ignore changes ?", "", "Yes", "No") == 6;
}

void TForm2::FormClose()
{
    if (!TempSmfPath.isEmpty())
        StopTestPlay();
}
