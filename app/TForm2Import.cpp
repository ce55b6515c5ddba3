// The main window's import commands and the deletion of a chord variation.
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "app/shell/CStandardNames.h"
#include "app/shell/CStyleTransfer.h"
#include "bank/CNstEditIfc.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace {

constexpr const char* ImportAllCaption = "Import Style from SMF";
constexpr const char* DeleteCaption = "Delete Chord Variation";
constexpr const char* NewStyleName = "New Style";
// Fill 3 and Intro 3 exist in the new style format only.
constexpr int FirstNewFormatElement = 10;

} // namespace

bool TForm2::ImportSmfFile(const QString& path, int element, int cv, bool initialize)
{
    const CImportOutcome outcome = CStyleTransfer::ImportSmfFile(
        *EditIfc, ExtProg, QFile::encodeName(path).toStdString(), element, cv, initialize);
    if (outcome.Upgraded) {
        StyleVersion = 1;
        Message(CStyleTransfer::ImportCaption, CStyleTransfer::UpgradeText);
    }
    return outcome.Ok;
}

void TForm2::AddVariation1IfMissing(const char* caption)
{
    if (EditIfc->GetElementState(0) != CNstEditIfc::StateAbsent)
        return;
    EditIfc->GetPatternParam1(0, 0, 0);
    Message(caption, "Style Element 'Variation 1' must exists. An empty element has been added.");
}

void TForm2::ImportAllSmfClick()
{
    BeginCommand();
    if (Bank == nullptr || EditIfc == nullptr || CurStyle < 0)
        return;
    if (services.ShiftDown()) {
        ExportAllCvs();
        return;
    }
    const int mode = ShowDialog(ImportAllCaption, "Replace current style or merge with SMF files?", "Merge",
                                "Replace", "Cancel");
    if (mode == 2)
        return;
    const QStringList chosen = services.Files->Choose(this, OpenDialog3);
    if (chosen.isEmpty())
        return;
    CWaitCursor wait;
    if (mode == 6) {
        // The replaced style counts as a change even when no file is taken: otherwise leaving it would
        // drop the empty style silently while the list kept its new name for the old one.
        StyleModified = true;
        EditIfc = std::make_unique<CNstEditIfc>(nullptr, 0);
        EditIfc->SetStyleVersion(StyleVersion);
        if (QTreeWidgetItem* node = StyleList->NodeAt(CurStyle + 1))
            node->setText(0, NewStyleName);
        EditIfc->SetStyleName(NewStyleName);
    }
    OpenDialog3.InitialDir = QFileInfo(chosen.first()).absolutePath();
    for (const QString& path : chosen) {
        const std::string lowered = CStandardNames::LowerFileName(QFile::encodeName(path).toStdString());
        const QString name = QFile::decodeName(QByteArray::fromStdString(lowered));
        const int row = CStandardNames::MatchFileName(lowered);
        if (row < 0) {
            Message(ImportAllCaption, "'" + name + "'  is not a valid standard name!");
            continue;
        }
        const CCvRef ref = CStandardNames::RowToCv(row);
        if (ref.Element >= FirstNewFormatElement && StyleVersion < 1) {
            StyleVersion = 1;
            EditIfc->SetStyleVersion(1);
            Message(ImportAllCaption,
                    "'" + name + "'  is a new Ry version style element. Style version has been upgraded!");
        }
        int answer = 7;
        if (EditIfc->GetCvState(ref.Element, ref.Cv) == CNstEditIfc::StateFilled)
            answer = ShowDialog(ImportAllCaption,
                                "Warning! '" + name + "' is a duplicate - Initialize/Keep Track Parameters?",
                                "Keep", "Initialize", "Skip CV");
        if (answer == 2)
            continue;
        StyleModified = true;
        if (!ImportSmfFile(path, ref.Element, ref.Cv, answer == 6))
            Message(ImportAllCaption, CStyleTransfer::ReadErrorText);
    }
    AddVariation1IfMissing(ImportAllCaption);
    FillStyleTree();
    UpdateControls();
    StyleTree->setFocus();
}

void TForm2::ImportSingleSmfClick()
{
    BeginCommand();
    const TStyleTreeItem* node = SelectedCvNode();
    if (node != nullptr) {
        const TTreeData at = node->data;
        const int index = StyleTree->IndexOf(node);
        const int answer = ShowDialog(CStyleTransfer::ImportCaption, "Initialize/Keep Track Parameters?",
                                      "Keep", "Initialize", "Cancel");
        OpenDialog2.FileName = QString::fromStdString(CStandardNames::CvName(at.Element, at.Cv));
        const QStringList chosen = answer == 2 ? QStringList() : services.Files->Choose(this, OpenDialog2);
        if (!chosen.isEmpty()) {
            CWaitCursor wait;
            OpenDialog2.InitialDir = QFileInfo(chosen.first()).absolutePath();
            if (!ImportSmfFile(chosen.first(), at.Element, at.Cv, answer == 6))
                Message(CStyleTransfer::ImportCaption, CStyleTransfer::ReadErrorText);
            FillStyleTree();
            StyleTree->SelectNode(StyleTree->NodeAt(index));
            StyleModified = true;
            UpdateControls();
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
    const int element = node->data.Element;
    EditIfc->DeleteCv(element, node->data.Cv);
    if (EditIfc->GetElementState(element) == CNstEditIfc::StateEmpty)
        EditIfc->DeleteElement(element);
    AddVariation1IfMissing(DeleteCaption);
    FillStyleTree();
    StyleTree->SelectNode(StyleTree->NodeAt(0));
    StyleModified = true;
    UpdateControls();
    StyleTree->setFocus();
}
