// A label that reports mouse presses and clicks, for the framed-text buttons and links of the windows.
#pragma once

#include <QAccessible>
#include <QLabel>

class TClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClickLabel(QWidget* parent = nullptr);

    // Reports a click as the mouse does; what the keys and the accessibility bus's press action run.
    void Click() { Q_EMIT clicked(); }

    // What the label is to the accessibility bus (a button unless set otherwise); its name there is its
    // text unless an accessible name is set, and it offers the press action.
    void SetAccessibleRole(QAccessible::Role role) { accessibleRole = role; }
    QAccessible::Role AccessibleRole() const { return accessibleRole; }

Q_SIGNALS:
    // A mouse button went down over the label.
    void pressed();
    // A mouse button went down and came up again over the label, or Space, Return or Enter was pressed
    // while the label had the focus.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool down = false;
    QAccessible::Role accessibleRole = QAccessible::Button;
};
