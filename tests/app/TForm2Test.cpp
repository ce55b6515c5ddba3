// The main window: initial controls, enable rules, first activation, help panel, web link and the bank list.
#include "app/TForm2.h"
#include "app/TPianoRoll.h"

#include "CWindowFixture.h"
#include "app/CMediaPlayer.h"
#include "app/TClickLabel.h"
#include "app/TForm3.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "bank/chunk/CStyleBank.h"
#include "tools/bankbuilder/CBankBuilder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>

class TForm2Test : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void controlsStartInTheirInitialState_data();
    void controlsStartInTheirInitialState();
    void toolBarKeepsItsOrder();
    void resizingGivesTheTreesTheRoom();
    void updateControlsFollowsTheState_data();
    void updateControlsFollowsTheState();
    void firstActivationShowsSplashAndReadsTheList_data();
    void firstActivationShowsSplashAndReadsTheList();
    void helpButtonTogglesThePanel();
    void helpPanelClosesOnItsTitleAndFreeArea();
    void webLinkReportsAFailedLaunch_data();
    void webLinkReportsAFailedLaunch();
    void openingABankListsItsStyles();
    void openingRefusesWhatIsNoBank_data();
    void openingRefusesWhatIsNoBank();
    void cancellingTheFileDialogKeepsTheBank();
    void openingAsksBeforeDroppingChangedStyles_data();
    void openingAsksBeforeDroppingChangedStyles();
    void otherContainersBetweenStylesAreNotListed();
    void aBankWithoutNameTableListsNothingYetSaves();

private:
    void SetState(TForm2& form, bool modified, int version) const
    {
        form.StyleModified = modified;
        form.StyleVersion = version;
    }
    void OpenDemo(TForm2& form);
    // Writes `bank` into the start folder as `name`; returns the path.
    QString WriteBank(const QString& name, const CBankBuilder& bank);
};

namespace {

using Bytes = CBankBuilder::Bytes;

QByteArray ToByteArray(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// The content chunk of the example bank's style `k` (0-based).
Bytes DemoContent(int k)
{
    CStyleBank demo;
    if (demo.OpenFile(QFile::encodeName(CWindowFixture::DemoBank()).toStdString()) != BankResult::Ok)
        return {};
    const auto selection = demo.SelectStyle(k);
    return selection ? selection->content : Bytes();
}

} // namespace

QString TForm2Test::WriteBank(const QString& name, const CBankBuilder& bank)
{
    const QString path = FilePath(name);
    WriteFile(path, ToByteArray(bank.Build()));
    return path;
}

void TForm2Test::controlsStartInTheirInitialState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("hint"); // a tool button's with its keys
    QTest::newRow("OpenStyle") << "OpenStyle" << true << true << "Open Style Bank (Ctrl+O)";
    QTest::newRow("SaveStyle") << "SaveStyle" << false << true << "Save Style Bank (Ctrl+S)";
    QTest::newRow("ImportAllSmf") << "ImportAllSmf" << false << true
                                  << "Import Style from SMFs with Standard Names (Ctrl+Shift+I)\n"
                                     "With Shift: Export All (Ctrl+Shift+E)";
    QTest::newRow("ImportSingleSmf") << "ImportSingleSmf" << false << true
                                     << "Import Chord Variation from SMF (Ctrl+I)";
    QTest::newRow("ImportMidiFile")
        << "ImportMidiFile" << false << true
        << "Import MIDI File into Chord Variation, a Track for each Channel (Ctrl+M)";
    QTest::newRow("ExportSingleSmf") << "ExportSingleSmf" << false << true
                                     << "Export Chord Variation to SMF (Ctrl+E)";
    QTest::newRow("DeleteCV") << "DeleteCV" << false << true << "Delete Chord Variation (Del)";
    QTest::newRow("UndoStyle") << "UndoStyle" << false << true << "Undo current Style Modifications (Ctrl+Z)";
    QTest::newRow("PlayButton") << "PlayButton" << false << true
                                << "Test play using the Mediaplayer (Ctrl+Space)";
    QTest::newRow("ButtonHelp") << "ButtonHelp" << true << true << "Help on this program (F1)";
    QTest::newRow("StyleList") << "StyleList" << true << true
                               << "Select a Style, you can edit also the Style Name here.";
    QTest::newRow("StyleTree")
        << "StyleTree" << true << true
        << "Select a Chord Variation to enable Import/Export of a single Chord Variation.";
    QTest::newRow("InfoText") << "InfoText" << true << false << "";
    QTest::newRow("RyVersion") << "RyVersion" << true << false << "";
    QTest::newRow("HelpPanel") << "HelpPanel" << true << false << "";
    QTest::newRow("MediaPanel") << "MediaPanel" << true << false << "";
    QTest::newRow("FooterNote") << "FooterNote" << true << true
                                << "Free Software. No Warranty of any kind, no support.";
}

void TForm2Test::controlsStartInTheirInitialState()
{
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QFETCH(QString, hint);
    const auto form = MakeForm();
    auto* control = form->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->isEnabled(), enabled);
    QCOMPARE(control->isVisible(), visible);
    QCOMPARE(control->toolTip(), hint);
    QCOMPARE(form->windowTitle(), QString("Ry7 Style Tool - v3.0.3"));
}

void TForm2Test::toolBarKeepsItsOrder()
{
    const auto form = MakeForm();
    QStringList order;
    for (QAction* action : form->ToolBar1->actions()) {
        QWidget* widget = form->ToolBar1->widgetForAction(action);
        order << (action->isSeparator() ? QString("|") : widget->objectName());
    }
    QCOMPARE(order, QStringList({"OpenStyle", "SaveStyle", "|", "ImportAllSmf", "ImportSingleSmf",
                                 "ImportMidiFile", "ExportSingleSmf", "|", "DeleteCV", "|", "UndoStyle", "|",
                                 "PlayButton", "|", "ButtonHelp"}));
}

void TForm2Test::resizingGivesTheTreesTheRoom()
{
    const auto form = MakeForm();
    const QSize list = form->StyleList->size();
    const QSize tree = form->StyleTree->size();
    const QSize roll = form->PianoRoll->size();
    form->resize(form->size() + QSize(200, 100));
    // Height goes to the trees, width first to the piano roll, whose time runs across.
    QTRY_COMPARE(form->StyleList->height(), list.height() + 100);
    QCOMPARE(form->StyleTree->height(), tree.height() + 100);
    QVERIFY(form->PianoRoll->width() > roll.width());
    QVERIFY(form->StyleList->width() >= list.width() && form->StyleTree->width() >= tree.width());
    // Nor can the window be made narrower than what shows the trees' labels whole.
    form->resize(100, 100);
    QTRY_COMPARE(form->StyleList->width(), list.width());
    QCOMPARE(form->StyleTree->width(), tree.width());
    QVERIFY(form->StyleTree->height() > 0);
}

void TForm2Test::updateControlsFollowsTheState_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("selectChordVariation");
    QTest::addColumn<bool>("undo");
    QTest::newRow("unchanged") << false << false << false;
    QTest::newRow("changed") << true << false << true;
    // Without a style being edited a chord variation node enables nothing.
    QTest::newRow("changed, chord variation node") << true << true << true;
}

void TForm2Test::updateControlsFollowsTheState()
{
    QFETCH(bool, modified);
    QFETCH(bool, selectChordVariation);
    QFETCH(bool, undo);
    const auto form = MakeForm();
    if (selectChordVariation) {
        TTreeData data;
        data.Kind = TTreeData::KindCv;
        auto* node = new TStyleTreeItem(data);
        form->StyleTree->addTopLevelItem(node);
        ClickTreeNode(*form, node);
    }
    SetState(*form, modified, 0);
    form->UpdateControls();
    QCOMPARE(form->UndoStyle->isEnabled(), undo);
    QVERIFY(!form->SaveStyle->isEnabled());
    QVERIFY(!form->ImportAllSmf->isEnabled());
    QVERIFY(!form->ImportSingleSmf->isEnabled());
    QVERIFY(!form->ImportMidiFile->isEnabled());
    QVERIFY(!form->ExportSingleSmf->isEnabled());
    QVERIFY(!form->PlayButton->isEnabled());
    QVERIFY(!form->DeleteCV->isEnabled());
    QVERIFY(form->RyVersion->isHidden());
}

void TForm2Test::firstActivationShowsSplashAndReadsTheList_data()
{
    QTest::addColumn<QByteArray>("file");   // in the start folder; empty: no file
    QTest::addColumn<QByteArray>("beside"); // beside the bank named on the command line; empty: none
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("missing") << QByteArray() << QByteArray()
                             << QStringList("'ExtProgList.txt' - File not found");
    QTest::newRow("one bad line") << QByteArray("121 0 64 36 96\r\n1 2\r\n\r\n") << QByteArray()
                                  << QStringList("Format Error - Line : '1 2'");
    QTest::newRow("single-byte text")
        << QByteArray("1 \xe9\n") << QByteArray() << QStringList("Format Error - Line : '1 \u00e9'");
    QTest::newRow("good") << QByteArray("121 0 64 36 96\n") << QByteArray() << QStringList();
    QTest::newRow("only beside the bank")
        << QByteArray() << QByteArray("5 6\n") << QStringList("Format Error - Line : '5 6'");
    QTest::newRow("the start folder's first")
        << QByteArray("3 4\n") << QByteArray("5 6\n") << QStringList("Format Error - Line : '3 4'");
}

void TForm2Test::firstActivationShowsSplashAndReadsTheList()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, beside);
    QFETCH(QStringList, messages);
    if (!file.isEmpty())
        WriteFile(FilePath("ExtProgList.txt"), file);
    QVERIFY(QDir(StartFolder()).mkdir("banks"));
    const QString bank = FilePath("banks/demo.sty");
    QVERIFY(QFile::copy(DemoBank(), bank));
    if (!beside.isEmpty())
        WriteFile(FilePath("banks/ExtProgList.txt"), beside);
    const auto form = MakeHiddenForm();
    TForm3 splash(form.get());
    form->SetSplash(&splash);
    // As the program starts with a bank on its command line.
    form->OpenBankFile(bank);
    form->show();
    QTRY_VERIFY(!form->FirstActivation);
    QVERIFY(splash.isVisible());
    form->FormActivate(); // later activations do nothing
    QStringList shown;
    for (const CScriptedDialog::CCall& call : dialog.Calls) {
        QCOMPARE(call.Caption, QString("Extended Program List"));
        QCOMPARE(call.Middle, QString("OK"));
        QVERIFY(call.Left.isEmpty() && call.Right.isEmpty());
        shown << call.Text;
    }
    QCOMPARE(shown, messages);
}

void TForm2Test::helpButtonTogglesThePanel()
{
    const auto form = MakeForm();
    QTest::mouseClick(form->ButtonHelp, Qt::LeftButton);
    QVERIFY(form->HelpPanel->isVisible());
    QCOMPARE(form->HelpPanel->StaticText1->text(),
             QString("Ry7 Style to Midi / Midi to Style Conversion Tool"));
    QTest::mouseClick(form->ButtonHelp, Qt::LeftButton);
    QVERIFY(form->HelpPanel->isHidden());
}

void TForm2Test::helpPanelClosesOnItsTitleAndFreeArea()
{
    const auto form = MakeForm();
    Click(form->ButtonHelp);
    QTest::mouseClick(form->HelpPanel->StaticText1, Qt::LeftButton);
    QVERIFY(form->HelpPanel->isHidden());
    Click(form->ButtonHelp);
    QTest::mouseClick(form->HelpPanel, Qt::LeftButton, {}, QPoint(3, form->HelpPanel->height() - 3));
    QVERIFY(form->HelpPanel->isHidden());
}

void TForm2Test::webLinkReportsAFailedLaunch_data()
{
    QTest::addColumn<bool>("launches");
    QTest::newRow("browser starts") << true;
    QTest::newRow("no browser") << false;
}

void TForm2Test::webLinkReportsAFailedLaunch()
{
    QFETCH(bool, launches);
    web.Succeeds = launches;
    const auto form = MakeForm();
    Click(form->ButtonHelp);
    QTest::mouseClick(form->HelpPanel->GotoWeb, Qt::LeftButton);
    QCOMPARE(web.Addresses, QStringList(TForm2::WebAddress()));
    QCOMPARE(dialog.Calls.size(), launches ? 0 : 1);
    if (!launches) {
        QCOMPARE(dialog.Calls[0].Caption, QString("Web Link"));
        QCOMPARE(dialog.Calls[0].Text, "Cannot launch Web Browser! Visit: '" + TForm2::WebAddress() + "'.");
        QCOMPARE(dialog.Calls[0].Middle, QString("OK"));
    }
}

void TForm2Test::OpenDemo(TForm2& form)
{
    OpenBank(form);
    QCOMPARE(ListTexts(form).size(), 5);
}

void TForm2Test::openingABankListsItsStyles()
{
    const auto form = MakeForm();
    Click(form->ButtonHelp);
    OpenDemo(*form);
    QCOMPARE(ListTexts(*form),
             QStringList({"demo.sty", "Pop 8Beat", "Swing Jazz", "Bossa Nova", "Rock Shuffle"}));
    QVERIFY(dialog.Calls.isEmpty());
    QCOMPARE(files.Asked.size(), 1);
    QCOMPARE(files.Asked[0].Title, QString("Open Style Bank File"));
    QCOMPARE(files.Asked[0].DialogMode, CFileDialogSpec::Mode::OpenOne);
    // The next open, and the first save, start in the bank's folder.
    QCOMPARE(form->OpenDialog1.InitialDir, QString(RY7_SOURCE_DIR "/examples"));
    QCOMPARE(form->SaveDialog1.InitialDir, QString(RY7_SOURCE_DIR "/examples"));
    QVERIFY(form->SaveStyle->isEnabled());
    QVERIFY(!form->ImportAllSmf->isEnabled());
    QVERIFY(form->HelpPanel->isHidden());
    QCOMPARE(form->StyleList->NodeAt(1)->flags().testFlag(Qt::ItemIsEditable), true);
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(0)), 4);
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(1)), 0);
}

void TForm2Test::openingRefusesWhatIsNoBank_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QString notABank = "File read error - File in use - or not a Quelon Ry Style File!";
    QTest::newRow("text file") << QByteArray("no bank at all, but long enough for a header check")
                               << notABank;
    QTest::newRow("empty file") << QByteArray() << notABank;
    // A compressed style whose content chunk claims one byte more than its records hold.
    Bytes broken = CBankBuilder::StyleContent(1, {CBankBuilder::Record(1, {1, 2, 3})});
    broken[7] = static_cast<uint8_t>(broken[7] + 1);
    CBankBuilder corrupt;
    corrupt.NameTable().Style("Good", DemoContent(0), true).Style("Broken", broken, true).OffsetIndex();
    QTest::newRow("corrupt style") << ToByteArray(corrupt.Build()) << QString("File corrupt - Error!");
}

void TForm2Test::openingRefusesWhatIsNoBank()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString bad = FilePath("bad.sty");
    WriteFile(bad, content);
    const auto form = MakeForm();
    OpenDemo(*form);
    OpenBank(*form, bad);
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("Open Style Bank"));
    QCOMPARE(dialog.Calls[0].Text, message);
    QCOMPARE(dialog.Calls[0].Middle, QString("OK"));
    // The bank that was open is gone as well.
    QVERIFY(ListTexts(*form).isEmpty());
    QVERIFY(form->Bank == nullptr);
    QVERIFY(!form->SaveStyle->isEnabled());
}

void TForm2Test::cancellingTheFileDialogKeepsTheBank()
{
    const auto form = MakeForm();
    OpenDemo(*form);
    Click(form->OpenStyle);
    QCOMPARE(files.Asked.size(), 2);
    QCOMPARE(ListTexts(*form).size(), 5);
    QVERIFY(form->SaveStyle->isEnabled());
}

void TForm2Test::openingAsksBeforeDroppingChangedStyles_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("dialogsRun");
    QTest::newRow("Yes: the file dialog runs") << 6 << 2;
    QTest::newRow("No: the bank stays untouched") << 2 << 1;
}

void TForm2Test::openingAsksBeforeDroppingChangedStyles()
{
    QFETCH(int, answer);
    QFETCH(int, dialogsRun);
    const auto form = MakeForm();
    OpenDemo(*form);
    // A style written back into the bank carries image 6 until the bank is saved.
    TRyTreeView::SetImages(form->StyleList->NodeAt(3), 6, 5);
    dialog.Answers << answer;
    Click(form->OpenStyle);
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("Some Style modified"));
    QCOMPARE(dialog.Calls[0].Text, QString("Ignore changes ?"));
    QCOMPARE(dialog.Calls[0].Left, QString("Yes"));
    QCOMPARE(dialog.Calls[0].Right, QString("No"));
    QVERIFY(dialog.Calls[0].Middle.isEmpty());
    QCOMPARE(files.Asked.size(), dialogsRun);
    QCOMPARE(TRyTreeView::Image(form->StyleList->NodeAt(3)), 6);
}

void TForm2Test::otherContainersBetweenStylesAreNotListed()
{
    // Pop 8Beat's content (4/4) as Alpha and Swing Jazz's (3/4) as Beta, two other containers between.
    CBankBuilder builder;
    builder.DataChunk(3, Bytes(32, 0))
        .NameTable()
        .Style("Alpha", DemoContent(0), true)
        .Container(7, CBankBuilder::Record(1, {1, 2, 3}), "User Area")
        .Container(9, {}, "Spare")
        .Style("Beta", DemoContent(1))
        .OffsetIndex();
    const QString path = WriteBank("mixed.sty", builder);
    const auto form = MakeForm();
    SelectStyle(*form, 2, path);
    QCOMPARE(ListTexts(*form), QStringList({"mixed.sty", "Alpha", "Beta"}));
    QCOMPARE(form->CurStyle, 1);
    SelectTreeNode(*form, TTreeData::KindElement);
    QCOMPARE(form->InfoText->text(), QString(" Signature: 3 / 4"));
    ClickStyle(*form, 1);
    SelectTreeNode(*form, TTreeData::KindElement);
    QCOMPARE(form->InfoText->text(), QString(" Signature: 4 / 4"));

    // Saving writes each name into its style's entry and leaves the containers' entries alone.
    RenameStyle(*form, "Alpha 2");
    dialog.Answers << 6;
    const QString saved = FilePath("saved.sty");
    files.Choices << QStringList(saved);
    Click(form->SaveStyle);
    QCOMPARE(MessageTexts(), QStringList("Style modified | Confirm changes ?"));
    OpenBank(*form, saved);
    QCOMPARE(ListTexts(*form), QStringList({"saved.sty", "Alpha 2", "Beta"}));
    const QByteArray bytes = ReadFile(saved);
    QVERIFY(bytes.contains(QByteArray("User Area\0", 10)));
    QVERIFY(bytes.contains(QByteArray("Spare\0", 6)));
}

void TForm2Test::aBankWithoutNameTableListsNothingYetSaves()
{
    CBankBuilder builder;
    builder.Style("A", DemoContent(0), true).Style("B", DemoContent(1)).OffsetIndex();
    const auto form = MakeForm();
    OpenBank(*form, WriteBank("unnamed.sty", builder));
    QVERIFY(dialog.Calls.isEmpty());
    QVERIFY(ListTexts(*form).isEmpty());
    QCOMPARE(form->StyleCount, 2);
    QVERIFY(form->SaveStyle->isEnabled());
    const QString saved = FilePath("saved.sty");
    files.Choices << QStringList(saved);
    Click(form->SaveStyle);
    QVERIFY(dialog.Calls.isEmpty());
    QVERIFY(form->close());
    // The copy opens again and holds both styles.
    CStyleBank reopened;
    QCOMPARE(reopened.OpenFile(QFile::encodeName(saved).toStdString()), BankResult::Ok);
    QCOMPARE(reopened.StyleCount(), 2);
    QVERIFY(reopened.SelectStyle(1)->content == DemoContent(1));
}

QTEST_MAIN(TForm2Test)
#include "TForm2Test.moc"
