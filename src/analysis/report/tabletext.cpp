#include "analysis/report/tabletext.h"

#include "analysis/report/numberformat.h"

#include <charconv>

OverviewText::OverviewText(const AnalysisOverview& overview, const AnalysisLabels& labels,
                           const QLocale& locale) {
    for (int row = 0; row < AnalysisText::OverviewRows; ++row) {
        cells_[row][0] = AnalysisText::overviewLabel(row, labels);
        cells_[row][1] = AnalysisText::overviewValue(overview, row, labels, locale);
    }
}

FrequencyText::FrequencyText(const FrequencyTable& table, const QString& itemHeader,
                             const QString& occurrenceHeader, const QLocale& locale)
    : table_(table), headers_{itemHeader, occurrenceHeader, QStringLiteral("%")}, locale_(locale),
      point_(locale.decimalPoint()), pointUtf8_(point_.toUtf8()),
      plainDigits_(locale.zeroDigit() == QLatin1String("0")) {}

QString FrequencyText::percentText(const FrequencyTable& table, int item, const QLocale& locale) {
    return NumberFormat::formatPercent(table.percent(item), locale);
}

QString FrequencyText::cell(int row, int column) const {
    if (row == 0) return headers_[column];
    const int item = row - 1;
    switch (column) {
    case 0:
        return table_.key(item);
    case 1:
        return QString::number(table_.count(item));
    default:
        return NumberFormat::formatPercent(table_.percent(item), locale_, point_, plainDigits_);
    }
}

bool FrequencyText::appendCellUtf8(int row, int column, QByteArray& out) const {
    if (row == 0) return false;
    const int item = row - 1;
    if (column == 0) return StringPool::appendUtf8(table_.keyUtf8(item), out);
    char digits[32];
    if (column == 1) {
        const auto end = std::to_chars(digits, digits + sizeof digits, table_.count(item)).ptr;
        out.append(digits, end - digits);
        return true;
    }
    long long hundredths;
    if (!plainDigits_ || !NumberFormat::percentHundredths(table_.percent(item), &hundredths))
        return false;
    const auto end = std::to_chars(digits, digits + sizeof digits, hundredths / 100).ptr;
    out.append(digits, end - digits);
    out.append(pointUtf8_);
    const int cents = int(hundredths % 100);
    out.append(char('0' + cents / 10));
    out.append(char('0' + cents % 10));
    return true;
}

QString PhraseText::cell(int row, int column) const {
    return column == 0 ? table_.phrase(row) : QString::number(table_.count(row));
}

bool PhraseText::appendCellUtf8(int row, int column, QByteArray& out) const {
    if (column == 0) return StringPool::appendUtf8(table_.phraseUtf8(row), out);
    out.append(QByteArray::number(qulonglong(table_.count(row))));
    return true;
}
