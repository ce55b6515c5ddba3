// A tree that reports each change of its current node in two steps: the node being left, then the new one.
#pragma once

#include <QTreeWidget>

class TRyTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TRyTreeView(QWidget* parent = nullptr);

    // Makes `item` (may be null) the current and only selected node. Whenever the node differs from
    // the current one, Changing() and then Changed() are emitted before this returns; the user's clicks
    // and keys go the same way.
    void SelectNode(QTreeWidgetItem* item);
    // The node at `index` in the order of a full walk through the tree (the first root is 0), or null.
    QTreeWidgetItem* NodeAt(int index) const;
    // Position of `item` in the order of NodeAt(), or -1.
    int IndexOf(const QTreeWidgetItem* item) const;

    // Node images (CIconFactory::NodeImage indexes)
    // Shows image `normal`, and `selected` while the node is selected.
    static void SetImages(QTreeWidgetItem* item, int normal, int selected);
    // The normal image index last set on `item`; -1 when none was set.
    static int Image(const QTreeWidgetItem* item);

Q_SIGNALS:
    // The current node moves away from `leaving` (null when there was none). Handlers work on `leaving`
    // rather than on currentItem(), which is already the new node; the move is never refused.
    void Changing(QTreeWidgetItem* leaving);
    // The current node is now `item` (null when the tree became empty).
    void Changed(QTreeWidgetItem* item);
};
