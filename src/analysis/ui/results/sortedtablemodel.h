#pragma once

#include "analysis/ui/results/roworder.h"

#include <QAbstractTableModel>

#include <vector>

// A table whose rows show in the table's own order or sorted by a column:
// the first column is the item, whose order is the table's or its reverse;
// the others sort by the item's count.
class SortedTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Puts the table's own order back.
    void restoreOrder();
    // The table's item shown in a row, and all of them in the order shown
    // (empty in the table's order).
    int itemAt(int row) const { return order_.item(row); }
    const std::vector<int>& shownOrder() const { return order_.items(); }

protected:
    virtual int itemCount() const = 0;
    virtual unsigned long long countOf(int item) const = 0;
    // For a new table, inside a model reset.
    void forgetOrder() { order_.reset(); }

private:
    RowOrder order_;
};
