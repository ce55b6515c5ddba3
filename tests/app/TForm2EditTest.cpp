// The main window's style commands: selection, renaming, save, undo, close, export, test play, import.
#include "CShellFakes.h"
#include "app/TForm2.h"
#include "app/TRyTreeView.h"
#include "bank/CNstEditIfc.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

class TForm2EditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void selectingNodesShowsTheirInfoTexts();
    void extendedProgramsMarkTracks_data();
    void extendedProgramsMarkTracks();
    void leavingAChangedStyleAsks_data();
    void leavingAChangedStyleAsks();
    void renamingCutsOrKeepsTheName_data();
    void renamingCutsOrKeepsTheName();
    void versionBoxUpgradesOnce();
    void savingWritesTheBankAndRebuildsTheList();
    void savingDropsUnconfirmedChanges();
    void savingReportsAWriteError();
    void undoRestoresTheSelectedStyle();
    void closingAsksWhileStylesAreMarked_data();
    void closingAsksWhileStylesAreMarked();
    void exportWritesOneFileOrReportsFailure();
    void exportAllWritesEveryChordVariation();
    void testPlayClampsTheTempo_data();
    void testPlayClampsTheTempo();
    void testPlayFileGoesOnStop();
    void testPlayReportsPlayerErrors();
    void importAllReplacesTheStyle();
    void importAllAsksForDuplicatesAndUpgradesOnce();
    void importSingleReportsAReadError();
    void deletingTheLastChordVariationKeepsVariation1();

private:
    std::unique_ptr<TForm2> MakeForm();
    // Opens the demo bank and selects style `style` (1-based list index).
    void SelectStyle(TForm2& form, int style);
    QTreeWidgetItem* FindTreeNode(const TForm2& form, int kind) const;
    void SelectTreeNode(TForm2& form, int kind);
    QString ExportFirstCv(TForm2& form, const QString& name);
    QStringList TreeTexts(const TForm2& form) const;
    QStringList MessageTexts() const;

    QTemporaryDir dir;
    QString previousDir;
    CScriptedDialog dialog;
    CFakeFileChooser files;
    CFakeWebOpener web;
    CFakeMediaPlayer player;
    bool shift = false;
};

std::unique_ptr<TForm2> TForm2EditTest::MakeForm()
{
    CShellServices services;
    services.Dialog = &dialog;
    services.Files = &files;
    services.Web = &web;
    services.Player = &player;
    services.ShiftDown = [this] { return shift; };
    auto form = std::make_unique<TForm2>(services);
    form->FirstActivation = false;
    return form;
}

void TForm2EditTest::init()
{
    previousDir = QDir::currentPath();
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
    dialog.Calls.clear();
    dialog.Answers.clear();
    files.Choices.clear();
    files.Asked.clear();
    player = CFakeMediaPlayer();
    shift = false;
}

void TForm2EditTest::cleanup()
{
    QDir::setCurrent(previousDir);
}

void TForm2EditTest::SelectStyle(TForm2& form, int style)
{
    form.OpenBankFile(RY7_SOURCE_DIR "/examples/demo.sty");
    form.StyleList->SelectNode(form.StyleList->NodeAt(style));
    QVERIFY(form.EditIfc != nullptr);
}

QTreeWidgetItem* TForm2EditTest::FindTreeNode(const TForm2& form, int kind) const
{
    for (int i = 0; QTreeWidgetItem* node = form.StyleTree->NodeAt(i); ++i) {
        if (static_cast<TStyleTreeItem*>(node)->data.Kind == kind)
            return node;
    }
    return nullptr;
}

void TForm2EditTest::SelectTreeNode(TForm2& form, int kind)
{
    QTreeWidgetItem* node = FindTreeNode(form, kind);
    QVERIFY(node != nullptr);
    form.StyleTree->SelectNode(node);
}

QString TForm2EditTest::ExportFirstCv(TForm2& form, const QString& name)
{
    const QString path = dir.filePath(name);
    [&] { SelectTreeNode(form, TTreeData::KindCv); }();
    files.Choices.append(QStringList(path));
    form.ExportSingleSmfClick();
    return path;
}

QStringList TForm2EditTest::TreeTexts(const TForm2& form) const
{
    QStringList texts;
    for (int i = 0; const QTreeWidgetItem* node = form.StyleTree->NodeAt(i); ++i)
        texts << node->text(0);
    return texts;
}

QStringList TForm2EditTest::MessageTexts() const
{
    QStringList texts;
    for (const CScriptedDialog::CCall& call : dialog.Calls)
        texts << call.Caption + " | " + call.Text;
    return texts;
}

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
    const auto program = static_cast<uint32_t>(form->EditIfc->GetTrackProgram(at.Element, at.Track));
    QFile list(dir.filePath("ExtProgList.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QString("%1 %2 %3 %4\n")
                   .arg(program >> 24)
                   .arg((program >> 16) & 0xFF)
                   .arg(program & 0xFF)
                   .arg(range)
                   .toLatin1());
    list.close();
    form->ReadExtProgList();
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

void TForm2EditTest::savingWritesTheBankAndRebuildsTheList()
{
    const auto form = MakeForm();
    SelectStyle(*form, 2);
    const QString first = dir.filePath("first.sty");
    const QString second = dir.filePath("second.sty");
    files.Choices << QStringList(first) << QStringList(second);
    form->SaveStyleClick();
    QCOMPARE(files.Asked.last().FileName, QString("demo.sty"));
    QCOMPARE(form->StyleList->NodeAt(0)->text(0), QString("first.sty"));
    form->SaveStyleClick();
    QCOMPARE(files.Asked.last().FileName, QString("first.sty"));
    QVERIFY(dialog.Calls.isEmpty());
    QFile a(first);
    QFile b(second);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
    QVERIFY(form->EditIfc == nullptr);
    QVERIFY(form->StyleList->currentItem() == nullptr || !form->StyleList->currentItem()->isSelected());
}

void TForm2EditTest::savingDropsUnconfirmedChanges()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    form->StyleListEdited(form->StyleList->NodeAt(1), "Renamed");
    const QString path = dir.filePath("saved.sty");
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
    files.Choices << QStringList(dir.filePath("missing/folder/x.sty"));
    form->SaveStyleClick();
    QCOMPARE(MessageTexts(), QStringList("Save Style Bank | File write error!"));
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("Pop 8Beat"));
    QVERIFY(form->Bank != nullptr);
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

void TForm2EditTest::closingAsksWhileStylesAreMarked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Yes closes") << 6 << true;
    QTest::newRow("No stays") << 2 << false;
}

void TForm2EditTest::closingAsksWhileStylesAreMarked()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    bool canClose = false;
    form->FormCloseQuery(canClose);
    QVERIFY(canClose);
    TRyTreeView::SetImages(form->StyleList->NodeAt(2), 6, 5);
    dialog.Answers << answer;
    form->FormCloseQuery(canClose);
    QCOMPARE(MessageTexts(), QStringList("Some Style modified | Ignore changes ?"));
    QCOMPARE(canClose, closes);
}

void TForm2EditTest::exportWritesOneFileOrReportsFailure()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString path = ExportFirstCv(*form, "one.mid");
    QCOMPARE(files.Asked.last().FileName, QString("v1cv1"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(4), QByteArray("MThd"));
    QVERIFY(dialog.Calls.isEmpty());
    ExportFirstCv(*form, "missing/two.mid");
    QCOMPARE(MessageTexts(), QStringList("Export Chord Variation to SMF | SMF write error!"));
}

void TForm2EditTest::exportAllWritesEveryChordVariation()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    int expected = 0;
    for (int e = 0; e < 10; ++e)
        for (int c = 0; c < 6; ++c)
            expected += form->EditIfc->GetCvState(e, c) != 0 ? 1 : 0;
    shift = true;
    files.Choices << QStringList(dir.filePath("_all_.mid"));
    form->ImportAllSmfClick();
    QCOMPARE(files.Asked.last().FileName, QString("_all_"));
    const QStringList written = QDir(dir.path()).entryList({"_all_*.mid"});
    QCOMPARE(written.size(), expected);
    QVERIFY(written.contains("_all_v1cv1.mid"));
    QVERIFY(dialog.Calls.isEmpty());
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
    const QString temp = QDir(dir.path()).filePath("rytemp.mid");
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
    QVERIFY(QFile::exists(QDir(dir.path()).filePath("rytemp.mid")));
    form->StopTestPlay();
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath("rytemp.mid")));
}

void TForm2EditTest::importAllReplacesTheStyle()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString good = ExportFirstCv(*form, "V1CV1.MID");
    const QString bad = dir.filePath("xyz.mid");
    QVERIFY(QFile::copy(good, bad));
    dialog.Answers << 6;
    files.Choices << QStringList({good, bad});
    form->ImportAllSmfClick();
    QCOMPARE(MessageTexts(),
             QStringList({"Import Style from SMF | Replace current style or merge with SMF files?",
                          "Import Style from SMF | 'xyz.mid'  is not a valid standard name!"}));
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("New Style"));
    QCOMPARE(TreeTexts(*form).mid(0, 3), QStringList({"New Style", "Variation 1", "Chord Var 1"}));
    QCOMPARE(FindTreeNode(*form, TTreeData::KindElement)->childCount(), 1);
    QVERIFY(form->StyleModified);
}

void TForm2EditTest::importAllAsksForDuplicatesAndUpgradesOnce()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString v1 = ExportFirstCv(*form, "v1cv1.mid");
    const QString f3a = dir.filePath("f3cv1.mid");
    const QString f3b = dir.filePath("take2_f3cv1.mid");
    QVERIFY(QFile::copy(v1, f3a) && QFile::copy(v1, f3b));
    form->EditIfc->SetStyleVersion(0);
    form->StyleVersion = 0;
    // Merge; the demo style holds Fill 3 already, so both Fill 3 files are duplicates: keep, then skip.
    dialog.Answers << 7 << 7 << 7 << 2;
    files.Choices << QStringList({f3a, v1, f3b});
    form->ImportAllSmfClick();
    QCOMPARE(MessageTexts(),
             QStringList({"Import Style from SMF | Replace current style or merge with SMF files?",
                          "Import Style from SMF | 'f3cv1.mid'  is a new Ry version style element. Style "
                          "version has been upgraded!",
                          "Import Style from SMF | Warning! 'f3cv1.mid' is a duplicate - Initialize/Keep "
                          "Track Parameters?",
                          "Import Style from SMF | Warning! 'v1cv1.mid' is a duplicate - Initialize/Keep "
                          "Track Parameters?",
                          "Import Style from SMF | Warning! 'take2_f3cv1.mid' is a duplicate - "
                          "Initialize/Keep Track Parameters?"}));
    QCOMPARE(form->EditIfc->GetStyleVersion(), 1);
    QCOMPARE(form->EditIfc->GetCvState(10, 0), 2);
}

void TForm2EditTest::importSingleReportsAReadError()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString junk = dir.filePath("junk.mid");
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a midi file");
    file.close();
    SelectTreeNode(*form, TTreeData::KindCv);
    QTreeWidgetItem* selected = form->StyleTree->currentItem();
    const int index = form->StyleTree->IndexOf(selected);
    dialog.Answers << 7;
    files.Choices << QStringList(junk);
    form->ImportSingleSmfClick();
    QCOMPARE(MessageTexts(),
             QStringList({"Import Chord Variation from SMF | Initialize/Keep Track Parameters?",
                          "Import Chord Variation from SMF | SMF read error or wrong SMF Format!"}));
    QCOMPARE(files.Asked.last().FileName, QString("v1cv1"));
    QCOMPARE(form->StyleTree->IndexOf(form->StyleTree->currentItem()), index);
    QVERIFY(form->StyleModified);
}

void TForm2EditTest::deletingTheLastChordVariationKeepsVariation1()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    // Keep a single chord variation of Variation 1 and nothing else.
    for (int e = 0; e < 12; ++e)
        if (e != 0)
            form->EditIfc->DeleteElement(e);
    for (int c = 1; c < 6; ++c)
        form->EditIfc->DeleteCv(0, c);
    form->FillStyleTree();
    SelectTreeNode(*form, TTreeData::KindCv);
    form->DeleteCVClick();
    QCOMPARE(MessageTexts(),
             QStringList("Delete Chord Variation | Style Element 'Variation 1' must exists. An "
                         "empty element has been added."));
    QCOMPARE(TreeTexts(*form).mid(0, 3), QStringList({"Pop 8Beat", "Variation 1", "Chord Var 1"}));
    QCOMPARE(form->StyleTree->currentItem(), form->StyleTree->NodeAt(0));
    QVERIFY(form->StyleModified);
}

QTEST_MAIN(TForm2EditTest)
#include "TForm2EditTest.moc"
