#include "analysis/ui/results/frequencytablemodel.h"

#include "analysis/engine/frequencytable.h"
#include "analysis/report/tabletext.h"
#include "localization/translation.h"

FrequencyTableModel::FrequencyTableModel(const QString& itemHeader, bool characters,
                                         QObject* parent)
    : QAbstractTableModel(parent), headers_{itemHeader, translateText("Occurrence"),
                                            QStringLiteral("%")},
      characters_(characters) {}

void FrequencyTableModel::setTable(const FrequencyTable* table) {
    beginResetModel();
    table_ = table;
    order_.reset();
    locale_ = QLocale();
    endResetModel();
}

int FrequencyTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return table_ ? table_->itemCount() : 1;
}

int FrequencyTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FrequencyTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole && index.column() != ItemColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (!table_) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const int item = order_.item(index.row());
    if (role == Qt::UserRole) return QVariant::fromValue(qulonglong(table_->count(item)));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case ItemColumn:
        if (!characters_) return table_->key(item);
        return role == Qt::ToolTipRole ? AnalysisText::characterName(table_->key(item))
                                       : AnalysisText::visibleCharacter(table_->key(item));
    case CountColumn:
        return QString::number(table_->count(item));
    default:
        return FrequencyText::percentText(*table_, item, locale_);
    }
}

void FrequencyTableModel::sort(int column, Qt::SortOrder order) {
    if (!table_) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const bool descending = order == Qt::DescendingOrder;
    if (column == ItemColumn)
        order_.byItem(table_->itemCount(), descending);
    else
        order_.byCount(table_->itemCount(), descending, [this](int i) { return table_->count(i); });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FrequencyTableModel::restoreOrder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_.reset();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant FrequencyTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section >= 0 && section < ColumnCount ? headers_[section] : QString();
}
