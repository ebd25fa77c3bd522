#pragma once

#include "analysis/ui/results/roworder.h"

#include <QAbstractTableModel>
#include <QString>

class PhraseTable;

// A phrase tab: phrase and count, formatted when a view reads them; empty
// until the phrases are counted. Qt::UserRole gives a phrase's count.
class PhraseTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PhraseColumn, CountColumn, ColumnCount };

    // The header of the phrase column, already translated.
    explicit PhraseTableModel(const QString& phraseHeader, QObject* parent = nullptr);

    // The table must outlive the model or be replaced first.
    void setTable(const PhraseTable* table);

    // Sorts by a column on a header click; restoreOrder() puts the table's
    // own order back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void restoreOrder();
    int itemAt(int row) const { return order_.item(row); }
    const std::vector<int>& shownOrder() const { return order_.items(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const PhraseTable* table_ = nullptr;
    QString headers_[ColumnCount];
    RowOrder order_;
};
