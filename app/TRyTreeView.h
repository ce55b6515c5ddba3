// A tree that reports a coming change of its current node before the change, as well as after it.
#pragma once

#include <QTreeWidget>

class TRyTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TRyTreeView(QWidget* parent = nullptr);

    // Makes `item` (may be null) the current and only selected node. Changing() and then Changed()
    // are emitted before this returns, whenever the node differs from the current one; the user's
    // clicks and keys go the same way.
    void SelectNode(QTreeWidgetItem* item);
    // The node at `index` in the order of a full walk through the tree (the root is 0), or null.
    QTreeWidgetItem* NodeAt(int index) const;
    // Position of `item` in the order of NodeAt(), or -1.
    int IndexOf(const QTreeWidgetItem* item) const;

signals:
    // The current node is about to change; currentItem() is still the old node.
    void Changing();
    // The current node has changed to `item` (null when the tree became empty).
    void Changed(QTreeWidgetItem* item);

private:
    class CSelectionModel;
};
