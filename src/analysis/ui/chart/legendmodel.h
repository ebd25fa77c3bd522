#pragma once

#include <QAbstractTableModel>

class Pie3DWidget;

// The pie's legend: a colour swatch and the label, then the share in
// percent, read from the pie when the list paints a row.
class LegendModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LegendModel(const Pie3DWidget* pie, QObject* parent = nullptr);

    // Call after slices were added.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const Pie3DWidget* pie_;
    int rows_ = 0;
};
