// A ring around the focus widget of one window.
#include "app/TFocusRing.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

TFocusRing::TFocusRing(QWidget* window_) : QFocusFrame(window_), window(window_)
{
    setObjectName("FocusRing");
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void TFocusRing::Follow(QWidget* now)
{
    setWidget(now != nullptr && now->window() == window ? now : nullptr);
}

void TFocusRing::paintEvent(QPaintEvent*)
{
    // The frame lies the style's focus margin around the widget and under it: only the ring shows, also
    // where the style gives the frame no mask.
    QPainter painter(this);
    const int h = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this);
    const int v = style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this);
    painter.setClipRegion(QRegion(rect()) - QRegion(rect().adjusted(h, v, -h, -v)));
    painter.fillRect(rect(), palette().color(QPalette::Highlight));
}
