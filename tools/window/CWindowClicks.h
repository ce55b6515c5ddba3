// Real mouse clicks on the main window's trees, for the window tests and the screenshot.
#pragma once

#include "app/TForm2.h"
#include "app/TRyTreeView.h"

#include <QTest>
#include <functional>

class CWindowClicks {
public:
    // Moves the mouse to the middle of `node`'s label, scrolling it into view first, and clicks the left
    // button there.
    static void ClickNode(TRyTreeView& tree, QTreeWidgetItem* node, Qt::KeyboardModifiers keys = {})
    {
        tree.scrollToItem(node);
        const QPoint middle = tree.visualItemRect(node).center();
        QTest::mouseMove(tree.viewport(), middle);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, keys, middle);
    }

    // The first style tree node in walk order whose data `match` accepts, or null.
    static TStyleTreeItem* FindNode(const TForm2& form, const std::function<bool(const TTreeData&)>& match)
    {
        for (int i = 0; QTreeWidgetItem* node = form.StyleTree->NodeAt(i); ++i) {
            auto* item = static_cast<TStyleTreeItem*>(node);
            if (match(item->data))
                return item;
        }
        return nullptr;
    }
};
