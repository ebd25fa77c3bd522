#pragma once

#include "analysis/ui/results/roworder.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>

class FrequencyTable;

// A Character, Word or Line tab: item, count and percentage, formatted when
// a view reads them; one empty row until a run has counted. Qt::UserRole
// gives an item's count, for charts.
class FrequencyTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ItemColumn, CountColumn, PercentColumn, ColumnCount };

    // The header of the item column, already translated. A table of
    // characters shows those that would be invisible as a sign (␣, ⇥,
    // U+XXXX), each with its Unicode name as a tooltip.
    explicit FrequencyTableModel(const QString& itemHeader, bool characters = false,
                                 QObject* parent = nullptr);

    // The table must outlive the model or be replaced first.
    void setTable(const FrequencyTable* table);
    const FrequencyTable* table() const { return table_; }

    // Sorts by a column on a header click; restoreOrder() puts the table's
    // own order back. The percentage sorts as the count.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void restoreOrder();
    // The table's item shown in a row, and all of them in the order shown.
    int itemAt(int row) const { return order_.item(row); }
    const std::vector<int>& shownOrder() const { return order_.items(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const FrequencyTable* table_ = nullptr;
    QString headers_[ColumnCount];
    bool characters_ = false;
    RowOrder order_;
    QLocale locale_;
};
