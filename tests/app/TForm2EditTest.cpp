// The main window's style commands: selection, info texts, renaming, save, undo, close, export, test play.
#include "CWindowFixture.h"
#include "app/TForm2.h"
#include "app/TRyTreeView.h"
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

class TForm2EditTest : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void selectingNodesShowsTheirInfoTexts();
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
    void savingReportsAWriteError();
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
    void testPlayReportsPlayerErrors();
};

void TForm2EditTest::selectingNodesShowsTheirInfoTexts()
{
    const auto form = MakeForm();
    form->show();
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
    QCOMPARE(static_cast<TStyleTreeItem*>(form->StyleTree->currentItem())->data.Info, form->InfoText->text());

    // The root shows the whole bank.
    form->StyleList->SelectNode(form->StyleList->NodeAt(0));
    QCOMPARE(form->InfoText->text(), QString(" Uncompressed Size: %1").arg(form->Bank->Used()));
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(TreeTexts(*form).isEmpty());
}

void TForm2EditTest::enteringATreeShowsItsCachedInfo()
{
    const auto form = MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
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
    form->StyleTree->SelectNode(form->StyleTree->NodeAt(0));
    form->StyleList->setFocus();
    form->StyleTree->setFocus();
    QVERIFY(form->InfoText->isHidden());

    // Entering a tree ends a test play.
    SelectTreeNode(*form, TTreeData::KindCv);
    form->PlayButtonClick();
    QVERIFY(QFile::exists(FilePath("rytemp.mid")));
    form->StyleList->setFocus();
    QVERIFY(!QFile::exists(FilePath("rytemp.mid")));
    QVERIFY(form->MediaPanel->isHidden());

    // Once the style is changed its size is not known before it is written back.
    form->StyleListEdited(form->StyleList->NodeAt(1), "Renamed");
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
    const TTreeData at = static_cast<TStyleTreeItem*>(form->StyleTree->currentItem())->data;
    ListExtendedProgram(*form, form->EditIfc->GetTrackProgram(at.Element, at.Track), range);
    form->StyleTree->SelectNode(form->StyleTree->NodeAt(0));
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
    form->DeleteCVClick();
    form->StyleListEdited(form->StyleList->NodeAt(1), "Changed");
    dialog.Answers << answer;
    form->StyleList->SelectNode(form->StyleList->NodeAt(2));
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("Style modified"));
    QCOMPARE(dialog.Calls[0].Text, QString("Confirm changes ?"));
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(1)), image);
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), name);
    QVERIFY(!form->StyleModified);

    // Coming back shows what the bank now holds.
    form->StyleList->SelectNode(form->StyleList->NodeAt(1));
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
    form->StyleListEdited(form->StyleList->NodeAt(1), label);
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
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->OpenBankFile(DemoBank());
    // The bank's root is no label to edit.
    form->StyleList->SelectNode(form->StyleList->NodeAt(0));
    QTest::keyClick(form->StyleList, Qt::Key_F2);
    QVERIFY(form->StyleList->findChild<QLineEdit*>() == nullptr);

    QTreeWidgetItem* node = form->StyleList->NodeAt(1);
    form->StyleList->SelectNode(node);
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
    form->show();
    SelectStyle(*form, 1);
    form->EditIfc->SetStyleVersion(0);
    form->StyleVersion = 0;
    SelectTreeNode(*form, TTreeData::KindCv);
    QVERIFY(form->RyVersion->isEnabled());
    QVERIFY(!form->RyVersion->isChecked());
    form->RyVersionMouseUp();
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
        form->StyleListEdited(form->StyleList->NodeAt(2), "Renamed");
        dialog.Answers << 6;
    }
    const QString first = FilePath("first.sty");
    const QString second = FilePath("second.sty");
    files.Choices << QStringList(first) << QStringList(second);
    form->SaveStyleClick();
    QCOMPARE(files.Asked.last().FileName, QString("demo.sty"));
    QCOMPARE(form->StyleList->NodeAt(0)->text(0), QString("first.sty"));
    // The rebuilt list carries no marks.
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(2)), 0);
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(form->StyleList->currentItem() == nullptr || !form->StyleList->currentItem()->isSelected());
    form->SaveStyleClick();
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
    form->StyleListEdited(form->StyleList->NodeAt(1), "Renamed");
    const QString path = FilePath("saved.sty");
    files.Choices << QStringList(path);
    dialog.Answers << 2;
    form->SaveStyleClick();
    QCOMPARE(MessageTexts(), QStringList("Style modified | Confirm changes ?"));
    const auto reopened = MakeForm();
    reopened->OpenBankFile(path);
    QCOMPARE(reopened->StyleList->NodeAt(1)->text(0), QString("Pop 8Beat"));
    QVERIFY(TRyTreeView::Image(form->StyleList->NodeAt(1)) != 6);
}

void TForm2EditTest::savingReportsAWriteError()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    files.Choices << QStringList(FilePath("missing/folder/x.sty"));
    form->SaveStyleClick();
    QCOMPARE(MessageTexts(), QStringList("Save Style Bank | File write error!"));
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("Pop 8Beat"));
    QVERIFY(form->Bank != nullptr);
}

void TForm2EditTest::aStyleThatCannotBeReadIsNeverEdited()
{
    // Style 4 of the native-form bank holds more simultaneous notes than the event pool: it cannot be
    // read whole, so it is not opened for editing, and a rename in the list then a save keep its bytes.
    const QString bank = QStringLiteral(RY7_SOURCE_DIR "/examples/native.sty");
    const auto form = MakeForm();
    form->OpenBankFile(bank);
    form->StyleList->SelectNode(form->StyleList->NodeAt(4));
    QCOMPARE(
        MessageTexts(),
        QStringList("Style corrupt | Style corrupt - Error!\nThe Drum pattern of Variation 1, Chord Var 1 "
                    "cannot be read."));
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(TreeTexts(*form).isEmpty());
    form->StyleListEdited(form->StyleList->NodeAt(4), "Renamed");
    const QString path = FilePath("saved.sty");
    files.Choices << QStringList(path);
    form->SaveStyleClick();
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
    form->DeleteCVClick();
    form->StyleListEdited(form->StyleList->NodeAt(3), "Other");
    form->UndoStyleClick();
    QVERIFY(dialog.Calls.isEmpty());
    QCOMPARE(form->StyleList->currentItem(), form->StyleList->NodeAt(3));
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
    form->StyleListEdited(form->StyleList->NodeAt(1), "Confirmed");
    dialog.Answers << 6;
    form->StyleList->SelectNode(form->StyleList->NodeAt(2));
    form->StyleList->SelectNode(form->StyleList->NodeAt(1));
    const QStringList confirmed = TreeTexts(*form);
    QCOMPARE(confirmed.first(), QString("Confirmed"));
    QVERIFY(FindCvNode(*form, 0, 1) == nullptr);

    DeleteCv(*form, 0, 2);
    form->StyleListEdited(form->StyleList->NodeAt(1), "Again");
    form->UndoStyleClick();
    QCOMPARE(MessageTexts(), QStringList("Style modified | Confirm changes ?"));
    QCOMPARE(form->StyleList->currentItem(), form->StyleList->NodeAt(1));
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
    form->show();
    SelectStyle(*form, 1);
    bool canClose = false;
    form->FormCloseQuery(canClose);
    QVERIFY(canClose);
    QVERIFY(dialog.Calls.isEmpty());
    if (marked)
        TRyTreeView::SetImages(form->StyleList->NodeAt(2), 6, 5);
    else
        form->StyleListEdited(form->StyleList->NodeAt(1), "Renamed");
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
    shift = true;
    files.Choices << QStringList(FilePath("take.mid"));
    form->ImportAllSmfClick();
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
}

void TForm2EditTest::testPlayClampsTheTempo()
{
    QFETCH(QString, field);
    QFETCH(int, tempo);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    form->TempoEdit->setText(field);
    form->PlayButtonClick();
    QCOMPARE(form->TempoEdit->text(), QString::number(tempo));
    QCOMPARE(form->EditIfc->StyleTempo(), tempo);
    QCOMPARE(player.Calls, QStringList({"Open", "Play"}));
}

void TForm2EditTest::testPlayFileGoesOnStop()
{
    const auto form = MakeForm();
    form->show();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindTrack);
    form->PlayButtonClick();
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
    form->PlayButtonClick();
    QVERIFY(QFile::exists(temp));
    form->FormClose();
    QVERIFY(!QFile::exists(temp));
}

void TForm2EditTest::testPlayReportsPlayerErrors()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindCv);
    player.FailingCall = "Play";
    form->PlayButtonClick();
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("MediaPlayer"));
    QCOMPARE(dialog.Calls[0].Text, "Error 3: " + CMediaPlayer::ErrorText(3));
    // The file stays until the next stop.
    QVERIFY(QFile::exists(FilePath("rytemp.mid")));
    form->StopTestPlay();
    QVERIFY(!QFile::exists(FilePath("rytemp.mid")));
}

QTEST_MAIN(TForm2EditTest)
#include "TForm2EditTest.moc"
