// Shared looks of the program's own windows: tooltip-coloured panels and fonts.
#pragma once

#include <QFont>

class QWidget;

class CLook {
public:
    // Gives `widget` the system's tooltip background and text colours and fills its background.
    static void UseTooltipColours(QWidget& widget);
    // `base` with its style changed; a `pixelSize` of 0 keeps the size.
    static QFont Styled(QFont base, int pixelSize, bool bold, bool italic = false, bool underline = false);
};
