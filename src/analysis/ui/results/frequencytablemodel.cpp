#include "analysis/ui/results/frequencytablemodel.h"

#include "analysis/engine/frequencytable.h"
#include "analysis/report/tabletext.h"
#include "localization/translation.h"

FrequencyTableModel::FrequencyTableModel(const QString& itemHeader, bool characters,
                                         QObject* parent)
    : SortedTableModel(parent), headers_{itemHeader, translateText("Occurrence"),
                                         QStringLiteral("%")},
      characters_(characters) {}

void FrequencyTableModel::setTable(const FrequencyTable* table) {
    beginResetModel();
    table_ = table;
    forgetOrder();
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
    const int item = itemAt(index.row());
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

int FrequencyTableModel::itemCount() const {
    return table_ ? table_->itemCount() : 0;
}

unsigned long long FrequencyTableModel::countOf(int item) const {
    return table_->count(item);
}

QVariant FrequencyTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section >= 0 && section < ColumnCount ? headers_[section] : QString();
}
