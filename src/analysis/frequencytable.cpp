#include "analysis/frequencytable.h"

#include "analysis/numberformat.h"

#include <charconv>
#include <stdexcept>

FrequencyTable::FrequencyTable() : pool_(std::make_shared<StringPool>()) {
    headers_[2] = "%";
}

void FrequencyTable::setHeaders(const QString& item, const QString& occurrence) {
    headers_[0] = item;
    headers_[1] = occurrence;
}

void FrequencyTable::setRows(std::shared_ptr<const StringPool> pool,
                             std::vector<std::uint32_t> keys, std::vector<std::uint64_t> counts,
                             const QLocale& locale) {
    // The header takes a row of its own.
    if (qint64(keys.size()) > MaxRows - 1) throw std::length_error("too many rows for a table");
    pool_ = std::move(pool);
    keys_ = std::move(keys);
    counts_ = std::move(counts);
    locale_ = locale;
    point_ = locale.decimalPoint();
    pointUtf8_ = point_.toUtf8();
    plainDigits_ = locale.zeroDigit() == QLatin1String("0");
    total_ = 0;
    for (std::uint64_t c : counts_)
        total_ += c;
}

QString FrequencyTable::cell(int row, int column) const {
    if (row == 0) return headers_[column];
    const int item = row - 1;
    switch (column) {
    case 0:
        return key(item);
    case 1:
        return QString::number(counts_[item]);
    default:
        return NumberFormat::formatPercent(double(counts_[item]) * 100.0 / double(total_), locale_,
                                           point_, plainDigits_);
    }
}

void FrequencyTable::prefetchRow(int row) const {
    // Keys lie scattered in the pool when the rows are sorted: its offsets
    // are fetched first, the bytes a few rows later.
    constexpr int Ahead = 8;
    if (row >= 1 && row <= int(keys_.size())) pool_->prefetchOffset(keys_[row - 1]);
    const int near = row - Ahead;
    if (near >= 1 && near <= int(keys_.size())) pool_->prefetchBytes(keys_[near - 1]);
}

bool FrequencyTable::appendCellUtf8(int row, int column, QByteArray& out) const {
    if (row == 0) return false;
    const int item = row - 1;
    if (column == 0) return StringPool::appendUtf8(pool_->view(keys_[item]), out);
    char digits[32];
    if (column == 1) {
        const auto end = std::to_chars(digits, digits + sizeof digits, counts_[item]).ptr;
        out.append(digits, end - digits);
        return true;
    }
    long long hundredths;
    if (!plainDigits_ || !NumberFormat::percentHundredths(
                             double(counts_[item]) * 100.0 / double(total_), &hundredths))
        return false;
    const auto end = std::to_chars(digits, digits + sizeof digits, hundredths / 100).ptr;
    out.append(digits, end - digits);
    out.append(pointUtf8_);
    const int cents = int(hundredths % 100);
    out.append(char('0' + cents / 10));
    out.append(char('0' + cents % 10));
    return true;
}
