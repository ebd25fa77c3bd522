#include "referenceanalysis.h"

#include "analysis/engine/analysisrun.h"
#include "analysis/engine/listcollator.h"
#include "analysis/report/analysistext.h"
#include "analysis/report/numberformat.h"
#include "analysis/report/tabletext.h"
#include "analysis/report/texttable.h"
#include "localization/translation.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

bool codeUnitsLess(const QString& a, const QString& b) {
    return std::lexicographical_compare(a.utf16(), a.utf16() + a.size(), b.utf16(),
                                        b.utf16() + b.size());
}

// Collation first; items it finds equal fall back to their code units so that
// the order is fully determined.
QStringList sortedByCollation(QStringList items, const ListCollator& collator) {
    std::stable_sort(items.begin(), items.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        if (order != 0) return order < 0;
        return codeUnitsLess(a, b);
    });
    return items;
}

// Exact code-unit search from the start, as the key lists are searched.
qsizetype scanFor(const QStringList& keys, const QString& key) {
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return i;
    }
    return -1;
}

QString incremented(const QString& decimal) {
    return QString::number(decimal.toLongLong() + 1);
}

// Keeps the percentage shown last and records a status whenever it changes.
class Progress {
public:
    explicit Progress(QStringList& statuses) : statuses_(statuses) {}

    void report(qint64 percent) {
        if (percent == shown_) return;
        shown_ = percent;
        QString text = translateText(QStringLiteral("Loading: %s"));
        text.replace(QLatin1String("%s"), QString::number(percent) + QLatin1Char('%'));
        statuses_ << text;
    }

private:
    QStringList& statuses_;
    qint64 shown_ = 0;
};

struct PhraseEntry {
    QString text;
    qint64 count;
};

// Binary search by collation; an equal entry keeps its first form.
void updateList(std::vector<PhraseEntry>& list, const QString& phrase,
                const ListCollator& collator) {
    auto place = std::lower_bound(list.begin(), list.end(), phrase,
                                  [&](const PhraseEntry& entry, const QString& p) {
                                      return collator.compare(entry.text, p) < 0;
                                  });
    if (place != list.end() && collator.compare(place->text, phrase) == 0)
        ++place->count;
    else
        list.insert(place, PhraseEntry{phrase, 1});
}

ReferenceAnalysis::Cells showSummary(const std::vector<PhraseEntry>& list,
                                     qint64 minimumCount = 2) {
    ReferenceAnalysis::Cells rows;
    for (const PhraseEntry& entry : list) {
        if (entry.count >= minimumCount)
            rows << QStringList{entry.text, QString::number(entry.count)};
    }
    return rows;
}

ReferenceAnalysis::Cells frequencyHeader(const char* item) {
    return {QStringList{translateText(QString::fromLatin1(item)),
                        translateText(QStringLiteral("Occurrence")), QStringLiteral("%")}};
}

QStringList frequencyRow(const QString& key, const QString& count, qint64 total,
                         const QLocale& locale) {
    const double percent = double(count.toLongLong()) * 100.0 / double(total);
    return {key, count, NumberFormat::formatPercent(percent, locale)};
}

qint64 sumOf(const QStringList& counts) {
    qint64 total = 0;
    for (const QString& c : counts)
        total += c.toLongLong();
    return total;
}

} // namespace

bool ReferenceAnalysis::isDelimiter(QChar c) {
    return QStringLiteral(" (),-.:;<=>?[]{}").contains(c);
}

bool ReferenceAnalysis::isBreak(QChar c) {
    return QStringLiteral("(),-.:;<=>?[]{}").contains(c);
}

QString ReferenceAnalysis::trimmed(const QString& s) {
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && s[start].unicode() <= 0x20)
        ++start;
    while (end > start && s[end - 1].unicode() <= 0x20)
        --end;
    return s.mid(start, end - start);
}

QString ReferenceAnalysis::upperAscii(const QString& s) {
    QString out = s;
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    }
    return out;
}

QString ReferenceAnalysis::lowerAscii(const QString& s) {
    QString out = s;
    for (QChar& c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() - 'A' + 'a');
    }
    return out;
}

QString ReferenceAnalysis::takeNextWord(QString& remainder, QChar* ending) {
    if (ending) *ending = QChar();
    if (remainder.isEmpty()) return QString();
    if (!remainder.endsWith(QLatin1Char(' '))) remainder += QLatin1Char(' ');
    qsizetype start = 0;
    while (start < remainder.size() && isDelimiter(remainder[start]))
        ++start;
    if (start == remainder.size()) {
        remainder.clear();
        return QString();
    }
    qsizetype end = start;
    while (!isDelimiter(remainder[end]))
        ++end;
    const QString word = remainder.mid(start, end - start);
    if (ending) *ending = remainder[end];
    remainder.remove(0, end + 1);
    return word;
}

ReferenceAnalysis::Phrases ReferenceAnalysis::countPhrases(const QStringList& lines,
                                                           const ListCollator& collator) {
    return countPhrases(lines, collator, 2);
}

ReferenceAnalysis::Phrases ReferenceAnalysis::countAllPhrases(const QStringList& lines,
                                                              const ListCollator& collator) {
    return countPhrases(lines, collator, 1);
}

ReferenceAnalysis::Phrases ReferenceAnalysis::countPhrases(const QStringList& lines,
                                                           const ListCollator& collator,
                                                           qint64 minimumCount) {
    std::vector<PhraseEntry> phrases2, phrases3, phrases4;
    QString slot[4];
    qint64 wordCount = 0;
    QString current2, current3, current4;
    auto resetWords = [&] {
        wordCount = 0;
        for (QString& s : slot)
            s.clear();
        current2.clear();
        current3.clear();
        current4.clear();
    };

    resetWords();
    for (const QString& line : lines) {
        QString remainder = trimmed(line);
        while (!remainder.isEmpty()) {
            remainder += QLatin1Char(' ');
            QChar ending;
            const QString word = takeNextWord(remainder, &ending);
            if (word.isEmpty()) continue;
            slot[0] = slot[1];
            slot[1] = slot[2];
            slot[2] = slot[3];
            slot[3] = word;
            ++wordCount;
            if (wordCount >= 2) {
                current2 = slot[2] + QLatin1Char(' ') + slot[3];
                updateList(phrases2, current2, collator);
            }
            if (wordCount >= 3) {
                current3 = slot[1] + QLatin1Char(' ') + current2;
                updateList(phrases3, current3, collator);
            }
            if (wordCount >= 4) {
                current4 = slot[0] + QLatin1Char(' ') + current3;
                updateList(phrases4, current4, collator);
            }
            if (isBreak(ending)) resetWords();
        }
        // A line end without a break character leaves the window as it is.
    }
    return {showSummary(phrases2, minimumCount), showSummary(phrases3, minimumCount),
            showSummary(phrases4, minimumCount)};
}

ReferenceAnalysis::Results ReferenceAnalysis::analyze(const QStringList& lines, bool trailingBreak,
                                                      const QString& wordCharacters,
                                                      const QLocale& locale) {
    Results r;
    ListCollator collator(locale);
    Progress progress(r.statuses);
    r.statuses << translateText(QStringLiteral("Loading..."));
    r.overview = Cells(7, QStringList{QString(), QString()});
    auto setOverview = [&](int row, const char* label, const QString& value) {
        r.overview[row] = QStringList{translateText(QString::fromLatin1(label)), value};
    };

    QString textForm = lines.join(QStringLiteral("\r\n"));
    if (trailingBreak && !lines.isEmpty()) textForm += QStringLiteral("\r\n");
    setOverview(0, "File Size:",
                NumberFormat::formatCount(textForm.size(), locale) + QLatin1Char(' ') +
                    translateText(QStringLiteral("(bytes)")));

    // Characters.
    const qint64 lineCount = lines.size();
    QStringList charKeys, charCounts;
    for (qint64 i = 0; i < lineCount; ++i) {
        progress.report((i * 100 / lineCount) / 10);
        for (QChar c : lines[i]) {
            const QString key = upperAscii(QString(c));
            const qsizetype at = scanFor(charKeys, key);
            if (at >= 0) {
                charCounts[at] = incremented(charCounts[at]);
            } else {
                charKeys << key;
                charCounts << QStringLiteral("1");
            }
        }
    }
    r.characters = frequencyHeader("Character");
    {
        const qint64 total = sumOf(charCounts);
        for (const QString& key : sortedByCollation(charKeys, collator))
            r.characters << frequencyRow(key, charCounts[scanFor(charKeys, key)], total, locale);
        setOverview(1, "Total Characters:", NumberFormat::formatCount(total, locale));
        setOverview(2, "Unique Characters:", NumberFormat::formatCount(charKeys.size(), locale));
    }

    // Words.
    QStringList wordKeys, wordCounts;
    for (qint64 i = 0; i < lineCount; ++i) {
        progress.report((i * 100 / lineCount) / 2 + 10);
        const QString& line = lines[i];
        if (line.isEmpty()) continue;
        QString buffer;
        for (qsizetype pos = 0; pos <= line.size(); ++pos) {
            const bool inWord = pos < line.size() && wordCharacters.contains(line[pos]);
            if (inWord) {
                buffer += line[pos];
                continue;
            }
            const QString trimmedBuffer = trimmed(buffer);
            if (!trimmedBuffer.isEmpty()) {
                const QString word = lowerAscii(trimmedBuffer);
                const qsizetype at = scanFor(wordKeys, word);
                if (at >= 0) {
                    wordCounts[at] = incremented(wordCounts[at]);
                } else {
                    wordKeys << word;
                    wordCounts << QStringLiteral("1");
                }
            }
            buffer.clear();
        }
    }
    r.words = frequencyHeader("Word");
    {
        const qint64 total = sumOf(wordCounts);
        const QStringList sorted = sortedByCollation(wordKeys, collator);
        const qint64 n = sorted.size();
        for (qint64 p = 0; p < n; ++p) {
            progress.report((p * 100 / n) / 5 + 60);
            r.words << frequencyRow(sorted[p], wordCounts[scanFor(wordKeys, sorted[p])], total,
                                    locale);
        }
        setOverview(3, "Total Words:", NumberFormat::formatCount(total, locale));
        setOverview(4, "Unique Words:", NumberFormat::formatCount(wordKeys.size(), locale));
    }

    // Lines.
    QStringList counted = lines;
    if (!trailingBreak && !counted.isEmpty() && counted.last().isEmpty()) counted.removeLast();
    const QStringList sortedLines = sortedByCollation(counted, collator);
    QStringList distinctLines, lineCounts;
    {
        const qint64 n = sortedLines.size();
        qint64 i = 0;
        while (i < n) {
            progress.report((i * 100 / n) / 10 + 80);
            qint64 j = i;
            while (j < n && sortedLines[j] == sortedLines[i])
                ++j;
            distinctLines << sortedLines[i];
            lineCounts << QString::number(j - i);
            i = j;
        }
    }
    r.lines = frequencyHeader("Line");
    {
        const qint64 total = sumOf(lineCounts);
        const qint64 n = distinctLines.size();
        for (qint64 p = 0; p < n; ++p) {
            progress.report((p * 100 / n) / 20 + 90);
            r.lines << frequencyRow(distinctLines[p], lineCounts[p], total, locale);
        }
        setOverview(5, "Total Lines:", NumberFormat::formatCount(total, locale));
        setOverview(6, "Unique Lines:", NumberFormat::formatCount(n, locale));
    }

    if (wordKeys.isEmpty()) {
        r.noWords = true;
        r.noWordsMessage =
            translateText(QStringLiteral("No words found using the specified characters:")) +
            QStringLiteral("\r\r") + wordCharacters;
    }

    const Phrases phrases = countPhrases(lines, collator);
    r.phrases2 = phrases.phrases2;
    r.phrases3 = phrases.phrases3;
    r.phrases4 = phrases.phrases4;

    r.statuses << translateText(QStringLiteral("Elapsed Time: %s sec"));
    return r;
}

AnalysisLabels ReferenceAnalysis::translatedLabels() {
    AnalysisLabels labels;
    for (QString* text :
         {&labels.loadingPercent, &labels.loading, &labels.fileSize, &labels.bytes,
          &labels.character, &labels.occurrence, &labels.totalCharacters, &labels.uniqueCharacters,
          &labels.word, &labels.totalWords, &labels.uniqueWords, &labels.line, &labels.totalLines,
          &labels.uniqueLines, &labels.noWords, &labels.elapsedTime})
        *text = translateText(*text);
    return labels;
}

ReferenceAnalysis::Cells ReferenceAnalysis::cellsOf(const TextTable& table) {
    Cells rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << table.cell(row, column);
        rows << cells;
    }
    return rows;
}

QString ReferenceAnalysis::maskSeconds(const QString& status, const QLocale& locale) {
    const QString pattern = translateText(QStringLiteral("Elapsed Time: %s sec"));
    const qsizetype at = pattern.indexOf(QLatin1String("%s"));
    const QString before = pattern.left(at);
    const QString after = pattern.mid(at + 2);
    const QRegularExpression seconds(QStringLiteral("^\\d+") +
                                     QRegularExpression::escape(locale.decimalPoint()) +
                                     QStringLiteral("\\d{3}$"));
    if (status.size() < before.size() + after.size() || !status.startsWith(before) ||
        !status.endsWith(after))
        return status;
    const QString number = status.mid(before.size(), status.size() - before.size() - after.size());
    return seconds.match(number).hasMatch() ? pattern : status;
}

ReferenceAnalysis::Results ReferenceAnalysis::runEngine(const TextLines& lines,
                                                        const QString& wordCharacters,
                                                        const QLocale& locale,
                                                        const AnalysisTuning& tuning) {
    Results r;
    const AnalysisLabels labels = translatedLabels();
    AnalysisRun run(lines, wordCharacters, locale);
    run.setTuning(tuning);
    run.setProgressHandler([&](const AnalysisProgress& progress) {
        r.statuses << AnalysisText::status(progress, labels, locale);
        return true;
    });
    run.setNoWordsHandler(
        [&] { r.noWordsMessage = AnalysisText::noWordsMessage(labels, wordCharacters); });
    run.run();
    if (!r.statuses.isEmpty()) r.statuses.last() = maskSeconds(r.statuses.last(), locale);
    const AnalysisResults& results = run.results();
    r.overview = cellsOf(OverviewText(results.overview, labels, locale));
    r.characters =
        cellsOf(FrequencyText(results.characters, labels.character, labels.occurrence, locale));
    r.words = cellsOf(FrequencyText(results.words, labels.word, labels.occurrence, locale));
    r.lines = cellsOf(FrequencyText(results.lines, labels.line, labels.occurrence, locale));
    r.phrases2 = cellsOf(PhraseText(results.phrases2));
    r.phrases3 = cellsOf(PhraseText(results.phrases3));
    r.phrases4 = cellsOf(PhraseText(results.phrases4));
    r.noWords = results.noWords;
    return r;
}

QString ReferenceAnalysis::escaped(const QString& s) {
    QString out;
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != '\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString ReferenceAnalysis::firstDifference(const Cells& actual, const Cells& expected) {
    auto rowText = [](const Cells& cells, qsizetype row) {
        if (row >= cells.size()) return QStringLiteral("(no row)");
        QStringList parts;
        for (const QString& cell : cells[row])
            parts << QLatin1Char('\'') + escaped(cell) + QLatin1Char('\'');
        return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
    };
    const qsizetype rows = std::max(actual.size(), expected.size());
    for (qsizetype row = 0; row < rows; ++row) {
        if (row < actual.size() && row < expected.size() && actual[row] == expected[row]) continue;
        return QStringLiteral("row %1 of %2 (expected %3 rows): actual %4, expected %5")
            .arg(row)
            .arg(actual.size())
            .arg(expected.size())
            .arg(rowText(actual, row), rowText(expected, row));
    }
    return QString();
}
