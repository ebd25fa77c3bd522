#include "analysis/ui/chart/legendmodel.h"

#include "analysis/ui/chart/pie3dwidget.h"

#include <QLocale>

LegendModel::LegendModel(const Pie3DWidget* pie, QObject* parent)
    : QAbstractTableModel(parent), pie_(pie) {}

void LegendModel::refresh() {
    beginResetModel();
    rows_ = pie_->sliceCount();
    endResetModel();
}

int LegendModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int LegendModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant LegendModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= pie_->sliceCount()) return {};
    const int row = index.row();
    if (index.column() == 0) {
        if (role == Qt::DisplayRole) return pie_->label(row);
        if (role == Qt::DecorationRole) return pie_->color(row);
        return {};
    }
    if (role == Qt::DisplayRole)
        return QLocale().toString(pie_->percent(row), 'f', 2) + QStringLiteral(" %");
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}
