// The program's own pictures, painted at run time: node images, tool button icons, splash and window.
#pragma once

#include <QIcon>
#include <QPixmap>

class CIconFactory {
public:
    // Node images of both trees, by index: 0 style, 1 element, 2 chord variation, 3 track, 4 bank,
    // 5 selected style, 6 style changed and written back since the bank was opened or saved.
    static constexpr int NodeImageCount = 7;
    enum class Tool { Open, Save, ImportAll, ImportOne, ImportMidi, Export, Delete, Undo, Play, Help, Stop };

    // A 16 x 16 node image; `index` must be below NodeImageCount.
    static QPixmap NodeImage(int index);
    // An icon showing node image `normal`, and `selected` while its node is selected.
    static QIcon NodeIcon(int normal, int selected);
    // The 16 x 16 icon of a tool button (Stop is the media panel's stop picture).
    static QIcon ToolIcon(Tool tool);
    // The 238 x 167 splash picture.
    static QPixmap SplashPicture();
    // The window icon, in 16, 32 and 48 pixels.
    static QIcon WindowIcon();
    // The window icon's picture at `size` x `size` pixels, for the desktop's icon theme as well.
    static QPixmap WindowPicture(int size);
};
