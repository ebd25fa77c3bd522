#include "analysis/ui/results/overviewmodel.h"

#include "analysis/ui/common/analysislabels.h"

OverviewModel::OverviewModel(QObject* parent)
    : QAbstractTableModel(parent), labels_(AnalysisUi::analysisLabels()) {}

void OverviewModel::setOverview(const AnalysisOverview* overview) {
    beginResetModel();
    overview_ = overview;
    locale_ = QLocale();
    endResetModel();
}

int OverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : AnalysisText::OverviewRows;
}

int OverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !overview_)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const int row = index.row();
    if (role == Qt::UserRole && index.column() == ValueColumn) {
        const std::uint64_t counts[] = {std::uint64_t(overview_->fileSize),
                                        overview_->totalCharacters,
                                        overview_->uniqueCharacters,
                                        overview_->totalWords,
                                        overview_->uniqueWords,
                                        overview_->totalLines,
                                        overview_->uniqueLines};
        return QVariant::fromValue(qulonglong(counts[row]));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return index.column() == LabelColumn
               ? AnalysisText::overviewLabel(row, labels_)
               : AnalysisText::overviewValue(*overview_, row, labels_, locale_);
}
