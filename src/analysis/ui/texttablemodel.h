#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class TextTable;

// Shows a TextTable in a view without copying it: cells are read from the
// table when the view paints them.
class TextTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // With headerRow, row 0 of the table is the view's header and data rows
    // start at row 1; otherwise `captions` are the headers (may be empty).
    TextTableModel(int columns, bool headerRow, QStringList captions, int emptyRows,
                   QObject* parent = nullptr);

    // The table must outlive the model or be replaced first.
    void setTable(const TextTable* table);
    const TextTable* table() const { return table_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setRightAligned(QList<int> columns) { rightAligned_ = std::move(columns); }

private:
    const TextTable* table_ = nullptr;
    int columns_;
    bool headerRow_;
    QStringList captions_;
    int emptyRows_;
    QList<int> rightAligned_;
};
