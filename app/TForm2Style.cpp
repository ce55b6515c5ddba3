// The main window's style commands: selecting, leaving and renaming a style, and its tree.
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TPianoRoll.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CNodeInfo.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

namespace {

constexpr int MaxStyleNameLength = 31;

TStyleTreeItem* AddTreeNode(QTreeWidgetItem* parent, const QString& text, int image, const TTreeData& data)
{
    auto* node = new TStyleTreeItem(data);
    node->setText(0, text);
    TRyTreeView::SetImages(node, image, image);
    parent->addChild(node);
    return node;
}

} // namespace

// Style tree

const TStyleTreeItem* TForm2::SelectedTreeItem() const
{
    if (EditIfc == nullptr)
        return nullptr;
    return dynamic_cast<const TStyleTreeItem*>(StyleTree->SelectedNode());
}

void TForm2::FillStyleTree()
{
    // Rebuilding the tree is no selection of the user's: the info text of the style list stays.
    const QSignalBlocker quiet(StyleTree);
    StyleTree->clear();
    // The notes shown may be gone; the node the command selects next shows its own.
    PianoRoll->Clear();
    if (EditIfc == nullptr)
        return;
    char name[MaxStyleNameLength + 1];
    EditIfc->GetStyleName(name, MaxStyleNameLength);
    auto* root = new TStyleTreeItem(TTreeData{});
    root->setText(0, QString::fromLatin1(name));
    TRyTreeView::SetImages(root, ImageSelectedStyle, ImageSelectedStyle);
    StyleTree->addTopLevelItem(root);
    for (int e = 0; e < CStandardNames::ElementCount; ++e) {
        if (EditIfc->GetElementState(e) == CNstEditIfc::StateAbsent)
            continue;
        const auto element = static_cast<uint8_t>(e);
        TStyleTreeItem* elementNode = AddTreeNode(root, CStandardNames::ElementName(e), ImageElement,
                                                  {TTreeData::KindElement, element, 0, 0, {}});
        for (int c = 0; c < CStandardNames::MaxCvCount; ++c) {
            if (EditIfc->GetCvState(e, c) == CNstEditIfc::StateAbsent)
                continue;
            const auto cv = static_cast<uint8_t>(c);
            TStyleTreeItem* cvNode =
                AddTreeNode(elementNode, QString::fromStdString(CStandardNames::ChordVarText(c)), ImageCv,
                            {TTreeData::KindCv, element, cv, 0, {}});
            for (int t = 0; t < CStandardNames::TrackCount; ++t) {
                if (EditIfc->GetTrackState(e, c, t) == CNstEditIfc::StateFilled)
                    AddTreeNode(cvNode, CStandardNames::TrackName(t), ImageTrack,
                                {TTreeData::KindTrack, element, cv, static_cast<uint8_t>(t), {}});
            }
        }
        elementNode->setExpanded(true);
    }
    root->setExpanded(true);
}

void TForm2::StyleTreeChange(QTreeWidgetItem* item)
{
    StopTestPlay();
    InfoText->hide();
    auto* node = dynamic_cast<TStyleTreeItem*>(item);
    if (EditIfc != nullptr && node != nullptr && node->data.Kind != TTreeData::KindStyle) {
        const TTreeData& at = node->data;
        std::string text;
        if (at.Kind == TTreeData::KindElement)
            text = CNodeInfo::ElementText(*EditIfc, at.Element);
        else if (at.Kind == TTreeData::KindCv)
            text = CNodeInfo::CvText(*EditIfc, at.Element, at.Cv);
        else
            text = CNodeInfo::TrackText(*EditIfc, ExtProg, at.Element, at.Track);
        node->data.Info = QString::fromStdString(text);
        ShowInfo(node->data.Info);
    }
    ShowRollOf(EditIfc != nullptr ? node : nullptr);
    UpdateControls();
}

void TForm2::ShowRollOf(const TStyleTreeItem* node)
{
    if (node == nullptr || (node->data.Kind != TTreeData::KindCv && node->data.Kind != TTreeData::KindTrack)) {
        PianoRoll->Clear();
        return;
    }
    const TTreeData& at = node->data;
    PianoRoll->ShowNode(*EditIfc, ExtProg, at.Element, at.Cv,
                        at.Kind == TTreeData::KindCv ? CNstEditIfc::AllTracks : at.Track);
}

const TStyleTreeItem* TForm2::SelectedCvNode() const
{
    const TStyleTreeItem* node = SelectedTreeItem();
    return node != nullptr && node->data.Kind == TTreeData::KindCv ? node : nullptr;
}

void TForm2::BeginCommand()
{
    StopTestPlay();
    HelpPanel->hide();
    InfoText->hide();
}

// Info texts

void TForm2::ShowInfo(const QString& text)
{
    InfoText->setText(text);
    InfoText->show();
    InfoText->raise();
}

void TForm2::ShowCachedInfo(const TRyTreeView* tree)
{
    StopTestPlay();
    InfoText->hide();
    if (!HasSelectedNode(tree))
        return;
    QString info;
    if (tree == StyleList && Bank != nullptr) {
        if (const auto* node = dynamic_cast<const TStyleListItem*>(tree->SelectedNode()))
            info = node->Info;
    } else if (tree == StyleTree && EditIfc != nullptr) {
        if (const auto* node = dynamic_cast<const TStyleTreeItem*>(tree->SelectedNode()))
            info = node->data.Info;
    }
    if (!info.isEmpty())
        ShowInfo(info);
}

void TForm2::StyleListEnter()
{
    ShowCachedInfo(StyleList);
}

void TForm2::StyleTreeEnter()
{
    ShowCachedInfo(StyleTree);
}

// Selecting and leaving a style

void TForm2::StyleListChanging(QTreeWidgetItem* leaving)
{
    if (EditIfc == nullptr || leaving == nullptr || leaving->parent() == nullptr || !StyleModified)
        return;
    if (ShowDialog("Style modified", "Confirm changes ?", "", "Yes", "No") == 6) {
        TRyTreeView::SetImages(leaving, ImageChangedStyle, ImageSelectedStyle);
        return;
    }
    leaving->setText(0, CurStyleName);
    StyleModified = false;
}

void TForm2::StyleListChange(QTreeWidgetItem* item)
{
    StopTestPlay();
    if (Bank == nullptr)
        return;
    CWaitCursor wait;
    LeaveStyle();
    CurStyle = -1;
    QString info = QString(" Uncompressed Size: %1").arg(Bank->Used());
    if (item != nullptr && item->parent() != nullptr) {
        const int k = item->parent()->indexOfChild(item);
        CurStyle = k;
        CurStyleName = item->text(0);
        if (const auto selection = Bank->SelectStyle(k)) {
            info = QString(" Uncompressed Size: %1").arg(selection->uncompressedSize);
            if (!selection->content.empty())
                OpenEditIfc(selection->content);
        }
    }
    if (auto* node = dynamic_cast<TStyleListItem*>(item))
        node->Info = info;
    ShowInfo(info);
    FillStyleTree();
    // Another style's tree starts at its top.
    StyleTree->scrollToTop();
    UpdateControls();
}

void TForm2::OpenEditIfc(const std::vector<uint8_t>& content)
{
    auto style = std::make_unique<CNstEditIfc>(content.data(), content.size());
    // A style that cannot be read is not edited: building it would store an empty style in its place.
    if (!style->IsLoaded()) {
        Message(CStyleEdit::CorruptCaption, QString::fromStdString(CStyleEdit::UnreadableText(*style)));
        return;
    }
    EditIfc = std::move(style);
    StyleVersion = EditIfc->GetStyleVersion();
    EditIfc->SetStyleName(CurStyleName.toLatin1().toStdString());
}

void TForm2::LeaveStyle()
{
    if (EditIfc == nullptr)
        return;
    if (StyleModified) {
        StoreCurrentStyle();
        StyleModified = false;
    }
    EditIfc.reset();
}

void TForm2::StoreCurrentStyle()
{
    if (Bank == nullptr || EditIfc == nullptr || CurStyle < 0)
        return;
    std::vector<uint8_t> chunk = EditIfc->BuildStyleChunk(true);
    if (chunk.empty()) {
        Message("Style modified", CStyleEdit::UnstorableText);
        return;
    }
    // A style that no longer fits the bank must not go unnoticed: its changes are not stored.
    ReportBankResult("Style modified", Bank->CommitStyle(CurStyle, std::move(chunk)));
}

// Renaming and version

void TForm2::StyleListEdited(QTreeWidgetItem* node, const QString& text)
{
    if (node == nullptr || node->parent() == nullptr)
        return;
    if (EditIfc == nullptr) {
        node->setText(0, text);
        return;
    }
    const std::string name = CStyleEdit::Rename(*EditIfc, text.toLatin1().toStdString());
    StyleModified = true;
    node->setText(0, QString::fromLatin1(name));
    FillStyleTree();
    UpdateControls();
    StyleTree->setFocus();
}

void TForm2::RyVersionMouseUp()
{
    if (EditIfc != nullptr && CStyleEdit::Upgrade(*EditIfc)) {
        StyleVersion = 1;
        StyleModified = true;
    }
    UpdateControls();
}
