// A label that reports mouse presses and clicks, for the framed-text buttons and links of the windows.
#pragma once

#include <QLabel>

class TClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClickLabel(QWidget* parent = nullptr);

Q_SIGNALS:
    // A mouse button went down over the label.
    void pressed();
    // A mouse button went down and came up again over the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool down = false;
};
