#include "analysis/ui/results/sortedtablemodel.h"

void SortedTableModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const bool descending = order == Qt::DescendingOrder;
    if (column == 0)
        order_.byItem(itemCount(), descending);
    else
        order_.byCount(itemCount(), descending, [this](int item) { return countOf(item); });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SortedTableModel::restoreOrder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_.reset();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
