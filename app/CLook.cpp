// Shared looks of the program's own windows.
#include "app/CLook.h"

#include <QWidget>

void CLook::UseTooltipColours(QWidget& widget)
{
    QPalette colours = widget.palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    widget.setPalette(colours);
    widget.setAutoFillBackground(true);
}

QFont CLook::Styled(QFont base, int pixelSize, bool bold, bool italic, bool underline)
{
    if (pixelSize > 0)
        base.setPixelSize(pixelSize);
    base.setBold(bold);
    base.setItalic(italic);
    base.setUnderline(underline);
    return base;
}
