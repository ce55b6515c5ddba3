// A ring around the focus widget of one window, drawn whatever the style draws, so that the keyboard's
// focus is always visible.
#pragma once

#include <QFocusFrame>

class TFocusRing : public QFocusFrame {
    Q_OBJECT
public:
    // Follows the focus inside `window` from now on, in the highlight colour; `window` owns the ring. The
    // ring is hidden while the focus is in another window or nowhere.
    explicit TFocusRing(QWidget* window);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow(QWidget* now);

    QWidget* window;
};
