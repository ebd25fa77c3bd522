#pragma once

#include "analysis/engine/analysisrun.h"

#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class TextLines;
class ListCollator;
class TextTable;
struct AnalysisLabels;

// A deliberately plain analysis: linear scans of key lists, counts kept as
// decimal text, sorted phrase tables searched by collation. It is slow and
// easy to check by eye; the fast engine must produce the same cells.
class ReferenceAnalysis {
public:
    using Cells = QList<QStringList>;

    struct Results {
        Cells overview;   // 7 rows of label and value
        Cells characters; // header row, then character, count, percentage
        Cells words;
        Cells lines;
        Cells phrases2; // phrase and count, no header
        Cells phrases3;
        Cells phrases4;
        // Every status text in the order shown; the last one is the elapsed
        // time with "%s" where the seconds go.
        QStringList statuses;
        bool noWords = false;
        QString noWordsMessage;
    };

    static Results analyze(const QStringList& lines, bool trailingBreak,
                           const QString& wordCharacters, const QLocale& locale);

    // The phrase lists for 2, 3 and 4 words.
    struct Phrases {
        Cells phrases2;
        Cells phrases3;
        Cells phrases4;
    };
    static Phrases countPhrases(const QStringList& lines, const ListCollator& collator);
    // Every phrase, also those seen once, in the same order and forms.
    static Phrases countAllPhrases(const QStringList& lines, const ListCollator& collator);

    static QString takeNextWord(QString& remainder, QChar* ending = nullptr);

    static bool isDelimiter(QChar c);
    static bool isBreak(QChar c);
    static QString trimmed(const QString& s);
    static QString upperAscii(const QString& s);
    static QString lowerAscii(const QString& s);

    // The run's labels in the loaded language.
    static AnalysisLabels translatedLabels();
    // Every cell of an engine table, row by row, for comparison.
    static Cells cellsOf(const TextTable& table);
    // The fast engine's run in the same form. Well-formed seconds in the
    // elapsed-time status are replaced by "%s" so that runs compare equal.
    static Results runEngine(const TextLines& lines, const QString& wordCharacters,
                             const QLocale& locale, const AnalysisTuning& tuning = {});
    static QString maskSeconds(const QString& status, const QLocale& locale);

    // Empty when the tables are equal, otherwise the first row that differs
    // with invisible characters written as escapes.
    static QString firstDifference(const Cells& actual, const Cells& expected);
    static QString escaped(const QString& s);

private:
    static Phrases countPhrases(const QStringList& lines, const ListCollator& collator,
                                qint64 minimumCount);
};
