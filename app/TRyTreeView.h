// A tree that reports each change of its current node in two steps: the node being left, then the new one.
#pragma once

#include <QTreeWidget>

class TRyTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TRyTreeView(QWidget* parent = nullptr);

    // The selected node, however it was reached (mouse, keys, code): the current node, which the tree
    // always keeps selected. Null when there is none.
    QTreeWidgetItem* SelectedNode() const { return currentItem(); }
    // Makes `item` (may be null) the current and only selected node. Whenever the node differs from
    // the current one, Changing() and then Changed() are emitted before this returns; the user's clicks
    // and keys go the same way.
    void SelectNode(QTreeWidgetItem* item);
    // The node at `index` in the order of a full walk through the tree (the first root is 0), or null.
    QTreeWidgetItem* NodeAt(int index) const;
    // Position of `item` in the order of NodeAt(), or -1.
    int IndexOf(const QTreeWidgetItem* item) const;

    // Sizes
    // The width the tree needs to show every label of `labels` whole at its own indentation, font and
    // icons: labels[d] are the texts that can stand at depth d (0 = a root). Includes the frame and room
    // for a vertical scroll bar.
    int WidthFor(const QList<QStringList>& labels) const;
    // The height of `rows` rows of one-line labels with icons, frame included.
    int HeightFor(int rows) const;
    // What the tree asks of a layout before anything else is known; WidthFor() and HeightFor() give it.
    void SetPreferredSize(const QSize& size) { preferred = size; }
    QSize sizeHint() const override { return preferred.isValid() ? preferred : QTreeWidget::sizeHint(); }

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

protected:
    // A Ctrl click on the selected node keeps it selected: the current node is always the selected one.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    // Over a node whose label does not fit, the tool tip is the whole label; elsewhere the tree's hint.
    bool viewportEvent(QEvent* event) override;

private:
    // True when the label of the node at `index` is cut or hidden at the tree's current width.
    bool LabelCut(const QModelIndex& index) const;

    QSize preferred;
};
