#pragma once

#include "analysis/engine/analysisresults.h"
#include "analysis/engine/phrasecounter.h"
#include "analysis/engine/textlines.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

class ListCollator;

// How far a run has come: started, counting (a percentage), or finished
// (with the seconds it took).
struct AnalysisProgress {
    enum class Phase { Started, Counting, Finished };
    Phase phase = Phase::Started;
    int percent = 0;
    double seconds = 0;

    bool operator==(const AnalysisProgress&) const = default;
};

// The most a run takes on. Rows of the tables are counted in int, and a
// line is handed to the collator with its length in UTF-16 units as int32.
struct AnalysisLimits {
    // Lines of the text, and so distinct lines; distinct words; phrases
    // listed at each length.
    qint64 items = FrequencyTable::MaxItems;
    // UTF-16 code units in one line.
    qint64 lineUnits = std::numeric_limits<std::int32_t>::max();
};

// How a run counts, where a test or a benchmark chooses; the defaults are
// the program's.
struct AnalysisTuning {
    // Where the word table's words come from: a scan of the lines, or the
    // distinct words of the phrase count cut into words (possible when no
    // word character is a phrase delimiter), which is the default where it
    // is possible.
    enum class WordSource { Choose, Lines, PhraseWords };
    WordSource wordSource = WordSource::Choose;
    // Phrase tables beyond this many bytes are counted in two passes.
    std::size_t directTableLimit = PhraseCounter::DefaultDirectTableLimit;
    // Pieces the phrase words are split in side by side; 0 chooses.
    int tokenizerPieces = 0;
};

// One analysis of a list of lines: the overview, the three frequency tables
// and the phrase lists, as counts, with progress reported as it changes.
//
// The run works on the thread that calls run(), in the program the analysis
// worker. The progress handler is called whenever the phase or the
// percentage changes, and returns false to cancel the run.
class AnalysisRun {
public:
    using ProgressHandler = std::function<bool(const AnalysisProgress& progress)>;
    using IdleHandler = std::function<bool()>;

    // The locale gives the collation of the tables and phrases.
    AnalysisRun(const TextLines& lines, const QString& wordCharacters,
                const QLocale& locale = QLocale());
    ~AnalysisRun();

    // Sorts and classes by the collator of an ICU locale id, which may name
    // rules that QLocale does not carry ("es_ES@collation=traditional").
    void setCollation(const std::string& icuLocaleId);

    void setProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
    // Called every few milliseconds while the run waits for the phrase count,
    // so that a cancelled run ends soon; false cancels the run.
    void setIdleHandler(IdleHandler handler) { idle_ = std::move(handler); }
    // Long phases call the idle handler too, once this much time has passed
    // without a progress or idle call (40 ms unless set).
    void setIdleInterval(int milliseconds) { idleInterval_ = milliseconds; }
    // Called, after the line table is filled, when the text holds no word.
    void setNoWordsHandler(std::function<void()> handler) { noWords_ = std::move(handler); }
    // Called once the overview and the Character, Word and Line tables are
    // complete, while the phrases may still be counting.
    void setTablesReadyHandler(std::function<void()> handler) { tablesReady_ = std::move(handler); }

    // Beyond these the run throws an AnalysisError, before any count
    // overflows; lowered by tests.
    void setLimits(AnalysisLimits limits) { limits_ = limits; }
    // Throws an AnalysisError when the lines exceed the limits.
    static void checkLines(const TextLines& lines, const AnalysisLimits& limits);

    // The whole run; false when the progress handler cancelled it.
    bool run();

    using WordSource = AnalysisTuning::WordSource;
    void setTuning(const AnalysisTuning& tuning) { tuning_ = tuning; }

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

    // After countWords(), in place of fillWordTable(): each distinct word
    // with its count, in the order first seen, for a caller that adds up the
    // words of many texts.
    void forEachWordCount(
        const std::function<void(std::string_view word, std::uint64_t count)>& visit) const;

    const AnalysisResults& results() const { return *results_; }
    AnalysisResults& results() { return *results_; }
    // The same results, to be shared once a phase has filled its part; the
    // run writes only the parts that later phases fill.
    std::shared_ptr<const AnalysisResults> sharedResults() const { return results_; }

    AnalysisProgress progress() const { return shown_; }

private:
    bool report(int percent);
    // Lets the idle handler run when a while has passed since the window
    // last answered; false once the run is cancelled.
    bool pulse();
    QElapsedTimer sinceAnswered_;
    int idleInterval_ = 40;
    template <typename Percent, typename Body>
    bool eachStretch(std::uint64_t n, Percent percent, Body body);
    bool setProgress(const AnalysisProgress& progress);

    const TextLines& lines_;
    AnalysisLimits limits_;
    AnalysisTuning tuning_;
    QString wordCharacters_;
    std::unique_ptr<ListCollator> collator_;
    ProgressHandler progress_;
    std::function<void()> noWords_;
    IdleHandler idle_;
    std::function<void()> tablesReady_;
    std::shared_ptr<AnalysisResults> results_ = std::make_shared<AnalysisResults>();
    AnalysisProgress shown_;
    bool cancelled_ = false;
    QElapsedTimer clock_;

    struct WordCounts;
    std::unique_ptr<WordCounts> words_;

    void stopPhrases();
    bool phrasesInBackground_ = true;
    std::unique_ptr<ListCollator> phraseCollator_;
    std::unique_ptr<PhraseCounter> phrases_;
    // Waits until the phrase counter has split the text into words; false
    // when its words cannot stand in for a scan of the lines, or when the
    // run was cancelled meanwhile.
    bool waitForPhraseWords();
    // Whether the word table is cut from the phrase words.
    bool wordsFromPhraseWords() const;
    // Where a sample of the text's start finds nearly every word new, notes
    // the words expected below.
    void expectNewWords();
    bool deriveWords_ = false;
    // Where a sample found nearly every word new: about how many distinct
    // words, of how many bytes, the whole text holds.
    std::size_t expectedWords_ = 0, expectedWordBytes_ = 0;
    bool phraseWordsReady_ = false; // guarded by phraseMutex_
    std::thread phraseThread_;
    std::atomic<bool> cancelPhrases_{false};
    std::mutex phraseMutex_;
    std::condition_variable phraseDone_;
    bool phrasesCounted_ = false; // guarded by phraseMutex_
    // Set once the word table no longer reads the phrase words.
    bool phraseWordsTaken_ = false; // guarded by phraseMutex_
    // Once the phrases are counted and their words taken, the counter's copy
    // of the text's words goes, long before the run ends. Called with
    // phraseMutex_ held.
    void releasePhraseTextIfDone();
    std::exception_ptr phraseError_;
};
