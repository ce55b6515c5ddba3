// The splash window.
#include "app/TForm3.h"

#include "app/CIconFactory.h"

#include <QLabel>
#include <QTimer>

TForm3::TForm3(QWidget* mainWindow_)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      mainWindow(mainWindow_)
{
    setObjectName("Form3");
    setFixedSize(240, 169);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(1, 1, 238, 167);
    Image1->setPixmap(CIconFactory::SplashPicture());

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(SplashMilliseconds);
    // A coarse timer may fire up to 5% early; the splash stays its full time.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TForm3::Timer1Timer);
    Timer1->start();
}

void TForm3::showEvent(QShowEvent* event)
{
    if (mainWindow != nullptr)
        move(mainWindow->geometry().center() - rect().center());
    QWidget::showEvent(event);
}

void TForm3::Timer1Timer()
{
    hide();
}
