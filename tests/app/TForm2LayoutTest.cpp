// The main window at its first size and the platform's font: every label of the example bank and every
// text of the window shows whole, neither cut short nor clipped.
#include "CWindowFixture.h"
#include "app/TClickLabel.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>

class TForm2LayoutTest : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void everyLabelOfTheExampleBankShowsWhole();
    void panelsShowTheirTextsWhole();
    void aLabelTooLongForItsTreeShowsInItsToolTip();

private:
    // The room the style gives `node`'s label beside its icon, inside the visible part of the tree,
    // against the text's width in the tree's font.
    static void CheckLabel(TRyTreeView& tree, QTreeWidgetItem* node);
    // A one-line text of the window: as wide as its text and inside the window.
    static void CheckLine(const QWidget& window, const QLabel& label);
    // A wrapped text: its lines need no more room than the label has.
    static void CheckWrapped(const QWidget& window, const QLabel& label);
};

void TForm2LayoutTest::CheckLabel(TRyTreeView& tree, QTreeWidgetItem* node)
{
    tree.scrollToItem(node);
    QStyleOptionViewItem option;
    option.initFrom(tree.viewport());
    option.font = tree.font();
    option.fontMetrics = tree.fontMetrics();
    option.rect = tree.visualItemRect(node);
    option.text = node->text(0);
    option.icon = node->icon(0);
    const int icon = tree.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &tree);
    option.decorationSize = tree.iconSize().isValid() ? tree.iconSize() : QSize(icon, icon);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.decorationPosition = QStyleOptionViewItem::Left;
    const QRect text = tree.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &tree);
    // The style keeps this margin on both sides of the text, and cuts a text that does not fit between.
    const int margin = tree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &tree) + 1;
    const int room = std::min(text.right() + 1, tree.viewport()->width()) - text.left() - 2 * margin;
    QVERIFY2(tree.fontMetrics().horizontalAdvance(node->text(0)) <= room,
             qPrintable(QString("'%1' needs %2 pixels and has %3")
                            .arg(node->text(0))
                            .arg(tree.fontMetrics().horizontalAdvance(node->text(0)))
                            .arg(room)));
}

void TForm2LayoutTest::CheckLine(const QWidget& window, const QLabel& label)
{
    QVERIFY2(label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width(),
             qPrintable(label.text()));
    QVERIFY2(label.fontMetrics().height() <= label.contentsRect().height(), qPrintable(label.text()));
    QVERIFY2(window.rect().contains(QRect(label.mapTo(&window, QPoint(0, 0)), label.size())),
             qPrintable(label.text()));
}

void TForm2LayoutTest::CheckWrapped(const QWidget& window, const QLabel& label)
{
    const QRect room = label.contentsRect();
    const QRect needed =
        label.fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, label.text());
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(), qPrintable(label.text()));
    QVERIFY2(window.rect().contains(QRect(label.mapTo(&window, QPoint(0, 0)), label.size())),
             qPrintable(label.text()));
}

void TForm2LayoutTest::everyLabelOfTheExampleBankShowsWhole()
{
    const auto form = MakeForm();
    // No button is pushed off the bar into its overflow menu.
    for (const QToolButton* button :
         {form->OpenStyle, form->SaveStyle, form->ImportAllSmf, form->ImportSingleSmf, form->ExportSingleSmf,
          form->DeleteCV, form->UndoStyle, form->PlayButton, form->ButtonHelp})
        QVERIFY2(button->isVisible(), qPrintable(button->objectName()));
    CheckLine(*form, *form->FooterNote);
    OpenBank(*form);
    for (int style = 1; style < 5; ++style) {
        ClickStyle(*form, style);
        CheckLine(*form, *form->InfoText);
        QVERIFY(form->RyVersion->width() >= form->RyVersion->sizeHint().width());
        for (int i = 0; QTreeWidgetItem* node = form->StyleList->NodeAt(i); ++i)
            CheckLabel(*form->StyleList, node);
        // Every node of the style tree, each with its info text.
        for (int i = 1; QTreeWidgetItem* node = form->StyleTree->NodeAt(i); ++i) {
            ClickTreeNode(*form, node);
            CheckLabel(*form->StyleTree, node);
            QVERIFY(form->InfoText->isVisible());
            CheckLine(*form, *form->InfoText);
        }
        CheckLabel(*form->StyleTree, form->StyleTree->NodeAt(0));
    }
}

void TForm2LayoutTest::panelsShowTheirTextsWhole()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    Click(form->PlayButton);
    QVERIFY(form->MediaPanel->isVisible());
    CheckWrapped(*form, *form->Label2);
    CheckLine(*form, *form->Label3);
    QVERIFY(form->MediaPanel->geometry().bottom() <= form->StyleTree->geometry().bottom());

    Click(form->ButtonHelp);
    QVERIFY(form->HelpPanel->isVisible());
    CheckWrapped(*form, *form->HelpPanel->StaticText1);
    CheckLine(*form, *form->HelpPanel->GotoWeb);
}

void TForm2LayoutTest::aLabelTooLongForItsTreeShowsInItsToolTip()
{
    // A bank file name longer than the list gives its root room for.
    const QString name = QString("a_bank_with_a_much_longer_file_name_than_any_floppy_gives.sty");
    QVERIFY(QFile::copy(DemoBank(), FilePath(name)));
    const auto form = MakeForm();
    OpenBank(*form, FilePath(name));
    TRyTreeView& list = *form->StyleList;
    const auto toolTipAt = [&list](QTreeWidgetItem* node) {
        QToolTip::hideText();
        const QPoint at = list.visualItemRect(node).center();
        QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(toolTipAt(list.NodeAt(0)), name);
    // A label that fits leaves the tree's own hint.
    QCOMPARE(toolTipAt(list.NodeAt(1)), list.toolTip());
}

QTEST_MAIN(TForm2LayoutTest)
#include "TForm2LayoutTest.moc"
