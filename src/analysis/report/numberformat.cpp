#include "analysis/report/numberformat.h"

#include <cmath>

namespace {

// Digits are always ASCII, as in the tables' counts; only the separators
// follow the locale.
QString asciiDigits(QString text, const QLocale& locale) {
    const QString zero = locale.zeroDigit();
    if (zero == QLatin1String("0")) return text;
    const QList<uint> zeroCode = zero.toUcs4();
    if (zeroCode.size() != 1) return text;
    QList<uint> codes = text.toUcs4();
    for (uint& c : codes)
        if (c >= zeroCode[0] && c <= zeroCode[0] + 9) c = u'0' + (c - zeroCode[0]);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
}

QLocale grouped(const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::DefaultNumberOptions);
    return l;
}

QLocale ungrouped(const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

// Fixed-point text with `decimals` digits; an exact half in the next digit
// goes away from zero, as users expect of "rounded".
QString fixed(double value, int decimals, const QLocale& locale) {
    const double scale = std::pow(10.0, decimals + 1);
    const double t = value * scale;
    if (std::isfinite(t) && std::fma(value, scale, -t) == 0 && t == std::trunc(t) &&
        std::fmod(std::fabs(t), 10.0) == 5.0) {
        const double units = std::copysign((std::fabs(t) + 5.0) / 10.0, value);
        return asciiDigits(ungrouped(locale).toString(units / (scale / 10.0), 'f', decimals),
                           locale);
    }
    return asciiDigits(ungrouped(locale).toString(value, 'f', decimals), locale);
}

} // namespace

QString NumberFormat::formatCount(qint64 value, const QLocale& locale) {
    return asciiDigits(grouped(locale).toString(double(value), 'f', 0), locale);
}

QString NumberFormat::formatPercent(double value, const QLocale& locale) {
    return formatPercent(value, locale, locale.decimalPoint(),
                         locale.zeroDigit() == QLatin1String("0"));
}

QString NumberFormat::formatPercent(double value, const QLocale& locale, const QString& point,
                                    bool plainDigits) {
    // Tables format a percentage per row: plain digits are assembled here
    // unless the value lies so close to a half that only the exact path can
    // tell which way it rounds.
    long long hundredths;
    if (plainDigits && percentHundredths(value, &hundredths)) {
        QString text = QString::number(hundredths / 100);
        text += point;
        const int cents = int(hundredths % 100);
        text += QChar(u'0' + cents / 10);
        text += QChar(u'0' + cents % 10);
        return text;
    }
    return fixed(value, 2, locale);
}

bool NumberFormat::percentHundredths(double value, long long* hundredths) {
    const double scaled = value * 100.0;
    if (!(value >= 0 && scaled < 1e15)) return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= 1e-6) return false;
    *hundredths = static_cast<long long>(fraction < 0.5 ? whole : whole + 1);
    return true;
}

QString NumberFormat::formatSeconds(double seconds, const QLocale& locale) {
    return fixed(seconds, 3, locale);
}
