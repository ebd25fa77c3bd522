#pragma once

#include "analysis/analysisresults.h"
#include "analysis/textlines.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QString>

#include "analysis/texttable.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ListCollator;
class PhraseCounter;

// The texts a run writes into its tables and status, in the caller's
// language; the defaults are the English originals. "%s" marks where the
// percentage or the seconds go.
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
};

// The most a run takes on. Rows of the tables are counted in int, and a
// line is handed to the collator with its length in UTF-16 units as int32.
struct AnalysisLimits {
    // Lines of the text, and so distinct lines; distinct words; phrases
    // listed at each length. The header row takes one table row.
    qint64 items = TextTable::MaxRows - 1;
    // UTF-16 code units in one line.
    qint64 lineUnits = std::numeric_limits<std::int32_t>::max();
};

// One analysis of a list of lines: the overview, the three frequency tables
// and the phrase lists, with progress reported as status texts.
//
// The run works on the caller's thread. The status handler is called
// whenever the shown text changes; the results window processes pending
// events there and returns false to cancel the run (its window is closing).
class AnalysisRun {
public:
    using StatusHandler = std::function<bool(const QString& status)>;
    using WarningHandler = std::function<void(const QString& message)>;
    using IdleHandler = std::function<bool()>;

    AnalysisRun(const TextLines& lines, const QString& wordCharacters,
                const QLocale& locale = QLocale(), AnalysisLabels labels = AnalysisLabels());
    ~AnalysisRun();

    // Sorts and classes by the collator of an ICU locale id, which may name
    // rules that QLocale does not carry ("es_ES@collation=traditional").
    void setCollation(const std::string& icuLocaleId);

    void setStatusHandler(StatusHandler handler) { status_ = std::move(handler); }
    // Called every few milliseconds while the run waits for the phrase count,
    // so that a window can stay responsive; false cancels the run.
    void setIdleHandler(IdleHandler handler) { idle_ = std::move(handler); }
    // Long phases call the idle handler too, once this much time has passed
    // without a status or idle call (40 ms unless set).
    void setIdleInterval(int milliseconds) { idleInterval_ = milliseconds; }
    // Called, after the line table is filled, when the text holds no word.
    void setNoWordsHandler(WarningHandler handler) { noWords_ = std::move(handler); }
    // Called once the overview and the Character, Word and Line tables are
    // complete, while the phrases may still be counting.
    void setTablesReadyHandler(std::function<void()> handler) { tablesReady_ = std::move(handler); }

    // Beyond these the run throws std::length_error with a message for the
    // user, before any count overflows; lowered by tests.
    void setLimits(AnalysisLimits limits) { limits_ = limits; }
    // Throws std::length_error when the lines exceed the limits.
    static void checkLines(const TextLines& lines, const AnalysisLimits& limits);

    // The whole run; false when the status handler cancelled it.
    bool run();

    // Phrases are counted on a second thread from the start of the run,
    // beside the other phases; off, they are counted in countPhrases().
    void setPhrasesInBackground(bool on) { phrasesInBackground_ = on; }

    // The phases in the order run() performs them, public for the benchmark.
    // Each returns false when cancelled.
    void start();
    bool countCharacters();
    bool countWords();
    bool fillWordTable();
    bool countLines();
    void warnIfNoWords();
    bool countPhrases();
    void finish();

    const AnalysisResults& results() const { return results_; }
    AnalysisResults& results() { return results_; }

    // The current status text ("Loading...", "Loading: 37%", "Elapsed Time:
    // 0.123 sec").
    QString status() const { return statusText_; }

private:
    bool report(int percent);
    // Lets the idle handler run when a while has passed since the window
    // last answered; false once the run is cancelled.
    bool pulse();
    QElapsedTimer sinceAnswered_;
    int idleInterval_ = 40;
    template <typename Percent, typename Body>
    bool eachStretch(std::uint64_t n, Percent percent, Body body);
    bool setStatus(const QString& text);

    const TextLines& lines_;
    AnalysisLimits limits_;
    QString wordCharacters_;
    QLocale locale_;
    AnalysisLabels labels_;
    std::unique_ptr<ListCollator> collator_;
    StatusHandler status_;
    WarningHandler noWords_;
    IdleHandler idle_;
    std::function<void()> tablesReady_;
    AnalysisResults results_;
    QString statusText_;
    int shownPercent_ = 0;
    bool cancelled_ = false;
    QElapsedTimer clock_;

    struct WordCounts;
    std::unique_ptr<WordCounts> words_;

    void stopPhrases();
    bool phrasesInBackground_ = true;
    std::unique_ptr<ListCollator> phraseCollator_;
    std::unique_ptr<PhraseCounter> phrases_;
    std::thread phraseThread_;
    std::atomic<bool> cancelPhrases_{false};
    std::mutex phraseMutex_;
    std::condition_variable phraseDone_;
    bool phrasesCounted_ = false; // guarded by phraseMutex_
    std::exception_ptr phraseError_;
};
