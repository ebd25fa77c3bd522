#pragma once

#include "analysis/engine/analysiserror.h"
#include "analysis/engine/analysisresults.h"
#include "analysis/engine/analysisrun.h"

#include <QLocale>
#include <QString>

// The texts around a run's counts, in the caller's language; the defaults
// are the English originals. "%s" marks where the percentage or the seconds
// go. The command-line tool uses them as they are, a window translated.
struct AnalysisLabels {
    QString loadingPercent = QStringLiteral("Loading: %s");
    QString loading = QStringLiteral("Loading...");
    QString fileSize = QStringLiteral("File Size:");
    QString bytes = QStringLiteral("(bytes)");
    QString character = QStringLiteral("Character");
    QString occurrence = QStringLiteral("Occurrence");
    QString totalCharacters = QStringLiteral("Total Characters:");
    QString uniqueCharacters = QStringLiteral("Unique Characters:");
    QString word = QStringLiteral("Word");
    QString totalWords = QStringLiteral("Total Words:");
    QString uniqueWords = QStringLiteral("Unique Words:");
    QString line = QStringLiteral("Line");
    QString totalLines = QStringLiteral("Total Lines:");
    QString uniqueLines = QStringLiteral("Unique Lines:");
    QString noWords = QStringLiteral("No words found using the specified characters:");
    QString elapsedTime = QStringLiteral("Elapsed Time: %s sec");
    // Why a run stopped: %1 is the most the bound allows; for a line too
    // long, %1 is the line and %2 the most.
    QString tooManyLines =
        QStringLiteral("The text has more lines than can be analyzed (at most %1).");
    QString lineTooLong = QStringLiteral(
        "Line %1 of the text is longer than can be analyzed (at most %2 characters).");
    QString tooManyDistinctWords =
        QStringLiteral("The text has more distinct words than can be analyzed (at most %1).");
    QString tooManyRepeatedPhrases =
        QStringLiteral("The text has more repeated phrases than can be analyzed (at most %1).");
    QString tooManyWords =
        QStringLiteral("The text has more words than can be analyzed (at most %1).");
    QString tooManyRows =
        QStringLiteral("A table would have more rows than can be shown (at most %1).");
    QString noCollator = QStringLiteral("The sorting rules of the language could not be opened.");
};

// Formats what a run returns, for the eye and for CSV files.
namespace AnalysisText {

// "Loading...", "Loading: 37%", "Elapsed Time: 0.123 sec".
QString status(const AnalysisProgress& progress, const AnalysisLabels& labels,
               const QLocale& locale = QLocale());
// The warning for a text without words, line breaks as CRs.
QString noWordsMessage(const AnalysisLabels& labels, const QString& wordCharacters);

inline constexpr int OverviewRows = 7;
// Row r of the Overview: "Total Words:" and "1,234".
QString overviewLabel(int row, const AnalysisLabels& labels);
QString overviewValue(const AnalysisOverview& overview, int row, const AnalysisLabels& labels,
                      const QLocale& locale = QLocale());

// How a chart or a window title labels a character that would show as
// nothing: a space as ␣, a tab as ⇥, other blanks and controls as U+XXXX.
QString visibleCharacter(const QString& character);
// "U+0020 SPACE": the code of a character (a UTF-16 code unit) and its
// Unicode name, or the kind of code point where it has none
// ("U+0009 <control-0009>").
QString characterName(const QString& character);

// Why the run stopped, in the labels' words, the figures in the locale's.
QString errorMessage(const AnalysisError& error, const AnalysisLabels& labels,
                     const QLocale& locale = QLocale());

} // namespace AnalysisText
