// A tree that reports each change of its current node in two steps.
#include "app/TRyTreeView.h"

#include "app/CIconFactory.h"

#include <QTreeWidgetItemIterator>

namespace {

// Where a node keeps the index of its normal image, so that the window can read its marks back.
constexpr int ImageRole = Qt::UserRole + 1;

} // namespace

TRyTreeView::TRyTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The toolkit has no signal before a move; both steps run here, synchronously, in their order.
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                Q_EMIT Changing(previous);
                Q_EMIT Changed(current);
            });
}

void TRyTreeView::SelectNode(QTreeWidgetItem* item)
{
    if (item == nullptr) {
        setCurrentItem(nullptr);
        clearSelection();
        return;
    }
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect);
}

QTreeWidgetItem* TRyTreeView::NodeAt(int index) const
{
    if (index < 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<TRyTreeView*>(this)); *it != nullptr; ++it) {
        if (index-- == 0)
            return *it;
    }
    return nullptr;
}

int TRyTreeView::IndexOf(const QTreeWidgetItem* item) const
{
    int index = 0;
    for (QTreeWidgetItemIterator it(const_cast<TRyTreeView*>(this)); *it != nullptr; ++it, ++index) {
        if (*it == item)
            return index;
    }
    return -1;
}

void TRyTreeView::SetImages(QTreeWidgetItem* item, int normal, int selected)
{
    item->setIcon(0, CIconFactory::NodeIcon(normal, selected));
    item->setData(0, ImageRole, normal);
}

int TRyTreeView::Image(const QTreeWidgetItem* item)
{
    const QVariant image = item->data(0, ImageRole);
    return image.isValid() ? image.toInt() : -1;
}
