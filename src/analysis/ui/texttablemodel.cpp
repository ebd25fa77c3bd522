#include "analysis/ui/texttablemodel.h"

#include "analysis/texttable.h"

TextTableModel::TextTableModel(int columns, bool headerRow, QStringList captions, int emptyRows,
                               QObject* parent)
    : QAbstractTableModel(parent), columns_(columns), headerRow_(headerRow),
      captions_(std::move(captions)), emptyRows_(emptyRows) {}

void TextTableModel::setTable(const TextTable* table) {
    beginResetModel();
    table_ = table;
    endResetModel();
}

int TextTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (!table_) return emptyRows_;
    return table_->rowCount() - (headerRow_ ? 1 : 0);
}

int TextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole && rightAligned_.contains(index.column()))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (!table_) return QString();
    return table_->cell(index.row() + (headerRow_ ? 1 : 0), index.column());
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (headerRow_ && table_ && table_->rowCount() > 0) return table_->cell(0, section);
    if (section < captions_.size()) return captions_[section];
    return QString();
}
