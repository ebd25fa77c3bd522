#pragma once

#include "analysis/concordance/concordance.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QString>

#include <array>
#include <span>
#include <vector>

class TextLines;

// The hits of a concordance, a row each: line number, left context, the
// item and right context. A row's texts are made only when a view asks for
// them, so that a million hits cost their 16 bytes each and no more.
// Qt::UserRole gives a row's line number as a number.
class ConcordanceModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { LineColumn, LeftColumn, ItemColumn, RightColumn, ColumnCount };

    // The lines must outlive the model; the headers come translated.
    ConcordanceModel(const TextLines& lines, const QString (&headers)[ColumnCount],
                     QObject* parent = nullptr);

    // Hits found after those shown, in the order they come.
    void appendHits(std::span<const Concordance::Hit> hits);
    // The same hits in another order, or other hits.
    void setHits(std::vector<Concordance::Hit> hits);
    // Empties the list and takes room for `expected` hits at once.
    void clear(std::size_t expected = 0);
    const std::vector<Concordance::Hit>& hits() const { return hits_; }

    // The contexts' width in code points on either side.
    void setWidth(int width);
    int width() const { return width_; }

    // The row's texts, made once for the few rows read last.
    const Concordance::Context& context(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void forgetContexts();

    const TextLines& lines_;
    std::vector<Concordance::Hit> hits_;
    int width_ = Concordance::DefaultWidth;
    QString headers_[ColumnCount];
    QFont itemFont_;
    QColor itemColour_;

    // A view reads every cell of a row under several roles in turn, and
    // repaints the rows on screen; a row keeps its slot by its number.
    struct CachedRow {
        int row = -1;
        Concordance::Context context;
    };
    mutable std::array<CachedRow, 64> cache_;
};
