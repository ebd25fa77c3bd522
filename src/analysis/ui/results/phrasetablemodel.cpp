#include "analysis/ui/results/phrasetablemodel.h"

#include "analysis/engine/phrasetable.h"
#include "localization/translation.h"

PhraseTableModel::PhraseTableModel(const QString& phraseHeader, QObject* parent)
    : QAbstractTableModel(parent), headers_{phraseHeader, translateText("Occurrence")} {}

void PhraseTableModel::setTable(const PhraseTable* table) {
    beginResetModel();
    table_ = table;
    order_.reset();
    endResetModel();
}

int PhraseTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : table_->itemCount();
}

int PhraseTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PhraseTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !table_) return {};
    if (role == Qt::TextAlignmentRole && index.column() == CountColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    const int item = order_.item(index.row());
    if (role == Qt::UserRole) return QVariant::fromValue(qulonglong(table_->count(item)));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return index.column() == PhraseColumn ? table_->phrase(item)
                                          : QString::number(table_->count(item));
}

void PhraseTableModel::sort(int column, Qt::SortOrder order) {
    if (!table_) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const bool descending = order == Qt::DescendingOrder;
    if (column == PhraseColumn)
        order_.byItem(table_->itemCount(), descending);
    else
        order_.byCount(table_->itemCount(), descending, [this](int i) { return table_->count(i); });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PhraseTableModel::restoreOrder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_.reset();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant PhraseTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section >= 0 && section < ColumnCount ? headers_[section] : QString();
}
