#include "frequencytable.h"

#include "numberformat.h"

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
    pool_ = std::move(pool);
    keys_ = std::move(keys);
    counts_ = std::move(counts);
    locale_ = locale;
    point_ = locale.decimalPoint();
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
        return NumberFormat::FormatPercent(double(counts_[item]) * 100.0 / double(total_), locale_,
                                           point_, plainDigits_);
    }
}
