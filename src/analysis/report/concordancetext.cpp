#include "analysis/report/concordancetext.h"

#include <algorithm>

ConcordanceText::ConcordanceText(const TextLines& lines, const std::vector<Concordance::Hit>& hits,
                                 int width, const QString (&headers)[ColumnCount])
    : lines_(lines), hits_(hits), width_(width) {
    for (int c = 0; c < ColumnCount; ++c)
        headers_[c] = headers[c];
}

int ConcordanceText::rowCount() const {
    return int(std::min<std::size_t>(hits_.size() + 1, std::size_t(MaxRows)));
}

QString ConcordanceText::cell(int row, int column) const {
    if (row == 0) return headers_[column];
    if (row != cachedRow_) {
        cached_ = Concordance::contextOf(lines_, hits_[std::size_t(row - 1)], width_);
        cachedRow_ = row;
    }
    switch (column) {
    case LineColumn: return QString::number(cached_.lineNumber);
    case LeftColumn: return cached_.left;
    case ItemColumn: return cached_.item;
    default: return cached_.right;
    }
}
