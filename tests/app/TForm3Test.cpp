// The splash window closes itself.
#include "app/TForm3.h"

#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

class TForm3Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closesItself2500msAfterCreation();
};

void TForm3Test::closesItself2500msAfterCreation()
{
    QWidget main;
    QElapsedTimer clock;
    clock.start();
    TForm3 splash(&main);
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTest::qWait(500);
    splash.show();
    QVERIFY(splash.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
    QVERIFY2(clock.elapsed() >= 2500, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TForm3Test)
#include "TForm3Test.moc"
