#pragma once

#include <QLocale>
#include <QString>

// Numbers as the user sees them: ASCII digits with the given locale's
// separators.
namespace NumberFormat {

// Whole number with the locale's thousands separator ("%.0n").
QString formatCount(qint64 value, const QLocale& locale = QLocale());
// Two decimals after the locale's decimal separator ("0.00"), halves
// rounded away from zero.
QString formatPercent(double value, const QLocale& locale = QLocale());
// FormatPercent for callers that format many values under one locale:
// `point` is the locale's decimal point, `plainDigits` whether it writes
// ASCII digits.
QString formatPercent(double value, const QLocale& locale, const QString& point, bool plainDigits);
// The percentage in whole hundredths, when plainly rounded; false for
// values that need the exact path (near a half, negative or huge).
bool percentHundredths(double value, long long* hundredths);
// Seconds with three decimals ("0.000").
QString formatSeconds(double seconds, const QLocale& locale = QLocale());

} // namespace NumberFormat
