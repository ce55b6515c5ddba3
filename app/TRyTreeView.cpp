// A tree that reports a coming change of its current node.
#include "app/TRyTreeView.h"

#include <QItemSelectionModel>
#include <QTreeWidgetItemIterator>

// Every change of the current node, from code or from the user, passes setCurrentIndex; announcing it
// there gives the window its "before" hook while the old node is still current.
class TRyTreeView::CSelectionModel : public QItemSelectionModel {
public:
    CSelectionModel(QAbstractItemModel* model, TRyTreeView* view_) : QItemSelectionModel(model), view(view_) {}

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index != currentIndex())
            emit view->Changing();
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    TRyTreeView* view;
};

TRyTreeView::TRyTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QItemSelectionModel* old = selectionModel();
    setSelectionModel(new CSelectionModel(model(), this));
    delete old;
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { emit Changed(current); });
}

void TRyTreeView::SelectNode(QTreeWidgetItem* item)
{
    if (item == nullptr) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
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
