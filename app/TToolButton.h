// A tool bar button that runs its command's action and tells which keys were held on the click.
#pragma once

#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QToolButton>

class TToolButton : public QToolButton {
public:
    using QToolButton::QToolButton;

    // The modifier keys held on the mouse click that is running the button's command right now; none
    // while the command runs from its shortcut, from the accessibility bus or from code.
    Qt::KeyboardModifiers ClickModifiers() const { return clickModifiers; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        // The click runs the command inside the release.
        const QScopedValueRollback during(clickModifiers, event->modifiers());
        QToolButton::mouseReleaseEvent(event);
    }

private:
    Qt::KeyboardModifiers clickModifiers;
};
