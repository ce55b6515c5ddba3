// A tree that reports each change of its current node in two steps.
#include "app/TRyTreeView.h"

#include "app/CIconFactory.h"

#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QTreeWidgetItemIterator>
#include <algorithm>

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
    // A mouse press makes a node current before it selects it, and a tree that gets the focus without a
    // current node makes its first node current without selecting it: the node is selected here first,
    // so that the handlers see the selection the user is about to see.
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                if (current != nullptr && !current->isSelected())
                    selectionModel()->select(currentIndex(),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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

// Sizes

namespace {

// What the style needs for one label with its icon, as the tree's delegate asks it.
QSize LabelSize(const QStyleOptionViewItem& base, const QString& text, const QWidget* tree)
{
    QStyleOptionViewItem option = base;
    option.text = text;
    option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    return tree->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), tree);
}

} // namespace

int TRyTreeView::WidthFor(const QList<QStringList>& labels) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    for (qsizetype depth = 0; depth < labels.size(); ++depth) {
        const int indent = indentation() * (static_cast<int>(depth) + (rootIsDecorated() ? 1 : 0));
        for (const QString& text : labels[depth])
            widest = std::max(widest, indent + LabelSize(option, text, this).width());
    }
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    return widest + scrollBar + 2 * frameWidth();
}

int TRyTreeView::HeightFor(int rows) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return rows * LabelSize(option, "Ag", this).height() + 2 * frameWidth();
}

QItemSelectionModel::SelectionFlags TRyTreeView::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags command = QTreeWidget::selectionCommand(index, event);
    if (command.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return command;
}

bool TRyTreeView::LabelCut(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect place = visualRect(index);
    option.rect = place;
    const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return place.x() + needed > std::min(place.x() + place.width(), viewport()->width());
}

bool TRyTreeView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid() && LabelCut(index)) {
            QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), visualRect(index));
            return true;
        }
    }
    return QTreeWidget::viewportEvent(event);
}

// Node images

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
