// Pictures of the program, drawn with QPainter so that no image files need to be shipped.
#include "app/CIconFactory.h"

#include "app/CLook.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <functional>

namespace {

constexpr int IconSize = 16;

QPixmap Paint(int width, int height, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

// An eighth note with its head centred at (x, y), scaled by `s`.
void DrawNote(QPainter& p, qreal x, qreal y, qreal s, const QColor& colour)
{
    p.setPen(QPen(colour, 1.2 * s));
    p.setBrush(colour);
    p.drawEllipse(QPointF(x, y), 2.2 * s, 1.7 * s);
    p.drawLine(QPointF(x + 2 * s, y), QPointF(x + 2 * s, y - 8 * s));
    p.drawLine(QPointF(x + 2 * s, y - 8 * s), QPointF(x + 5 * s, y - 5 * s));
}

void DrawSheet(QPainter& p, const QRectF& r, const QColor& paper)
{
    p.setPen(QPen(QColor(70, 70, 90), 1));
    p.setBrush(paper);
    p.drawRect(r);
}

void DrawFloppy(QPainter& p, const QColor& body)
{
    p.setPen(QPen(body.darker(160), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(5, 10, 6, 4.5));
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * 1.5 << to - d * 3 + n * 3 << to - d * 3 - n * 3;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void DrawStyle(QPainter& p, const QColor& paper)
{
    DrawSheet(p, QRectF(2.5, 1.5, 11, 13), paper);
    DrawNote(p, 6.5, 11, 0.9, QColor(30, 40, 120));
}

const QColor Green(30, 150, 50);
const QColor Blue(40, 90, 200);

QPixmap DrawNodeImage(int index)
{
    return Paint(IconSize, IconSize, [index](QPainter& p) {
        switch (index) {
        case 0:
            DrawStyle(p, QColor(235, 240, 255));
            break;
        case 1: // element: a block of measures
            p.setPen(QPen(QColor(150, 80, 0), 1));
            p.setBrush(QColor(255, 180, 60));
            p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 2, 2);
            p.drawLine(QPointF(6, 3.5), QPointF(6, 12.5));
            p.drawLine(QPointF(10, 3.5), QPointF(10, 12.5));
            break;
        case 2: // chord variation: three stacked note heads
            p.setPen(Qt::NoPen);
            p.setBrush(Green);
            for (int i = 0; i < 3; ++i)
                p.drawEllipse(QPointF(8, 4 + 4 * i), 3, 2);
            break;
        case 3: // track: a row of notes on a line
            p.setPen(QPen(QColor(90, 90, 90), 1));
            p.drawLine(QPointF(1, 12.5), QPointF(15, 12.5));
            DrawNote(p, 5, 11, 0.8, Blue);
            DrawNote(p, 11, 11, 0.8, Blue);
            break;
        case 4:
            DrawFloppy(p, QColor(60, 90, 170));
            break;
        case 5:
            DrawStyle(p, QColor(255, 235, 120));
            break;
        case 6:
            DrawStyle(p, QColor(235, 240, 255));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 30, 30));
            p.drawEllipse(QPointF(12, 4), 3.2, 3.2);
            break;
        default:
            assert(false);
        }
    });
}

void DrawToolIcon(QPainter& p, CIconFactory::Tool tool)
{
    using Tool = CIconFactory::Tool;
    switch (tool) {
    case Tool::Open: {
        p.setPen(QPen(QColor(150, 110, 0), 1));
        p.setBrush(QColor(240, 200, 70));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        QPolygonF flap;
        flap << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5) << QPointF(1.5, 13.5);
        p.setBrush(QColor(255, 225, 120));
        p.drawPolygon(flap);
        break;
    }
    case Tool::Save:
        DrawFloppy(p, Blue);
        break;
    case Tool::ImportAll:
        DrawSheet(p, QRectF(5.5, 0.5, 9, 10), Qt::white);
        DrawSheet(p, QRectF(3.5, 2.5, 9, 10), Qt::white);
        DrawArrow(p, QPointF(3, 5), QPointF(3, 13), Green);
        break;
    case Tool::ImportOne:
        DrawSheet(p, QRectF(5.5, 1.5, 9, 11), Qt::white);
        DrawArrow(p, QPointF(3, 4), QPointF(3, 13), Green);
        break;
    case Tool::ImportMidi:
        DrawSheet(p, QRectF(5.5, 1.5, 9, 11), Qt::white);
        DrawNote(p, 9, 9, 0.7, Blue);
        DrawArrow(p, QPointF(3, 4), QPointF(3, 13), Green);
        break;
    case Tool::Export:
        DrawSheet(p, QRectF(1.5, 1.5, 9, 11), Qt::white);
        DrawArrow(p, QPointF(8, 11), QPointF(14, 5), Blue);
        break;
    case Tool::Delete:
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 3), QPointF(13, 13));
        p.drawLine(QPointF(13, 3), QPointF(3, 13));
        break;
    case Tool::Undo: {
        QPainterPath path;
        path.moveTo(4, 7);
        path.cubicTo(6, 2, 14, 3, 13, 9);
        path.cubicTo(12.5, 12, 10, 13.5, 7, 13.5);
        p.setPen(QPen(Blue, 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawPolygon(QPolygonF() << QPointF(1, 4) << QPointF(7, 4.5) << QPointF(3.5, 10));
        break;
    }
    case Tool::Play:
        p.setPen(QPen(Green.darker(140), 1));
        p.setBrush(Green);
        p.drawPolygon(QPolygonF() << QPointF(4, 2) << QPointF(14, 8) << QPointF(4, 14));
        break;
    case Tool::Help: {
        p.setPen(Qt::NoPen);
        p.setBrush(Blue);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setFont(CLook::Styled(QFont(), 12, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, "?");
        break;
    }
    case Tool::Stop:
        p.setPen(QPen(QColor(120, 20, 20), 1));
        p.setBrush(QColor(210, 40, 40));
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
        break;
    }
}

} // namespace

QPixmap CIconFactory::NodeImage(int index)
{
    assert(index >= 0 && index < NodeImageCount);
    return DrawNodeImage(index);
}

QIcon CIconFactory::NodeIcon(int normal, int selected)
{
    QIcon icon;
    icon.addPixmap(NodeImage(normal), QIcon::Normal);
    icon.addPixmap(NodeImage(selected), QIcon::Selected);
    return icon;
}

QIcon CIconFactory::ToolIcon(Tool tool)
{
    return QIcon(Paint(IconSize, IconSize, [tool](QPainter& p) { DrawToolIcon(p, tool); }));
}

QPixmap CIconFactory::SplashPicture()
{
    return Paint(238, 167, [](QPainter& p) {
        QLinearGradient sky(0, 0, 0, 167);
        sky.setColorAt(0, QColor(10, 20, 60));
        sky.setColorAt(1, Qt::black);
        p.fillRect(0, 0, 238, 167, sky);
        p.setPen(QPen(QColor(90, 110, 170), 1));
        for (int line = 0; line < 5; ++line)
            p.drawLine(QPointF(14, 100.5 + 6 * line), QPointF(224, 100.5 + 6 * line));
        const qreal heads[] = {118, 112, 106, 115, 109, 103, 121};
        for (int i = 0; i < 7; ++i)
            DrawNote(p, 34 + 28 * i, heads[i], 1.4, QColor(250, 210, 90));
        p.setFont(CLook::Styled(QFont(), 24, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 18, 238, 32), Qt::AlignCenter, "Ry7 Style Tool");
        p.setFont(CLook::Styled(QFont(), 12, false));
        p.setPen(QColor(180, 200, 255));
        p.drawText(QRectF(0, 52, 238, 18), Qt::AlignCenter, "Style to MIDI  -  MIDI to Style");
        p.drawText(QRectF(0, 142, 238, 18), Qt::AlignCenter, "v3.0.3");
    });
}

QIcon CIconFactory::WindowIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(WindowPicture(size));
    return icon;
}

QPixmap CIconFactory::WindowPicture(int size)
{
    return Paint(size, size, [size](QPainter& p) {
        p.scale(size / 16.0, size / 16.0);
        DrawFloppy(p, QColor(60, 90, 170));
        DrawNote(p, 7, 11.5, 0.7, QColor(250, 210, 90));
    });
}
