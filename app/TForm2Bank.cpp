// The main window's bank commands: opening a bank and listing its styles.
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <algorithm>
#include <iterator>

bool TForm2::AnyStyleChanged() const
{
    // Only the nodes that exist count: a bank without a name table lists no styles at all.
    for (int k = 1; k <= StyleCount; ++k) {
        const QTreeWidgetItem* node = StyleList->NodeAt(k);
        if (node != nullptr && TRyTreeView::Image(node) == ImageChangedStyle)
            return true;
    }
    return false;
}

void TForm2::ReportBankResult(const char* caption, BankResult result)
{
    if (result != BankResult::Ok)
        ShowDialog(caption, CStyleBank::Message(result), "OK", "", "");
}

void TForm2::OpenStyleClick()
{
    StopTestPlay();
    HelpPanel->hide();
    InfoText->hide();
    if (Bank != nullptr && (StyleModified || AnyStyleChanged()) &&
        ShowDialog("Some Style modified", "Ignore changes ?", "", "Yes", "No") != 6)
        return;
    const QStringList chosen = services.Files->Choose(this, OpenDialog1);
    if (!chosen.isEmpty())
        OpenBankFile(chosen.first());
}

void TForm2::OpenBankFile(const QString& path)
{
    // From here on no bank is open until the new one has been read.
    Bank.reset();
    BankDir.clear();
    EditIfc.reset();
    StyleModified = false;
    CurStyle = -1;
    StyleCount = 0;
    std::fill(std::begin(StyleSlots), std::end(StyleSlots), uint8_t{0});
    BankResult result = BankResult::Ok;
    {
        CWaitCursor wait;
        const QFileInfo file(path);
        BankFileName = file.fileName();
        OpenDialog1.InitialDir = file.absolutePath();
        auto bank = std::make_unique<CStyleBank>();
        result = bank->OpenFile(QFile::encodeName(file.filePath()).toStdString());
        if (result == BankResult::Ok) {
            Bank = std::move(bank);
            // The first save proposes the bank's own folder.
            BankDir = SaveDialog1.InitialDir = file.absolutePath();
            StyleCount = Bank->StyleCount();
            std::copy_n(Bank->Slots().begin(), std::min(Bank->Slots().size(), std::size(StyleSlots)),
                        StyleSlots);
        }
        FillStyleList();
        UpdateControls();
    }
    // The message comes after the hourglass is gone.
    ReportBankResult("Open Style Bank", result);
    StyleList->setFocus();
}

void TForm2::FillStyleList()
{
    StyleList->clear();
    if (Bank == nullptr)
        return;
    const std::vector<std::string> names = Bank->StyleNames();
    // Styles counted but no names: the bank has no name table and lists nothing.
    if (names.empty() && StyleCount > 0)
        return;
    auto* root = new TStyleListItem;
    root->setText(0, BankFileName);
    TRyTreeView::SetImages(root, ImageBank, ImageBank);
    StyleList->addTopLevelItem(root);
    // A table that ends early lists the styles it names.
    for (const std::string& name : names) {
        auto* node = new TStyleListItem;
        node->setText(0, QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        node->setFlags(node->flags() | Qt::ItemIsEditable);
        TRyTreeView::SetImages(node, ImageStyle, ImageSelectedStyle);
        root->addChild(node);
    }
    StyleList->expandAll();
    FillStyleTree();
}
