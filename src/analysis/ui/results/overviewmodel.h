#pragma once

#include "analysis/report/analysistext.h"

#include <QAbstractTableModel>
#include <QLocale>

// The Overview tab: seven rows of label and value, formatted in the loaded
// language and the user's locale when they are read; empty until a run has
// counted. Qt::UserRole gives a value's count.
class OverviewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { LabelColumn, ValueColumn, ColumnCount };

    explicit OverviewModel(QObject* parent = nullptr);

    // The overview must outlive the model or be replaced first.
    void setOverview(const AnalysisOverview* overview);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const AnalysisOverview* overview_ = nullptr;
    AnalysisLabels labels_;
    QLocale locale_;
};
