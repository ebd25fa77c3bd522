#include "analysis/report/analysistext.h"

#include "analysis/report/numberformat.h"

#include <unicode/uchar.h>

namespace AnalysisText {

QString status(const AnalysisProgress& progress, const AnalysisLabels& labels,
               const QLocale& locale) {
    switch (progress.phase) {
    case AnalysisProgress::Phase::Started:
        return labels.loading;
    case AnalysisProgress::Phase::Counting:
        return QString(labels.loadingPercent)
            .replace(QLatin1String("%s"), QString::number(progress.percent) + u'%');
    case AnalysisProgress::Phase::Finished:
        return QString(labels.elapsedTime)
            .replace(QLatin1String("%s"), NumberFormat::formatSeconds(progress.seconds, locale));
    }
    return {};
}

QString noWordsMessage(const AnalysisLabels& labels, const QString& wordCharacters) {
    return labels.noWords + QLatin1String("\r\r") + wordCharacters;
}

QString overviewLabel(int row, const AnalysisLabels& labels) {
    switch (row) {
    case 0:
        return labels.fileSize;
    case 1:
        return labels.totalCharacters;
    case 2:
        return labels.uniqueCharacters;
    case 3:
        return labels.totalWords;
    case 4:
        return labels.uniqueWords;
    case 5:
        return labels.totalLines;
    case 6:
        return labels.uniqueLines;
    default:
        return {};
    }
}

QString overviewValue(const AnalysisOverview& overview, int row, const AnalysisLabels& labels,
                      const QLocale& locale) {
    const auto count = [&locale](std::uint64_t value) {
        return NumberFormat::formatCount(qint64(value), locale);
    };
    switch (row) {
    case 0:
        return NumberFormat::formatCount(overview.fileSize, locale) + u' ' + labels.bytes;
    case 1:
        return count(overview.totalCharacters);
    case 2:
        return count(overview.uniqueCharacters);
    case 3:
        return count(overview.totalWords);
    case 4:
        return count(overview.uniqueWords);
    case 5:
        return count(overview.totalLines);
    case 6:
        return count(overview.uniqueLines);
    default:
        return {};
    }
}

QString visibleCharacter(const QString& character) {
    if (character.size() != 1) return character;
    const QChar c = character.front();
    if (c == u' ') return QStringLiteral("\u2423");  // ␣
    if (c == u'\t') return QStringLiteral("\u21E5"); // ⇥
    if (c.unicode() <= 0x20 || c.unicode() == 0xA0 || c.category() == QChar::Separator_Space)
        return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return character;
}

QString characterName(const QString& character) {
    if (character.size() != 1) return {};
    const char16_t unit = character.front().unicode();
    const QString code = QStringLiteral("U+%1").arg(uint(unit), 4, 16, QLatin1Char('0')).toUpper();
    char name[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_charName(unit, U_UNICODE_CHAR_NAME, name, sizeof name, &status);
    if (U_FAILURE(status) || length == 0) {
        status = U_ZERO_ERROR;
        length = u_charName(unit, U_EXTENDED_CHAR_NAME, name, sizeof name, &status);
    }
    if (U_FAILURE(status) || length <= 0) return code;
    return code + u' ' + QString::fromLatin1(name, qMin<int32_t>(length, sizeof name - 1));
}

QString errorMessage(const AnalysisError& error, const AnalysisLabels& labels,
                     const QLocale& locale) {
    const QString most = NumberFormat::formatCount(error.most(), locale);
    switch (error.kind()) {
    case AnalysisError::Kind::TooManyLines:
        return QString(labels.tooManyLines).arg(most);
    case AnalysisError::Kind::LineTooLong:
        return QString(labels.lineTooLong)
            .arg(NumberFormat::formatCount(error.line(), locale), most);
    case AnalysisError::Kind::TooManyDistinctWords:
        return QString(labels.tooManyDistinctWords).arg(most);
    case AnalysisError::Kind::TooManyRepeatedPhrases:
        return QString(labels.tooManyRepeatedPhrases).arg(most);
    case AnalysisError::Kind::TooManyWords:
        return QString(labels.tooManyWords).arg(most);
    case AnalysisError::Kind::TooManyRows:
        return QString(labels.tooManyRows).arg(most);
    case AnalysisError::Kind::NoCollator:
        return labels.noCollator;
    }
    return {};
}

} // namespace AnalysisText
