// The message and question dialog: buttons, results and its look.
#include "app/TRyGeneralDlg.h"

#include "app/CMessageDialog.h"
#include "app/TClickLabel.h"
#include "app/TFocusRing.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

class TRyGeneralDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsOnlyButtonsWithText_data();
    void showsOnlyButtonsWithText();
    void clickingAButtonEndsWithItsResult_data();
    void clickingAButtonEndsWithItsResult();
    void hasNoTitleBarAndIgnoresEscape();
    void pressingAButtonGreysIt();
    void showsEveryTextWhole_data();
    void showsEveryTextWhole();
    void realShowDialogReturnsTheClickedButton();
    void keysAnswerWithTheFocusedButton_data();
    void keysAnswerWithTheFocusedButton();
    void busReadsTheTextsAndPressesTheButtons();
};

namespace {

TClickLabel* Button(TRyGeneralDlg& dialog, const QString& name)
{
    return dialog.findChild<TClickLabel*>(name);
}

} // namespace

void TRyGeneralDlgTest::showsOnlyButtonsWithText_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("right");
    QTest::newRow("message") << ""
                             << "OK"
                             << "";
    QTest::newRow("yes/no question") << "Yes"
                                     << ""
                                     << "No";
    QTest::newRow("three answers") << "Replace"
                                   << "Merge"
                                   << "Cancel";
}

void TRyGeneralDlgTest::showsOnlyButtonsWithText()
{
    QFETCH(QString, left);
    QFETCH(QString, middle);
    QFETCH(QString, right);
    TRyGeneralDlg dialog(nullptr, "Caption", "Text", left, middle, right);
    dialog.show();
    QCOMPARE(dialog.ButtonYes->isVisible(), !left.isEmpty());
    QCOMPARE(dialog.ButtonNo->isVisible(), !middle.isEmpty());
    QCOMPARE(dialog.ButtonCancel->isVisible(), !right.isEmpty());
    QCOMPARE(dialog.ButtonYes->text(), left);
    QCOMPARE(dialog.ButtonNo->text(), middle);
    QCOMPARE(dialog.CaptionLabel->text(), QString("Caption"));
    QCOMPARE(dialog.TextLabel->text(), QString("Text"));
    // The middle place stays where it is whether or not the others are shown.
    TRyGeneralDlg full(nullptr, "Caption", "Text", "Yes", "OK", "No");
    full.show();
    QCOMPARE(dialog.size(), full.size());
    QCOMPARE(dialog.ButtonNo->geometry(), full.ButtonNo->geometry());
    QVERIFY(full.ButtonYes->geometry().right() < full.ButtonNo->geometry().left());
    QVERIFY(full.ButtonNo->geometry().right() < full.ButtonCancel->geometry().left());
}

void TRyGeneralDlgTest::clickingAButtonEndsWithItsResult_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<int>("result");
    QTest::newRow("OK only") << ""
                             << "OK"
                             << ""
                             << "ButtonNo" << 7;
    QTest::newRow("Yes") << "Yes"
                         << ""
                         << "No"
                         << "ButtonYes" << 6;
    QTest::newRow("No") << "Yes"
                        << ""
                        << "No"
                        << "ButtonCancel" << 2;
}

void TRyGeneralDlgTest::clickingAButtonEndsWithItsResult()
{
    QFETCH(QString, left);
    QFETCH(QString, middle);
    QFETCH(QString, right);
    QFETCH(QString, clicked);
    QFETCH(int, result);
    TRyGeneralDlg dialog(nullptr, "Caption", "Text", left, middle, right);
    dialog.open();
    QTest::mouseClick(Button(dialog, clicked), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
}

void TRyGeneralDlgTest::hasNoTitleBarAndIgnoresEscape()
{
    TRyGeneralDlg dialog(nullptr, "Caption", "Text", "", "OK", "");
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    QVERIFY(dialog.isVisible());
    // A press that is released outside the framed text is no click.
    QTest::mousePress(dialog.ButtonNo, Qt::LeftButton);
    QTest::mouseRelease(dialog.ButtonNo, Qt::LeftButton, {}, QPoint(-5, -5));
    QVERIFY(dialog.isVisible());
}

void TRyGeneralDlgTest::pressingAButtonGreysIt()
{
    TRyGeneralDlg dialog(nullptr, "Caption", "Text", "Yes", "", "No");
    dialog.open();
    const QColor before = dialog.ButtonYes->palette().color(QPalette::Window);
    QTest::mousePress(dialog.ButtonYes, Qt::LeftButton);
    QVERIFY(dialog.ButtonYes->autoFillBackground());
    QVERIFY(dialog.ButtonYes->palette().color(QPalette::Window) != before);
    QVERIFY(dialog.isVisible());
}

void TRyGeneralDlgTest::showsEveryTextWhole_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("buttons"); // left, middle, right
    QTest::newRow("upgrade") << "Import Style from SMF"
                             << "'f3cv1.mid'  is a new Ry version style element. Style version has been "
                                "upgraded!"
                             << QStringList({"", "OK", ""});
    QTest::newRow("duplicate") << "Import Style from SMF"
                               << "Warning! 'take2_f3cv1.mid' is a duplicate - Initialize/Keep Track "
                                  "Parameters?"
                               << QStringList({"Initialize", "Keep", "Skip CV"});
    QTest::newRow("two lines") << "Style corrupt"
                               << "Style corrupt - Error!\nThe Drum pattern of Variation 1, Chord Var 1 "
                                  "cannot be read."
                               << QStringList({"", "OK", ""});
    QTest::newRow("a name without blanks")
        << "Import Chord Variation from SMF"
        << "'a_very_long_file_name_without_any_blank_in_it_v1cv1.mid'  is not a valid standard name!"
        << QStringList({"", "OK", ""});
    QTest::newRow("replace or merge")
        << "Import Style from SMF"
        << "Replace current style or merge with SMF files?" << QStringList({"Replace", "Merge", "Cancel"});
}

void TRyGeneralDlgTest::showsEveryTextWhole()
{
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(QStringList, buttons);
    TRyGeneralDlg dialog(nullptr, caption, text, buttons[0], buttons[1], buttons[2]);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QLabel* label : {dialog.CaptionLabel, dialog.TextLabel}) {
        const QRect room = label->contentsRect();
        // Wrapped at the label's width, the lines need no more height than the label has, and no word is
        // wider than the label.
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000),
                                                               Qt::TextWordWrap, label->text());
        QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                 qPrintable(label->text()));
        QVERIFY(dialog.rect().contains(QRect(label->mapTo(&dialog, QPoint(0, 0)), label->size())));
    }
    for (TClickLabel* button : {dialog.ButtonYes, dialog.ButtonNo, dialog.ButtonCancel})
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->contentsRect().width(),
                 qPrintable(button->text()));
}

void TRyGeneralDlgTest::realShowDialogReturnsTheClickedButton()
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TRyGeneralDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QTest::mouseClick(dialog->ButtonCancel, Qt::LeftButton);
    });
    CRyMessageDialog real;
    QCOMPARE(real.Show(nullptr, "Some Style modified", "Ignore changes ?", "", "Yes", "No"), 2);
}

void TRyGeneralDlgTest::keysAnswerWithTheFocusedButton_data()
{
    QTest::addColumn<QStringList>("buttons"); // left, middle, right
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("result");
    // A Yes/No question starts on no button: either answer may drop changes, so Return alone is no answer.
    QTest::newRow("Return alone answers no Yes/No question")
        << QStringList({"Yes", "", "No"}) << QList<int>{Qt::Key_Return, Qt::Key_Enter} << -1;
    QTest::newRow("Yes with Tab and Space")
        << QStringList({"Yes", "", "No"}) << QList<int>{Qt::Key_Tab, Qt::Key_Space} << 6;
    // Tab passes over the hidden middle button.
    QTest::newRow("No with Tab, Tab and Enter")
        << QStringList({"Yes", "", "No"}) << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Enter} << 2;
    // Three answers start on the middle one; Tab runs on from the right one to the left one.
    QTest::newRow("Merge with Return")
        << QStringList({"Replace", "Merge", "Cancel"}) << QList<int>{Qt::Key_Return} << 7;
    QTest::newRow("Replace, round from Merge") << QStringList({"Replace", "Merge", "Cancel"})
                                               << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return} << 6;
    QTest::newRow("Cancel, back from Merge")
        << QStringList({"Replace", "Merge", "Cancel"})
        << QList<int>{Qt::Key_Backtab, Qt::Key_Backtab, Qt::Key_Space} << 2;
}

void TRyGeneralDlgTest::keysAnswerWithTheFocusedButton()
{
    QFETCH(QStringList, buttons);
    QFETCH(QList<int>, keys);
    QFETCH(int, result);
    TRyGeneralDlg dialog(nullptr, "Caption", "Text", buttons[0], buttons[1], buttons[2]);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (int key : keys) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus == &dialog || (focus != nullptr && dialog.isAncestorOf(focus)));
        // The focus shows: the ring lies around the focused button.
        const auto* ring = dialog.findChild<TFocusRing*>();
        QVERIFY(ring != nullptr);
        if (focus != &dialog)
            QVERIFY(ring->isVisible() && ring->geometry().contains(focus->geometry()));
        QTest::keyClick(focus, Qt::Key(key));
    }
    QCOMPARE(dialog.isVisible(), result < 0);
    if (result >= 0)
        QCOMPARE(dialog.result(), result);
}

void TRyGeneralDlgTest::busReadsTheTextsAndPressesTheButtons()
{
    TRyGeneralDlg dialog(nullptr, "Some Style modified", "Ignore changes ?", "Yes", "", "No");
    dialog.open();
    QAccessibleInterface* bus = QAccessible::queryAccessibleInterface(&dialog);
    QCOMPARE(bus->role(), QAccessible::Dialog);
    QCOMPARE(bus->text(QAccessible::Name), QString("Some Style modified"));
    QStringList texts, buttons;
    QAccessibleInterface* no = nullptr;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (node->role() == QAccessible::StaticText)
            texts << node->text(QAccessible::Name);
        if (node->role() == QAccessible::Button && !node->state().invisible)
            buttons << node->text(QAccessible::Name);
        if (node->text(QAccessible::Name) == "No")
            no = node;
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(bus);
    QCOMPARE(texts, QStringList({"Some Style modified", "Ignore changes ?"}));
    QCOMPARE(buttons, QStringList({"Yes", "No"}));
    QVERIFY(no != nullptr && no->actionInterface() != nullptr);
    no->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 2);
}

QTEST_MAIN(TRyGeneralDlgTest)
#include "TRyGeneralDlgTest.moc"
