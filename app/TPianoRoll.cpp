// The piano roll panel.
#include "app/TPianoRoll.h"

#include "app/CLook.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int kFontPixels = 11;
constexpr double kOutlineWidth = 1.5;
constexpr int kCursorWidth = 2;

QColor Colour(const CRollColour& colour, double opacity = 1)
{
    QColor result(colour.r, colour.g, colour.b);
    result.setAlphaF(static_cast<float>(opacity));
    return result;
}

QRectF Rect(const CRollRect& rect)
{
    return {rect.x, rect.y, rect.w, rect.h};
}

void DrawLabel(QPainter& painter, const CRollLabel& label)
{
    const Qt::Alignment align = (label.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    painter.drawText(Rect(label.box), static_cast<int>(align), QString::fromStdString(label.text));
}

void DrawGrid(QPainter& painter, const CRollLayout& layout)
{
    for (const CRollRect& row : layout.BlackRows())
        painter.fillRect(Rect(row), Colour(CRollLayout::BlackRow));
    const CRollRect& plot = layout.Plot();
    for (const CRollGridLine& line : layout.GridLines()) {
        painter.setPen(Colour(line.measure ? CRollLayout::MeasureLine : CRollLayout::BeatLine));
        painter.drawLine(QLineF(line.x, plot.y, line.x, plot.y + plot.h));
    }
}

void DrawNotes(QPainter& painter, const CRollLayout& layout)
{
    const QPen outline(Colour(CRollLayout::Outside), kOutlineWidth);
    for (const CRollNoteBox& box : layout.NoteBoxes()) {
        const CRollNote& roll = layout.Content().notes[box.note];
        painter.fillRect(Rect(box.box), Colour(CRollLayout::TrackColour(roll.note.track), box.opacity));
        if (roll.outsideRange) {
            painter.setPen(outline);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(Rect(box.box));
        }
    }
}

} // namespace

TPianoRoll::TPianoRoll(QWidget* parent) : QWidget(parent)
{
    setObjectName("PianoRoll");
    setFont(CLook::Styled(font(), kFontPixels, false));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPianoRoll::~TPianoRoll() = default;

void TPianoRoll::ShowNode(CNstEditIfc& style, const CExtProgList& programs, int element, int cv, int track)
{
    const std::optional<CRollContent> read = CRollNotes::Read(style, programs, element, cv, track);
    if (read)
        ShowContent(*read);
    else
        Clear(UnreadableText);
}

void TPianoRoll::ShowContent(const CRollContent& shown)
{
    layout.reset(); // it refers to the content replaced here
    content = std::make_unique<CRollContent>(shown);
    emptyText.clear();
    Relayout();
}

void TPianoRoll::Clear(const QString& text)
{
    layout.reset();
    content.reset();
    emptyText = text;
    update();
}

void TPianoRoll::Relayout()
{
    if (content)
        layout = std::make_unique<CRollLayout>(*content, width(), height());
    update();
}

QString TPianoRoll::ToolTipAt(const QPoint& pos) const
{
    if (!layout)
        return {};
    const int note = layout->NoteAt(pos.x() + 0.5, pos.y() + 0.5);
    return note < 0 ? QString() : QString::fromStdString(layout->NoteText(static_cast<size_t>(note)));
}

void TPianoRoll::SetCursorTick(int tick)
{
    const int shown = tick < 0 ? -1 : tick;
    if (shown == cursorTick)
        return;
    update(CursorStrip(cursorTick));
    cursorTick = shown;
    update(CursorStrip(cursorTick));
}

QRect TPianoRoll::CursorStrip(int tick) const
{
    if (!layout || tick < 0 || static_cast<uint32_t>(tick) > layout->EndTick())
        return {};
    const auto x = static_cast<int>(layout->X(tick));
    return {x - kCursorWidth, 0, 2 * kCursorWidth + 1, height()};
}

QSize TPianoRoll::sizeHint() const
{
    return {480, 240};
}

QSize TPianoRoll::minimumSizeHint() const
{
    return {160, 100};
}

bool TPianoRoll::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void TPianoRoll::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Colour(CRollLayout::Background));
    painter.setPen(Colour(CRollLayout::Text));
    if (!layout) {
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, emptyText);
        return;
    }
    DrawGrid(painter, *layout);
    DrawNotes(painter, *layout);
    for (const CRollLegendEntry& entry : layout->Legend())
        painter.fillRect(Rect(entry.swatch), Colour(CRollLayout::TrackColour(entry.track)));
    painter.setPen(Colour(CRollLayout::Text));
    for (const CRollLegendEntry& entry : layout->Legend())
        DrawLabel(painter, entry.name);
    for (const CRollLabel& label : layout->Labels())
        DrawLabel(painter, label);
    if (!CursorStrip(cursorTick).isEmpty()) {
        const double x = layout->X(cursorTick);
        painter.setPen(QPen(Colour(CRollLayout::Cursor), kCursorWidth));
        painter.drawLine(QLineF(x, layout->Plot().y, x, layout->Plot().y + layout->Plot().h));
    }
}

void TPianoRoll::resizeEvent(QResizeEvent*)
{
    // A widget resized before it is shown gets the event later, at the size it already has.
    if (layout && layout->Width() == width() && layout->Height() == height())
        return;
    Relayout();
}
