#include "analysis/ui/results/phrasetablemodel.h"

#include "analysis/engine/phrasetable.h"
#include "localization/translation.h"

PhraseTableModel::PhraseTableModel(const QString& phraseHeader, QObject* parent)
    : SortedTableModel(parent), headers_{phraseHeader, translateText("Occurrence")} {}

void PhraseTableModel::setTable(const PhraseTable* table) {
    beginResetModel();
    table_ = table;
    forgetOrder();
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
    const int item = itemAt(index.row());
    if (role == Qt::UserRole) return QVariant::fromValue(qulonglong(table_->count(item)));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return index.column() == PhraseColumn ? table_->phrase(item)
                                          : QString::number(table_->count(item));
}

int PhraseTableModel::itemCount() const {
    return table_ ? table_->itemCount() : 0;
}

unsigned long long PhraseTableModel::countOf(int item) const {
    return table_->count(item);
}

QVariant PhraseTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section >= 0 && section < ColumnCount ? headers_[section] : QString();
}
