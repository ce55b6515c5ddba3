// The message and question dialog: buttons, results and its look.
#include "app/TRyGeneralDlg.h"

#include "app/CMessageDialog.h"
#include "app/TClickLabel.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

class TRyGeneralDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsOnlyButtonsWithText_data();
    void showsOnlyButtonsWithText();
    void clickingAButtonEndsWithItsResult_data();
    void clickingAButtonEndsWithItsResult();
    void hasNoTitleBarAndIgnoresEscape();
    void pressingAButtonGreysIt();
    void realShowDialogReturnsTheClickedButton();
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
    QCOMPARE(dialog.ButtonNo->geometry(), QRect(104, 104, 73, 19));
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
    QCOMPARE(dialog.size(), QSize(289, 145));
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

QTEST_MAIN(TRyGeneralDlgTest)
#include "TRyGeneralDlgTest.moc"
