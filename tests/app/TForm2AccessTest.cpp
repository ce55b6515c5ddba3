// The main window without a mouse: its controls on the accessibility bus, every command from its keys,
// the order Tab moves the focus in, and the focus always shown.
#include "CWindowFixture.h"
#include "app/TFocusRing.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <memory>

class TForm2AccessTest : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void busListsEveryControlByName_data();
    void busListsEveryControlByName();
    void everyCommandRunsFromItsKeysAsFromItsButton_data();
    void everyCommandRunsFromItsKeysAsFromItsButton();
    void deleteKeyDeletesOnlyInTheStyleTree();
    void tabMovesThroughTheTreesAndTheTempo_data();
    void tabMovesThroughTheTreesAndTheTempo();
    void helpPanelKeepsTheKeysWhileShown();

private:
    // A command run from its button, then in a new window from its keys, after the same preparation.
    struct CCommandCase {
        const char* Name;
        TToolButton* TForm2::*Button;
        Qt::KeyboardModifiers ClickKeys;
        const char* Keys;
        std::function<void(TForm2AccessTest&, TForm2&)> Prepare;
    };
    static const std::vector<CCommandCase>& CommandCases();
    // What a command can change that a user sees, without the temporary folder's path.
    QStringList Observe(const TForm2& form) const;
    void RunCommand(const CCommandCase& command, bool byKeys, QStringList& seen);
    // The focus widget's name, after checking that the ring shows around it.
    static QString FocusShown(const TForm2& form);
};

namespace {

struct CBusEntry {
    QAccessible::Role Role;
    QString Name;
    QString Description;
    bool Enabled;
};

// Every interface below `node` on the accessibility bus, as a screen reader walks it.
void WalkBus(QAccessibleInterface* node, QList<CBusEntry>& entries)
{
    if (node == nullptr)
        return;
    entries.append({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Description),
                    !node->state().disabled});
    for (int i = 0; i < node->childCount(); ++i)
        WalkBus(node->child(i), entries);
}

QList<CBusEntry> Named(const QList<CBusEntry>& entries, QAccessible::Role role, const QString& name)
{
    QList<CBusEntry> found;
    for (const CBusEntry& entry : entries)
        if (entry.Role == role && entry.Name == name)
            found.append(entry);
    return found;
}

} // namespace

void TForm2AccessTest::busListsEveryControlByName_data()
{
    QTest::addColumn<bool>("chordVariation"); // else no bank is open
    QTest::newRow("no bank") << false;
    QTest::newRow("chord variation selected") << true;
}

void TForm2AccessTest::busListsEveryControlByName()
{
    QFETCH(bool, chordVariation);
    const auto form = MakeForm();
    if (chordVariation) {
        // Swing Jazz, of the old format, shows the version box.
        SelectStyle(*form, 2);
        ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    }
    QList<CBusEntry> bus;
    WalkBus(QAccessible::queryAccessibleInterface(form.get()), bus);

    const std::pair<const char*, const TToolButton*> commands[] = {
        {"Open Style Bank", form->OpenStyle},
        {"Save Style Bank", form->SaveStyle},
        {"Import Style from SMFs with Standard Names", form->ImportAllSmf},
        {"Import Chord Variation from SMF", form->ImportSingleSmf},
        {"Import MIDI File...", form->ImportMidiFile},
        {"Export Chord Variation to SMF", form->ExportSingleSmf},
        {"Delete Chord Variation", form->DeleteCV},
        {"Undo", form->UndoStyle},
        {"Test Play", form->PlayButton},
        {"Help", form->ButtonHelp}};
    for (const auto& [name, button] : commands) {
        const QList<CBusEntry> found = Named(bus, QAccessible::Button, name);
        QVERIFY2(found.size() == 1, name);
        QVERIFY2(found[0].Enabled == button->isEnabled(), name);
        // The hint with the command's keys.
        QCOMPARE(found[0].Description, button->toolTip());
    }
    QCOMPARE(form->SaveStyle->isEnabled(), chordVariation);
    QCOMPARE(form->DeleteCV->isEnabled(), chordVariation);

    const std::pair<QAccessible::Role, QString> controls[] = {
        {QAccessible::Tree, "Style Bank"},
        {QAccessible::Tree, "Style"},
        {QAccessible::CheckBox, "new Ry style format"},
        {QAccessible::EditableText, "Tempo for Player:"},
        {QAccessible::Button, "Stop Test Play"},
        {QAccessible::Client, "Piano Roll"},
        {QAccessible::Link, THelpPanel::WebLinkText}};
    for (const auto& [role, name] : controls)
        QVERIFY2(Named(bus, role, name).size() == 1, qPrintable(name));
    QCOMPARE(Named(bus, QAccessible::Tree, "Style")[0].Description, form->StyleTree->toolTip());
    // The info line reads the info text itself.
    if (chordVariation)
        QCOMPARE(Named(bus, QAccessible::StaticText, form->InfoText->text()).size(), 1);
}

const std::vector<TForm2AccessTest::CCommandCase>& TForm2AccessTest::CommandCases()
{
    const auto selectCv = [](TForm2AccessTest& test, TForm2& form, int cv) {
        test.SelectStyle(form, 1);
        ClickTreeNode(form, FindCvNode(form, 0, cv));
    };
    // Chord variation 2 of Variation 1 selected, and the answers that import the file exported from
    // chord variation 1 into it, keeping the track parameters.
    const auto importCv = [](TForm2AccessTest& test, TForm2& form) {
        test.SelectStyle(form, 1);
        const QString path = test.ExportCv(form, 0, 0, "take.mid");
        ClickTreeNode(form, FindCvNode(form, 0, 1));
        test.dialog.Answers << 7;
        test.files.Choices << QStringList(path);
    };
    static const std::vector<CCommandCase> cases = {
        {"Open Style Bank",
         &TForm2::OpenStyle,
         {},
         "Ctrl+O",
         [](TForm2AccessTest& test, TForm2&) { test.files.Choices << QStringList(DemoBank()); }},
        {"Save Style Bank",
         &TForm2::SaveStyle,
         {},
         "Ctrl+S",
         [](TForm2AccessTest& test, TForm2& form) {
             test.SelectStyle(form, 1);
             test.files.Choices << QStringList(test.FilePath("saved.sty"));
         }},
        {"Import Style from SMFs with Standard Names",
         &TForm2::ImportAllSmf,
         {},
         "Ctrl+Shift+I",
         [](TForm2AccessTest& test, TForm2& form) {
             test.SelectStyle(form, 1);
             test.dialog.Answers << 2; // Cancel
         }},
        {"Export All", &TForm2::ImportAllSmf, Qt::ShiftModifier, "Ctrl+Shift+E",
         [](TForm2AccessTest& test, TForm2& form) {
             test.SelectStyle(form, 1);
             test.files.Choices << QStringList(test.FilePath("all.mid"));
         }},
        {"Import Chord Variation from SMF", &TForm2::ImportSingleSmf, {}, "Ctrl+I", importCv},
        {"Import MIDI File...", &TForm2::ImportMidiFile, {}, "Ctrl+M", importCv},
        {"Export Chord Variation to SMF",
         &TForm2::ExportSingleSmf,
         {},
         "Ctrl+E",
         [selectCv](TForm2AccessTest& test, TForm2& form) {
             selectCv(test, form, 0);
             test.files.Choices << QStringList(test.FilePath("one.mid"));
         }},
        {"Delete Chord Variation",
         &TForm2::DeleteCV,
         {},
         "Del",
         [selectCv](TForm2AccessTest& test, TForm2& form) { selectCv(test, form, 1); }},
        {"Undo",
         &TForm2::UndoStyle,
         {},
         "Ctrl+Z",
         [](TForm2AccessTest& test, TForm2& form) {
             test.SelectStyle(form, 1);
             DeleteCv(form, 0, 1);
         }},
        {"Test Play",
         &TForm2::PlayButton,
         {},
         "Ctrl+Space",
         [selectCv](TForm2AccessTest& test, TForm2& form) { selectCv(test, form, 0); }},
        {"Help", &TForm2::ButtonHelp, {}, "F1", [](TForm2AccessTest&, TForm2&) {}},
    };
    return cases;
}

QStringList TForm2AccessTest::Observe(const TForm2& form) const
{
    QStringList fileDialogs;
    for (const CFileDialogSpec& request : files.Asked)
        fileDialogs << request.Title + " '" + request.FileName + "'";
    return {"list: " + ListTexts(form).join(", "),
            "tree: " + TreeTexts(form).join(", "),
            "messages: " + MessageTexts().join(" / "),
            "file dialogs: " + fileDialogs.join(", "),
            "files: " + QDir(StartFolder()).entryList(QDir::Files).join(", "),
            "track maps: " + trackMaps.FileNames.join(", "),
            "player: " + player.Calls.join(", "),
            QString("help %1, test play %2, undo %3")
                .arg(form.HelpPanel->isVisible())
                .arg(form.MediaPanel->isVisible())
                .arg(form.UndoStyle->isEnabled())};
}

void TForm2AccessTest::RunCommand(const CCommandCase& command, bool byKeys, QStringList& seen)
{
    const auto form = MakeForm();
    command.Prepare(*this, *form);
    const QStringList before = Observe(*form);
    if (byKeys)
        QTest::keySequence(form.get(), QKeySequence(command.Keys));
    else
        Click(form.get()->*command.Button, command.ClickKeys);
    seen = Observe(*form);
    QVERIFY2(seen != before, "the command changed nothing");
}

void TForm2AccessTest::everyCommandRunsFromItsKeysAsFromItsButton_data()
{
    QTest::addColumn<int>("command");
    for (int i = 0; i < int(CommandCases().size()); ++i)
        QTest::newRow(CommandCases()[size_t(i)].Name) << i;
}

void TForm2AccessTest::everyCommandRunsFromItsKeysAsFromItsButton()
{
    QFETCH(int, command);
    const CCommandCase& run = CommandCases()[size_t(command)];
    QStringList byButton, byKeys;
    RunCommand(run, false, byButton);
    if (QTest::currentTestFailed())
        return;
    EndTest();
    BeginTest();
    RunCommand(run, true, byKeys);
    QCOMPARE(byKeys, byButton);
}

void TForm2AccessTest::deleteKeyDeletesOnlyInTheStyleTree()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    ClickTreeNode(*form, FindCvNode(*form, 0, 1));
    QVERIFY(form->DeleteCV->isEnabled());
    QTest::keyClick(form->StyleTree, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), form->StyleList);
    QTest::keyClick(form->StyleList, Qt::Key_Delete);
    QVERIFY(FindCvNode(*form, 0, 1) != nullptr);
    QVERIFY(!form->UndoStyle->isEnabled());
    QTest::keyClick(form->StyleList, Qt::Key_Tab);
    QTest::keyClick(form->StyleTree, Qt::Key_Delete);
    QVERIFY(FindCvNode(*form, 0, 1) == nullptr);
}

QString TForm2AccessTest::FocusShown(const TForm2& form)
{
    QWidget* focus = QApplication::focusWidget();
    const auto* ring = form.findChild<TFocusRing*>();
    if (focus == nullptr || ring == nullptr || !ring->isVisible() || ring->parentWidget() == nullptr)
        return "focus not shown";
    const QRect around(ring->mapToGlobal(QPoint(0, 0)), ring->size());
    const QRect widget(focus->mapToGlobal(QPoint(0, 0)), focus->size());
    return around.contains(widget) && around != widget ? focus->objectName() : "focus not shown";
}

void TForm2AccessTest::tabMovesThroughTheTreesAndTheTempo_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("testPlay");
    QTest::addColumn<QStringList>(
        "order"); // from the style tree, where the chord variation's click leaves it
    QTest::newRow("new-format style") << 1 << false << QStringList({"StyleTree", "StyleList", "StyleTree"});
    // The version box of an old-format style comes after the tempo field.
    QTest::newRow("old-format style, test play")
        << 2 << true << QStringList({"StyleTree", "TempoEdit", "RyVersion", "StyleList", "StyleTree"});
}

void TForm2AccessTest::tabMovesThroughTheTreesAndTheTempo()
{
    QFETCH(int, style);
    QFETCH(bool, testPlay);
    QFETCH(QStringList, order);
    const auto form = MakeForm();
    SelectStyle(*form, style);
    ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    if (testPlay)
        QTest::keySequence(form.get(), QKeySequence("Ctrl+Space"));
    QStringList visited{FocusShown(*form)};
    while (visited.size() < order.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << FocusShown(*form);
    }
    QCOMPARE(visited, order);
}

void TForm2AccessTest::helpPanelKeepsTheKeysWhileShown()
{
    const auto form = MakeForm();
    OpenBank(*form);
    QCOMPARE(FocusShown(*form), QString("StyleList"));
    QTest::keyClick(form.get(), Qt::Key_F1);
    QVERIFY(form->HelpPanel->isVisible());
    QStringList visited{FocusShown(*form)};
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        visited << FocusShown(*form);
    }
    QCOMPARE(visited, QStringList({"Memo1", "GotoWeb", "Memo1", "GotoWeb"}));
    QTest::keyClick(form->HelpPanel->GotoWeb, Qt::Key_Return);
    QCOMPARE(web.Addresses, QStringList(TForm2::WebAddress()));
    QTest::keyClick(form.get(), Qt::Key_F1);
    QVERIFY(form->HelpPanel->isHidden());
    QCOMPARE(FocusShown(*form), QString("StyleList"));
}

QTEST_MAIN(TForm2AccessTest)
#include "TForm2AccessTest.moc"
