// The splash window: the splash picture on black, on top of the other windows, for a moment at start.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

class TForm3 : public QWidget {
    Q_OBJECT
public:
    static constexpr int SplashMilliseconds = 2500;

    // Creates the (hidden) splash, centred on `mainWindow` when shown; Timer1 starts running now, so
    // the splash closes itself 2500 ms after its creation however late it is shown.
    explicit TForm3(QWidget* mainWindow);

    QLabel* Image1;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Closes (hides) the splash; later ticks hide it again without effect.
    void Timer1Timer();

    QWidget* mainWindow;
};
