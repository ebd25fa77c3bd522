#pragma once

#include "analysis/ui/results/sortedtablemodel.h"

#include <QString>

class PhraseTable;

// A phrase tab: phrase and count, formatted when a view reads them; empty
// until the phrases are counted. Qt::UserRole gives a phrase's count.
class PhraseTableModel : public SortedTableModel {
    Q_OBJECT

public:
    enum Column { PhraseColumn, CountColumn, ColumnCount };

    // The header of the phrase column, already translated.
    explicit PhraseTableModel(const QString& phraseHeader, QObject* parent = nullptr);

    // The table must outlive the model or be replaced first.
    void setTable(const PhraseTable* table);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int itemCount() const override;
    unsigned long long countOf(int item) const override;

    const PhraseTable* table_ = nullptr;
    QString headers_[ColumnCount];
};
