// A label that reports mouse presses and clicks.
#include "app/TClickLabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

namespace {

// The label as the accessibility bus sees it: its role, its text as its name, and a press action.
class CAccessibleClickLabel final : public QAccessibleWidget {
public:
    explicit CAccessibleClickLabel(TClickLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override { return Label()->AccessibleRole(); }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && Label()->accessibleName().isEmpty())
            return Label()->text();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            Label()->Click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TClickLabel* Label() const { return static_cast<TClickLabel*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(TClickLabel::staticMetaObject.className()) && object->isWidgetType())
        return new CAccessibleClickLabel(static_cast<TClickLabel*>(object));
    return nullptr;
}

} // namespace

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
}

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

void TClickLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        Click();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}
