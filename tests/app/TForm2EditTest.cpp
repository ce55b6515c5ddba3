// The main window's style commands: selection, info texts, renaming, save, undo, close, export, test play.
#include "CWindowFixture.h"
#include "app/TForm2.h"
#include "app/TPianoRoll.h"
#include "app/TRyTreeView.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "bank/facade/FacadeTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <memory>

class TForm2EditTest : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void selectingNodesShowsTheirInfoTexts();
    void commandsFollowTheNodeTheUserReaches_data();
    void commandsFollowTheNodeTheUserReaches();
    void anotherStyleShowsItsSizeFromTheTop();
    void enteringATreeShowsItsCachedInfo();
    void extendedProgramsMarkTracks_data();
    void extendedProgramsMarkTracks();
    void leavingAChangedStyleAsks_data();
    void leavingAChangedStyleAsks();
    void renamingCutsOrKeepsTheName_data();
    void renamingCutsOrKeepsTheName();
    void renamingInTheListsEditor_data();
    void renamingInTheListsEditor();
    void versionBoxUpgradesOnce();
    void savingTwiceWritesTheSameFile_data();
    void savingTwiceWritesTheSameFile();
    void savingDropsUnconfirmedChanges();
    void aFailedSaveForgetsNothing_data();
    void aFailedSaveForgetsNothing();
    void aStyleThatCannotBeReadIsNeverEdited();
    void undoRestoresTheSelectedStyle();
    void undoReturnsToTheConfirmedState();
    void closingAsksWhileStylesAreChanged_data();
    void closingAsksWhileStylesAreChanged();
    void exportWritesOneFileOrReportsFailure();
    void exportAllWritesEveryChordVariation();
    void testPlayClampsTheTempo_data();
    void testPlayClampsTheTempo();
    void testPlayFileGoesOnStop();
    void testPlayReportsPlayerErrors_data();
    void testPlayReportsPlayerErrors();
    void aDialogClosingIsNoEnteringOfTheTree();
    void pianoRollShowsWhatTheSelectedNodeExports();
    void pianoRollCursorFollowsTheTestPlay();
};

void TForm2EditTest::selectingNodesShowsTheirInfoTexts()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    QVERIFY(form->InfoText->text().startsWith(" Uncompressed Size: "));
    QVERIFY(form->InfoText->isVisible());
    QCOMPARE(form->StyleTree->NodeAt(0)->text(0), QString("Pop 8Beat"));
    QCOMPARE(TRyTreeView::Image(form->StyleTree->NodeAt(0)), 5);
    QCOMPARE(form->StyleTree->NodeAt(1)->text(0), QString("Variation 1"));
    QCOMPARE(form->StyleTree->NodeAt(2)->text(0), QString("Chord Var 1"));
    QVERIFY(form->StyleTree->NodeAt(1)->isExpanded());
    QVERIFY(!form->StyleTree->NodeAt(2)->isExpanded());

    SelectTreeNode(*form, TTreeData::KindElement);
    QVERIFY(QRegularExpression("^ Signature: \\d+ / \\d+$").match(form->InfoText->text()).hasMatch());
    SelectTreeNode(*form, TTreeData::KindCv);
    QVERIFY(QRegularExpression("^ Length in measures: \\d+$").match(form->InfoText->text()).hasMatch());
    SelectTreeNode(*form, TTreeData::KindTrack);
    // No extended program list is loaded, so no track is marked.
    QVERIFY(QRegularExpression("^ Prog Change: \\d+ \\d+ \\d+$").match(form->InfoText->text()).hasMatch());
    QCOMPARE(static_cast<TStyleTreeItem*>(form->StyleTree->SelectedNode())->data.Info,
             form->InfoText->text());

    // The root shows the whole bank.
    ClickStyle(*form, 0);
    QCOMPARE(form->InfoText->text(), QString(" Uncompressed Size: %1").arg(form->Bank->Used()));
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(TreeTexts(*form).isEmpty());
}

namespace {

// Enters `tree`, goes to its first node and then `steps` nodes down with the arrow key.
void WalkDown(TRyTreeView& tree, int steps)
{
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Home);
    for (int i = 0; i < steps; ++i)
        QTest::keyClick(&tree, Qt::Key_Down);
}

} // namespace

void TForm2EditTest::commandsFollowTheNodeTheUserReaches_data()
{
    QTest::addColumn<bool>("keys"); // else the mouse
    QTest::newRow("mouse") << false;
    QTest::newRow("keyboard") << true;
}

void TForm2EditTest::commandsFollowTheNodeTheUserReaches()
{
    QFETCH(bool, keys);
    const auto form = MakeForm();
    OpenBank(*form);
    // Swing Jazz, of the old format: the version box shows, and can be used once a tree node is selected.
    if (keys) {
        WalkDown(*form->StyleList, 2);
    } else {
        ClickStyle(*form, 2);
    }
    QCOMPARE(form->StyleList->SelectedNode(), form->StyleList->NodeAt(2));
    QVERIFY(form->RyVersion->isVisible());
    QVERIFY(!form->RyVersion->isEnabled());
    QVERIFY(!form->PlayButton->isEnabled());

    QTreeWidgetItem* cv = FindCvNode(*form, 0, 0);
    if (keys) {
        WalkDown(*form->StyleTree, 2);
    } else {
        ClickTreeNode(*form, cv);
    }
    QCOMPARE(form->StyleTree->SelectedNode(), cv);
    for (const QToolButton* button :
         {form->ImportSingleSmf, form->ExportSingleSmf, form->DeleteCV, form->PlayButton})
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(form->RyVersion->isEnabled());

    // A track can only be played.
    if (keys) {
        QTest::keyClick(form->StyleTree, Qt::Key_Right);
        QTest::keyClick(form->StyleTree, Qt::Key_Down);
    } else {
        cv->setExpanded(true);
        ClickTreeNode(*form, cv->child(0));
    }
    QCOMPARE(form->StyleTree->SelectedNode(), cv->child(0));
    QVERIFY(form->PlayButton->isEnabled());
    for (const QToolButton* button : {form->ImportSingleSmf, form->ExportSingleSmf, form->DeleteCV})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
}

void TForm2EditTest::anotherStyleShowsItsSizeFromTheTop()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    QScrollBar* bar = form->StyleTree->verticalScrollBar();
    bar->setValue(bar->maximum());
    QVERIFY(bar->value() > 0);
    ClickStyle(*form, 3);
    QVERIFY(form->InfoText->isVisible());
    QCOMPARE(form->InfoText->text(),
             QString(" Uncompressed Size: %1").arg(form->Bank->SelectStyle(2)->uncompressedSize));
    QCOMPARE(bar->value(), 0);
}

void TForm2EditTest::enteringATreeShowsItsCachedInfo()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString listInfo = form->InfoText->text();
    SelectTreeNode(*form, TTreeData::KindCv);
    const QString cvInfo = form->InfoText->text();
    QVERIFY(listInfo != cvInfo);
    form->StyleTree->setFocus();
    form->StyleList->setFocus();
    QCOMPARE(form->InfoText->text(), listInfo);
    QVERIFY(form->InfoText->isVisible());
    form->StyleTree->setFocus();
    QCOMPARE(form->InfoText->text(), cvInfo);
    QVERIFY(form->InfoText->isVisible());

    // The style root caches no text: entering the tree hides the list's.
    ClickTreeNode(*form, form->StyleTree->NodeAt(0));
    form->StyleList->setFocus();
    form->StyleTree->setFocus();
    QVERIFY(form->InfoText->isHidden());

    // Entering a tree ends a test play.
    SelectTreeNode(*form, TTreeData::KindCv);
    Click(form->PlayButton);
    QVERIFY(QFile::exists(FilePath("rytemp.mid")));
    form->StyleList->setFocus();
    QVERIFY(!QFile::exists(FilePath("rytemp.mid")));
    QVERIFY(form->MediaPanel->isHidden());

    // Once the style is changed its size is not known before it is written back.
    RenameStyle(*form, "Renamed");
    QVERIFY(form->StyleTree->hasFocus());
    form->StyleList->setFocus();
    QCOMPARE(form->InfoText->text(), QString(" Uncompressed Size: ???"));
}

void TForm2EditTest::extendedProgramsMarkTracks_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<bool>("marked");
    QTest::newRow("restricted range") << "36 96" << true;
    QTest::newRow("whole key range") << "0 127" << false;
}

void TForm2EditTest::extendedProgramsMarkTracks()
{
    QFETCH(QString, range);
    QFETCH(bool, marked);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindTrack);
    const TTreeData at = static_cast<TStyleTreeItem*>(form->StyleTree->SelectedNode())->data;
    ListExtendedProgram(*form, form->EditIfc->GetTrackProgram(at.Element, at.Track), range);
    ClickTreeNode(*form, form->StyleTree->NodeAt(0));
    SelectTreeNode(*form, TTreeData::KindTrack);
    QCOMPARE(form->InfoText->text().endsWith(" ***"), marked);
}

void TForm2EditTest::leavingAChangedStyleAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("image");
    QTest::addColumn<QString>("name");
    QTest::newRow("Yes keeps the change") << 6 << 6 << "Changed";
    QTest::newRow("No drops it") << 2 << 0 << "Pop 8Beat";
}

void TForm2EditTest::leavingAChangedStyleAsks()
{
    QFETCH(int, answer);
    QFETCH(int, image);
    QFETCH(QString, name);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const int nodesBefore = TreeTexts(*form).size();
    SelectTreeNode(*form, TTreeData::KindCv);
    Click(form->DeleteCV);
    RenameStyle(*form, "Changed");
    dialog.Answers << answer;
    ClickStyle(*form, 2);
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("Style modified"));
    QCOMPARE(dialog.Calls[0].Text, QString("Confirm changes ?"));
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(1)), image);
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), name);
    QVERIFY(!form->StyleModified);

    // Coming back shows what the bank now holds.
    ClickStyle(*form, 1);
    QCOMPARE(TreeTexts(*form).size() < nodesBefore, answer == 6);
}

void TForm2EditTest::renamingCutsOrKeepsTheName_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty keeps the name") << ""
                                          << "Pop 8Beat";
    QTest::newRow("long is cut to 11") << "Fifteen chars!!"
                                       << "Fifteen cha";
}

void TForm2EditTest::renamingCutsOrKeepsTheName()
{
    QFETCH(QString, label);
    QFETCH(QString, shown);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    RenameStyle(*form, label);
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), shown);
    QCOMPARE(form->StyleTree->NodeAt(0)->text(0), shown);
    QVERIFY(form->StyleModified);
    QVERIFY(form->UndoStyle->isEnabled());
    QCOMPARE(static_cast<TStyleListItem*>(form->StyleList->NodeAt(1))->Info,
             QString(" Uncompressed Size: ???"));
}

void TForm2EditTest::renamingInTheListsEditor_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("modified");
    QTest::newRow("Enter cuts to 11") << "Fifteen chars!!" << int(Qt::Key_Return) << "Fifteen cha" << true;
    QTest::newRow("Enter on an empty label keeps the name")
        << "" << int(Qt::Key_Enter) << "Pop 8Beat" << true;
    QTest::newRow("Escape drops the edit") << "Other" << int(Qt::Key_Escape) << "Pop 8Beat" << false;
}

void TForm2EditTest::renamingInTheListsEditor()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, shown);
    QFETCH(bool, modified);
    const auto form = MakeForm();
    OpenBank(*form);
    // The bank's root is no label to edit.
    ClickStyle(*form, 0);
    QTest::keyClick(form->StyleList, Qt::Key_F2);
    QVERIFY(form->StyleList->findChild<QLineEdit*>() == nullptr);

    QTreeWidgetItem* node = form->StyleList->NodeAt(1);
    // The keyboard reaches the style as well as the mouse does.
    QTest::keyClick(form->StyleList, Qt::Key_Down);
    QCOMPARE(form->StyleList->SelectedNode(), node);
    QTest::keyClick(form->StyleList, Qt::Key_F2);
    const QPointer<QLineEdit> editor = form->StyleList->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->text(), QString("Pop 8Beat"));
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, typed);
    // The tree commits on Enter from its event loop.
    QTest::keyClick(editor, static_cast<Qt::Key>(key));
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(node->text(0), shown);
    QCOMPARE(form->StyleTree->NodeAt(0)->text(0), shown);
    QCOMPARE(form->StyleModified, modified);
    QCOMPARE(form->UndoStyle->isEnabled(), modified);
    QVERIFY(dialog.Calls.isEmpty());
    if (modified)
        QVERIFY(form->StyleTree->hasFocus());
}

void TForm2EditTest::versionBoxUpgradesOnce()
{
    const auto form = MakeForm();
    SelectStyle(*form, 2); // Swing Jazz, of the old format
    QVERIFY(form->RyVersion->isVisible());
    QVERIFY(!form->RyVersion->isEnabled());
    SelectTreeNode(*form, TTreeData::KindCv);
    QVERIFY(form->RyVersion->isEnabled());
    QVERIFY(!form->RyVersion->isChecked());
    Click(form->RyVersion);
    QCOMPARE(form->EditIfc->GetStyleVersion(), 1);
    QVERIFY(form->StyleModified);
    QVERIFY(form->RyVersion->isChecked());
    QVERIFY(!form->RyVersion->isEnabled());
}

void TForm2EditTest::savingTwiceWritesTheSameFile_data()
{
    QTest::addColumn<bool>("changed");
    QTest::newRow("unchanged style") << false;
    QTest::newRow("confirmed change") << true;
}

void TForm2EditTest::savingTwiceWritesTheSameFile()
{
    QFETCH(bool, changed);
    const auto form = MakeForm();
    SelectStyle(*form, 2);
    if (changed) {
        DeleteCv(*form, 0, 1);
        RenameStyle(*form, "Renamed");
        dialog.Answers << 6;
    }
    const QString first = FilePath("first.sty");
    const QString second = FilePath("second.sty");
    files.Choices << QStringList(first) << QStringList(second);
    Click(form->SaveStyle);
    QCOMPARE(files.Asked.last().FileName, QString("demo.sty"));
    QCOMPARE(form->StyleList->NodeAt(0)->text(0), QString("first.sty"));
    // The rebuilt list carries no marks, and no style is selected.
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(2)), 0);
    QVERIFY(form->EditIfc == nullptr);
    QCOMPARE(form->CurStyle, -1);
    Click(form->SaveStyle);
    QCOMPARE(files.Asked.last().FileName, QString("first.sty"));
    QCOMPARE(MessageTexts(), changed ? QStringList("Style modified | Confirm changes ?") : QStringList());
    const QByteArray written = ReadFile(first);
    QVERIFY(!written.isEmpty());
    QCOMPARE(ReadFile(second), written);

    // The file holds the change.
    SelectStyle(*form, 2, second);
    QCOMPARE(form->StyleList->NodeAt(2)->text(0), changed ? QString("Renamed") : QString("Swing Jazz"));
    QCOMPARE(FindCvNode(*form, 0, 1) == nullptr, changed);
}

void TForm2EditTest::savingDropsUnconfirmedChanges()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    RenameStyle(*form, "Renamed");
    const QString path = FilePath("saved.sty");
    files.Choices << QStringList(path);
    dialog.Answers << 2;
    Click(form->SaveStyle);
    QCOMPARE(MessageTexts(), QStringList("Style modified | Confirm changes ?"));
    const auto reopened = MakeForm();
    OpenBank(*reopened, path);
    QCOMPARE(reopened->StyleList->NodeAt(1)->text(0), QString("Pop 8Beat"));
    QVERIFY(TRyTreeView::Image(form->StyleList->NodeAt(1)) != 6);
}

void TForm2EditTest::aFailedSaveForgetsNothing_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing folder") << "missing/folder/x.sty";
    // The file is written beside the target and renamed over it, which a folder refuses, also to root.
    QTest::newRow("a folder") << "folder.sty";
}

void TForm2EditTest::aFailedSaveForgetsNothing()
{
    QFETCH(QString, target);
    QVERIFY(QDir(StartFolder()).mkdir("folder.sty"));
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    DeleteCv(*form, 0, 1);
    RenameStyle(*form, "Changed");
    dialog.Answers << 6;
    files.Choices << QStringList(FilePath(target));
    Click(form->SaveStyle);
    QCOMPARE(MessageTexts(),
             QStringList({"Style modified | Confirm changes ?", "Save Style Bank | File write error!"}));
    QVERIFY(form->Bank != nullptr);
    // The change stays marked, under the bank's own name, and the next save proposes that name again.
    QCOMPARE(ListTexts(*form),
             QStringList({"demo.sty", "Changed", "Swing Jazz", "Bossa Nova", "Rock Shuffle"}));
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(1)), 6);
    QCOMPARE(form->SaveDialog1.InitialDir, QString(RY7_SOURCE_DIR "/examples"));
    files.Choices << QStringList();
    Click(form->SaveStyle);
    QCOMPARE(files.Asked.last().FileName, QString("demo.sty"));
    // Opening another bank and closing the window still ask.
    dialog.Answers << 2;
    Click(form->OpenStyle);
    QCOMPARE(MessageTexts().last(), QString("Some Style modified | Ignore changes ?"));
    dialog.Answers << 2;
    QVERIFY(!form->close());
    QCOMPARE(MessageTexts().last(), QString("Some Style modified | Ignore changes ?"));
    // The change itself is in the bank: a second save writes it.
    const QString saved = FilePath("saved.sty");
    files.Choices << QStringList(saved);
    Click(form->SaveStyle);
    OpenBank(*form, saved);
    QCOMPARE(ListTexts(*form).at(1), QString("Changed"));
}

void TForm2EditTest::aStyleThatCannotBeReadIsNeverEdited()
{
    // Style 4 of the native-form bank holds more simultaneous notes than the event pool: it cannot be
    // read whole, so it is not opened for editing, and a rename in the list then a save keep its bytes.
    const QString bank = QStringLiteral(RY7_SOURCE_DIR "/examples/native.sty");
    const auto form = MakeForm();
    OpenBank(*form, bank);
    ClickStyle(*form, 4);
    QCOMPARE(
        MessageTexts(),
        QStringList("Style corrupt | Style corrupt - Error!\nThe Drum pattern of Variation 1, Chord Var 1 "
                    "cannot be read."));
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(TreeTexts(*form).isEmpty());
    RenameStyle(*form, "Renamed");
    const QString path = FilePath("saved.sty");
    files.Choices << QStringList(path);
    Click(form->SaveStyle);
    CStyleBank before, after;
    QCOMPARE(before.OpenFile(bank.toStdString()), BankResult::Ok);
    QCOMPARE(after.OpenFile(path.toStdString()), BankResult::Ok);
    QCOMPARE(after.StyleNames()[3], std::string("Renamed"));
    QVERIFY(after.SelectStyle(3)->content == before.SelectStyle(3)->content);
}

void TForm2EditTest::undoRestoresTheSelectedStyle()
{
    const auto form = MakeForm();
    SelectStyle(*form, 3);
    const QStringList before = TreeTexts(*form);
    SelectTreeNode(*form, TTreeData::KindCv);
    Click(form->DeleteCV);
    RenameStyle(*form, "Other");
    Click(form->UndoStyle);
    QVERIFY(dialog.Calls.isEmpty());
    QCOMPARE(form->StyleList->SelectedNode(), form->StyleList->NodeAt(3));
    QCOMPARE(form->StyleList->NodeAt(3)->text(0), QString("Bossa Nova"));
    QCOMPARE(TreeTexts(*form), before);
    QVERIFY(!form->StyleModified);
    QVERIFY(!form->UndoStyle->isEnabled());
}

void TForm2EditTest::undoReturnsToTheConfirmedState()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    DeleteCv(*form, 0, 1);
    RenameStyle(*form, "Confirmed");
    dialog.Answers << 6;
    ClickStyle(*form, 2);
    ClickStyle(*form, 1);
    const QStringList confirmed = TreeTexts(*form);
    QCOMPARE(confirmed.first(), QString("Confirmed"));
    QVERIFY(FindCvNode(*form, 0, 1) == nullptr);

    DeleteCv(*form, 0, 2);
    RenameStyle(*form, "Again");
    Click(form->UndoStyle);
    QCOMPARE(MessageTexts(), QStringList("Style modified | Confirm changes ?"));
    QCOMPARE(form->StyleList->SelectedNode(), form->StyleList->NodeAt(1));
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("Confirmed"));
    QCOMPARE(TreeTexts(*form), confirmed);
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(1)), 6);
    QVERIFY(!form->StyleModified);
    QVERIFY(!form->UndoStyle->isEnabled());
}

void TForm2EditTest::closingAsksWhileStylesAreChanged_data()
{
    QTest::addColumn<bool>("marked"); // a style written back, else a change of the selected style
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("marked style, Yes closes") << true << 6 << true;
    QTest::newRow("marked style, No stays") << true << 2 << false;
    QTest::newRow("changed style, Yes closes") << false << 6 << true;
    QTest::newRow("changed style, No stays") << false << 2 << false;
}

void TForm2EditTest::closingAsksWhileStylesAreChanged()
{
    QFETCH(bool, marked);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    bool canClose = false;
    form->FormCloseQuery(canClose);
    QVERIFY(canClose);
    QVERIFY(dialog.Calls.isEmpty());
    if (marked)
        TRyTreeView::SetImages(form->StyleList->NodeAt(2), 6, 5);
    else
        RenameStyle(*form, "Renamed");
    dialog.Answers << answer;
    QCOMPARE(form->close(), closes);
    QCOMPARE(MessageTexts(), QStringList("Some Style modified | Ignore changes ?"));
    QCOMPARE(form->isVisible(), !closes);
}

void TForm2EditTest::exportWritesOneFileOrReportsFailure()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString path = ExportCv(*form, 0, 0, "one.mid");
    QCOMPARE(files.Asked.last().FileName, QString("v1cv1"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(4), QByteArray("MThd"));
    QVERIFY(dialog.Calls.isEmpty());
    ExportCv(*form, 0, 0, "missing/two.mid");
    QCOMPARE(MessageTexts(), QStringList("Export Chord Variation to SMF | SMF write error!"));
}

void TForm2EditTest::exportAllWritesEveryChordVariation()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    // Keep Variation 1 (chord variations 1 and 2), Intro 1 (1) and Fill 3 (1).
    CNstEditIfc& style = *form->EditIfc;
    for (int e = 1; e < 12; ++e)
        if (e != 4 && e != 10)
            style.DeleteElement(e);
    for (int c = 2; c < 6; ++c)
        style.DeleteCv(0, c);
    style.DeleteCv(4, 1);
    style.DeleteCv(10, 1);
    QCOMPARE(style.GetCvState(10, 0), int(CNstEditIfc::StateFilled));
    files.Choices << QStringList(FilePath("take.mid"));
    Click(form->ImportAllSmf, Qt::ShiftModifier);
    QCOMPARE(files.Asked.last().FileName, QString("_all_"));
    QCOMPARE(QDir(StartFolder()).entryList({"*.mid"}),
             QStringList({"takei1cv1.mid", "takev1cv1.mid", "takev1cv2.mid"}));
    QVERIFY(dialog.Calls.isEmpty());
    QVERIFY(!form->StyleModified);
}

void TForm2EditTest::testPlayClampsTheTempo_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tempo");
    QTest::newRow("too slow") << "20" << 40;
    QTest::newRow("too fast") << "500" << 300;
    QTest::newRow("no digits") << "fast" << 40;
    QTest::newRow("blanks, sign and text") << "  +96 bpm" << 96;
    QTest::newRow("more digits than a number holds") << "99999999999" << 300;
    QTest::newRow("negative") << "-99999999999" << 40;
}

void TForm2EditTest::testPlayClampsTheTempo()
{
    QFETCH(QString, field);
    QFETCH(int, tempo);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    form->TempoEdit->setText(field);
    Click(form->PlayButton);
    QCOMPARE(form->TempoEdit->text(), QString::number(tempo));
    QCOMPARE(form->EditIfc->StyleTempo(), tempo);
    QCOMPARE(player.Calls, QStringList({"Open", "Play"}));
}

void TForm2EditTest::testPlayFileGoesOnStop()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindTrack);
    Click(form->PlayButton);
    const QString temp = FilePath("rytemp.mid");
    QCOMPARE(QFileInfo(player.OpenedFile).canonicalFilePath(), QFileInfo(temp).canonicalFilePath());
    QVERIFY(QFile::exists(temp));
    QVERIFY(form->MediaPanel->isVisible());
    // Selecting another node ends the play.
    SelectTreeNode(*form, TTreeData::KindCv);
    QVERIFY(!QFile::exists(temp));
    QVERIFY(form->MediaPanel->isHidden());
    QCOMPARE(player.Calls, QStringList({"Open", "Play", "Stop", "Eject", "Close"}));
    // Closing during a play cleans up too.
    Click(form->PlayButton);
    QVERIFY(QFile::exists(temp));
    QVERIFY(form->close());
    QVERIFY(!QFile::exists(temp));
}

void TForm2EditTest::testPlayReportsPlayerErrors_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("error");
    QTest::newRow("no audio output") << "Open" << int(CMediaPlayer::NoAudioOutput);
    QTest::newRow("file not playable") << "Play" << int(CMediaPlayer::FileNotLoadable);
}

void TForm2EditTest::testPlayReportsPlayerErrors()
{
    QFETCH(QString, failing);
    QFETCH(int, error);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    player.FailingCall = failing;
    player.FailError = error;
    Click(form->PlayButton);
    QCOMPARE(MessageTexts(), QStringList("MediaPlayer | Error " + QString::number(error) + ": " +
                                         CMediaPlayer::ErrorText(error)));
    // The failure is told once: the player is closed and the file deleted at once, so the next stop has
    // nothing to complain about.
    QCOMPARE(player.Calls.last(), QString("Close"));
    QVERIFY(!QFile::exists(FilePath("rytemp.mid")));
    QVERIFY(form->MediaPanel->isHidden());
    player.FailingCall = "Stop";
    SelectTreeNode(*form, TTreeData::KindTrack);
    QCOMPARE(dialog.Calls.size(), 1);
}

void TForm2EditTest::aDialogClosingIsNoEnteringOfTheTree()
{
    // A real dialog, answered with a click; afterwards the window is activated again, as a window
    // manager does.
    CClickedDialog clicked;
    CShellServices services;
    services.Dialog = &clicked;
    services.Files = &files;
    services.Player = &player;
    TForm2 form(services);
    form.FirstActivation = false;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    SelectStyle(form, 1);
    RenameStyle(form, "Changed");
    SelectTreeNode(form, TTreeData::KindCv);
    Click(form.PlayButton);
    QVERIFY(form.MediaPanel->isVisible());
    QVERIFY(form.StyleTree->hasFocus());

    // "No" to the close question keeps the window and the test play.
    clicked.Answers << "ButtonCancel";
    QVERIFY(!form.close());
    QCOMPARE(clicked.Texts, QStringList("Ignore changes ?"));
    QTRY_VERIFY(form.isActiveWindow() && form.StyleTree->hasFocus());
    QVERIFY(form.MediaPanel->isVisible());
    QVERIFY(!player.Calls.contains("Stop"));

    // A test play that cannot start says so once.
    player.FailingCall = "Open";
    player.FailError = CMediaPlayer::NoAudioOutput;
    clicked.Answers << "ButtonNo";
    Click(form.PlayButton);
    QTRY_VERIFY(form.isActiveWindow() && form.StyleTree->hasFocus());
    QCOMPARE(clicked.Texts, QStringList({"Ignore changes ?", "Error 2: No audio output available."}));
    QVERIFY(form.MediaPanel->isHidden());
    QVERIFY(form.InfoText->isHidden());

    // Leaving the changed style with a click asks inside that click; the click still selects its style.
    clicked.Answers << "ButtonYes";
    ClickStyle(form, 2);
    QCOMPARE(clicked.Texts.last(), QString("Confirm changes ?"));
    QCOMPARE(TRyTreeView::Image(form.StyleList->NodeAt(1)), 6);
    QTest::qWait(QApplication::doubleClickInterval() * 2);
    QVERIFY(form.StyleList->findChild<QLineEdit*>() == nullptr);
    QCOMPARE(form.CurStyle, 1);
}

namespace {
// A note as start, key, velocity and end, from the roll or from a file, in one order.
using CPlainNote = std::tuple<uint32_t, uint8_t, uint8_t, uint32_t>;

std::vector<CPlainNote> RollNotes(const TForm2& form)
{
    std::vector<CPlainNote> notes;
    if (const CRollContent* content = form.PianoRoll->Content())
        for (const CRollNote& shown : content->notes)
            notes.emplace_back(shown.note.start, shown.note.key, shown.note.velocity,
                               shown.note.start + shown.note.length);
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<CPlainNote> FileNotes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<CPlainNote> notes;
    for (const facadetest::CNote& note : facadetest::NotesOf(facadetest::Bytes(bytes.begin(), bytes.end())))
        notes.emplace_back(note.start, note.key, note.velocity, note.end);
    std::sort(notes.begin(), notes.end());
    return notes;
}
} // namespace

void TForm2EditTest::pianoRollShowsWhatTheSelectedNodeExports()
{
    const auto form = MakeForm();
    SelectStyle(*form, 3);
    QCOMPARE(form->PianoRoll->EmptyText(), QString(TPianoRoll::NoNodeText));
    // A chord variation shows every track, a track itself alone: each what its export holds.
    const std::vector<CPlainNote> cv = FileNotes(ExportCv(*form, 0, 1, "cv.mid"));
    QVERIFY(!cv.empty());
    QCOMPARE(RollNotes(*form), cv);
    TStyleTreeItem* bass = FindTrackNode(*form, 0, 1, 2);
    ClickTreeNode(*form, bass);
    const std::vector<CPlainNote> track = RollNotes(*form);
    QVERIFY(!track.empty() && track.size() < cv.size());
    QVERIFY(std::all_of(form->PianoRoll->Content()->notes.begin(), form->PianoRoll->Content()->notes.end(),
                        [](const CRollNote& shown) { return shown.note.track == 2; }));
    SelectTreeNode(*form, TTreeData::KindElement);
    QVERIFY(form->PianoRoll->Content() == nullptr);

    // Every change of the style shows anew: the deleted chord variation's notes are gone at once, and
    // Undo brings them back with the node.
    DeleteCv(*form, 0, 1);
    QVERIFY(RollNotes(*form) != cv);
    Click(form->UndoStyle);
    ClickTreeNode(*form, FindCvNode(*form, 0, 1));
    QCOMPARE(RollNotes(*form), cv);
    // Another style shows none of this one's notes.
    ClickStyle(*form, 1);
    QVERIFY(dialog.Calls.isEmpty());
    QVERIFY(form->PianoRoll->Content() == nullptr);
}

void TForm2EditTest::pianoRollCursorFollowsTheTestPlay()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    QCOMPARE(form->PianoRoll->CursorTick(), -1);
    player.Position = 0;
    Click(form->PlayButton);
    QTRY_COMPARE(form->PianoRoll->CursorTick(), 0);
    player.Position = 768;
    QTRY_COMPARE(form->PianoRoll->CursorTick(), 768);
    // Played to its end: the cursor goes and the window stops asking.
    player.Position = -1;
    QTRY_COMPARE(form->PianoRoll->CursorTick(), -1);
    QVERIFY(!form->CursorTimer->isActive());
    // A stop takes it away at once.
    player.Position = 384;
    Click(form->PlayButton);
    QTRY_COMPARE(form->PianoRoll->CursorTick(), 384);
    ClickTreeNode(*form, FindCvNode(*form, 0, 1));
    QCOMPARE(form->PianoRoll->CursorTick(), -1);
    QVERIFY(!form->CursorTimer->isActive());
}

QTEST_MAIN(TForm2EditTest)
#include "TForm2EditTest.moc"
