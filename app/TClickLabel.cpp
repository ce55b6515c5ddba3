// A label that reports mouse presses and clicks.
#include "app/TClickLabel.h"

#include <QMouseEvent>
#include <utility>

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {}

void TClickLabel::mousePressEvent(QMouseEvent* event)
{
    down = true;
    event->accept();
    Q_EMIT pressed();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool inside = rect().contains(event->position().toPoint());
    if (std::exchange(down, false) && inside)
        Q_EMIT clicked();
}
