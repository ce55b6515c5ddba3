// The main window's import commands and the deletion of a chord variation, over the shell's commands.
#include "app/CDialogBridge.h"
#include "app/CTrackMapChooser.h"
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/TRyTreeView.h"
#include "app/TToolButton.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleEdit.h"
#include "shell/CStyleImport.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

void TForm2::ImportAllSmfClick()
{
    BeginCommand();
    if (Bank == nullptr || EditIfc == nullptr || CurStyle < 0)
        return;
    // Shift held on the click that brought the command here. Only the click counts: the command's own
    // keys, Ctrl+Shift+I, hold Shift as well.
    if (ImportAllSmf->ClickModifiers().testFlag(Qt::ShiftModifier)) {
        ExportAllCvs();
        return;
    }
    CDialogBridge dialogs(*services.Dialog, this);
    const std::optional<CImportMode> mode = CStyleImport::AskMode(dialogs);
    if (!mode)
        return;
    const QStringList chosen = services.Files->Choose(this, OpenDialog3);
    if (chosen.isEmpty())
        return;
    CWaitCursor wait;
    if (*mode == CImportMode::Replace) {
        // The replaced style counts as a change even when no file is taken: otherwise leaving it would
        // drop the empty style silently while the list kept its new name for the old one.
        StyleModified = true;
        if (QTreeWidgetItem* node = StyleList->NodeAt(CurStyle + 1))
            node->setText(0, CStyleImport::NewStyleName);
    }
    OpenDialog3.InitialDir = QFileInfo(chosen.first()).absolutePath();
    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(QFile::encodeName(path).toStdString());
    const CImportSetResult result = CStyleImport::ImportSet(EditIfc, *mode, paths, ExtProg, dialogs, dialogs);
    if (result.Tried() > 0)
        StyleModified = true;
    StyleVersion = EditIfc->GetStyleVersion();
    FillStyleTree();
    UpdateControls();
    StyleTree->setFocus();
}

void TForm2::ImportSingleSmfClick()
{
    ImportIntoSelectedCv(
        [this](const std::string& path, const TTreeData& at, bool initialize, CDialogBridge& dialogs) {
            CWaitCursor wait;
            CStyleImport::ImportFile(*EditIfc, ExtProg, path, at.Element, at.Cv, initialize, dialogs);
            return true;
        });
}

void TForm2::ImportMidiFileClick()
{
    ImportIntoSelectedCv(
        [this](const std::string& path, const TTreeData& at, bool initialize, CDialogBridge& dialogs) {
            const QString name = QFileInfo(QFile::decodeName(path.c_str())).fileName();
            std::optional<CWaitCursor> wait;
            const auto askMap = [&](const CSmfSummary& summary, const CTrackMap& guess) {
                std::optional<CTrackMap> map = services.TrackMaps->Choose(this, name, summary, guess);
                wait.emplace();
                return map;
            };
            return CStyleImport::ImportMappedFile(*EditIfc, ExtProg, path, at.Element, at.Cv, initialize,
                                                  askMap, dialogs) != CStyleImport::CMappedImport::Cancelled;
        });
}

void TForm2::ImportIntoSelectedCv(const CImportStep& import)
{
    BeginCommand();
    const TStyleTreeItem* node = SelectedCvNode();
    if (node != nullptr) {
        const TTreeData at = node->data;
        const int index = StyleTree->IndexOf(node);
        CDialogBridge dialogs(*services.Dialog, this);
        const CTrackParameters parameters = CStyleImport::AskTrackParameters(dialogs);
        OpenDialog2.FileName = QString::fromStdString(CStandardNames::CvName(at.Element, at.Cv));
        const QStringList chosen =
            parameters == CTrackParameters::Skip ? QStringList() : services.Files->Choose(this, OpenDialog2);
        if (!chosen.isEmpty()) {
            OpenDialog2.InitialDir = QFileInfo(chosen.first()).absolutePath();
            if (import(QFile::encodeName(chosen.first()).toStdString(), at,
                       parameters == CTrackParameters::Initialize, dialogs)) {
                CWaitCursor wait;
                StyleVersion = EditIfc->GetStyleVersion();
                FillStyleTree();
                StyleTree->SelectNode(StyleTree->NodeAt(index));
                StyleModified = true;
                UpdateControls();
            }
        }
    }
    StyleTree->setFocus();
}

void TForm2::DeleteCVClick()
{
    BeginCommand();
    const TStyleTreeItem* node = SelectedCvNode();
    if (node == nullptr)
        return;
    CWaitCursor wait;
    CDialogBridge dialogs(*services.Dialog, this);
    CStyleEdit::DeleteCv(*EditIfc, node->data.Element, node->data.Cv, dialogs);
    FillStyleTree();
    StyleTree->SelectNode(StyleTree->NodeAt(0));
    StyleModified = true;
    UpdateControls();
    StyleTree->setFocus();
}
