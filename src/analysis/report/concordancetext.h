#pragma once

#include "analysis/concordance/concordance.h"
#include "analysis/report/texttable.h"

#include <QString>

#include <vector>

// A concordance read as text, the form in which it is exported: a header
// row (line, left context, item, right context) over one row per hit.
class ConcordanceText : public TextTable {
public:
    enum Column { LineColumn, LeftColumn, ItemColumn, RightColumn, ColumnCount };
    // `headers` holds the four captions in column order. The lines and hits
    // must outlive the table.
    ConcordanceText(const TextLines& lines, const std::vector<Concordance::Hit>& hits, int width,
                    const QString (&headers)[ColumnCount]);
    int rowCount() const override;
    int columnCount() const override { return ColumnCount; }
    QString cell(int row, int column) const override;

private:
    const TextLines& lines_;
    const std::vector<Concordance::Hit>& hits_;
    int width_;
    QString headers_[ColumnCount];
    // The row whose context was made last: its four cells are read in turn.
    mutable int cachedRow_ = -1;
    mutable Concordance::Context cached_;
};
