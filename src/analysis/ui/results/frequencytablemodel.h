#pragma once

#include "analysis/ui/results/sortedtablemodel.h"

#include <QLocale>
#include <QString>

class FrequencyTable;

// A Character, Word or Line tab: item, count and percentage, formatted when
// a view reads them; one empty row until a run has counted. Qt::UserRole
// gives an item's count, for charts.
class FrequencyTableModel : public SortedTableModel {
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

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int itemCount() const override;
    unsigned long long countOf(int item) const override;

    const FrequencyTable* table_ = nullptr;
    QString headers_[ColumnCount];
    bool characters_ = false;
    QLocale locale_;
};
