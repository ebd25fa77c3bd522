#include "analysis/ui/concordance/concordancemodel.h"

#include "analysis/engine/textlines.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <climits>

namespace {

// Views count rows in int.
constexpr std::size_t MaxRows = INT_MAX;

} // namespace

ConcordanceModel::ConcordanceModel(const TextLines& lines, const QString (&headers)[ColumnCount],
                                   QObject* parent)
    : QAbstractTableModel(parent), lines_(lines) {
    for (int c = 0; c < ColumnCount; ++c)
        headers_[c] = headers[c];
    // Only the weight is set, so that the rest comes from the view's font.
    itemFont_.setBold(true);
    itemColour_ = QGuiApplication::palette().color(QPalette::Link);
}

void ConcordanceModel::appendHits(std::span<const Concordance::Hit> hits) {
    const std::size_t shown = std::min(hits_.size(), MaxRows);
    const std::size_t room = MaxRows - shown;
    const std::size_t added = std::min(hits.size(), room);
    if (added == 0) return;
    beginInsertRows({}, int(shown), int(shown + added - 1));
    hits_.insert(hits_.end(), hits.begin(), hits.begin() + std::ptrdiff_t(added));
    endInsertRows();
}

void ConcordanceModel::setHits(std::vector<Concordance::Hit> hits) {
    beginResetModel();
    hits_ = std::move(hits);
    forgetContexts();
    endResetModel();
}

void ConcordanceModel::clear(std::size_t expected) {
    std::vector<Concordance::Hit> none;
    // Growing by doubling would hold up to twice the hits for a while.
    none.reserve(std::min(expected, MaxRows));
    setHits(std::move(none));
}

void ConcordanceModel::setWidth(int width) {
    if (width == width_) return;
    width_ = width;
    forgetContexts();
    if (!hits_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void ConcordanceModel::forgetContexts() {
    for (CachedRow& cached : cache_)
        cached.row = -1;
}

const Concordance::Context& ConcordanceModel::context(int row) const {
    CachedRow& cached = cache_[std::size_t(row) % cache_.size()];
    if (cached.row != row) {
        cached.context = Concordance::contextOf(lines_, hits_[std::size_t(row)], width_);
        cached.row = row;
    }
    return cached.context;
}

int ConcordanceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::min(hits_.size(), MaxRows));
}

int ConcordanceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ConcordanceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        break;
    case Qt::UserRole:
        return QVariant::fromValue(qulonglong(hits_[std::size_t(index.row())].line) + 1);
    // The left context ends at the item, the right one starts there, so
    // that the items stand one under the other.
    case Qt::TextAlignmentRole:
        return int(
            (column == ItemColumn || column == RightColumn ? Qt::AlignLeft : Qt::AlignRight) |
            Qt::AlignVCenter);
    case Qt::FontRole:
        return column == ItemColumn ? QVariant(itemFont_) : QVariant();
    case Qt::ForegroundRole:
        return column == ItemColumn ? QVariant(QBrush(itemColour_)) : QVariant();
    default:
        return {};
    }
    if (column == LineColumn) return QString::number(hits_[std::size_t(index.row())].line + 1ULL);
    const Concordance::Context& shown = context(index.row());
    switch (column) {
    case LeftColumn:
        return shown.left;
    case ItemColumn:
        return shown.item;
    default:
        return shown.right;
    }
}

QVariant ConcordanceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section >= 0 && section < ColumnCount ? headers_[section] : QString();
}
