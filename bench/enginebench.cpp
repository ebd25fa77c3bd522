// Timings of the analysis engine, phase by phase.
//
// The text comes from the file named by LEXO_BENCH_FILE, read as batch
// analysis reads it; without it, a generated text of about 5 MB keeps a
// default run short. LEXO_BENCH_WORD_CHARS replaces the English word
// characters.

#include "analysis/engine/analysisrun.h"
#include "analysis/engine/memorytuning.h"
#include "analysis/engine/textlines.h"
#include "analysis/ui/results/roworder.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kEnglishWordChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'";

struct Corpus {
    QString path;
    qint64 bytes = 0;
    TextLines lines;
    QString wordChars;
};

Corpus corpus;
QTemporaryDir* generatedDir = nullptr;

// Words of one to three syllables, some accented or Cyrillic, drawn with
// Zipf-like frequencies into sentences and lines of up to 300 characters,
// so that every table and the phrase lists get realistic sizes.
std::string generateText(std::size_t targetBytes) {
    std::mt19937 rng(20240229);
    const std::vector<std::string> latin = {"ba", "ce", "di", "fo", "gu", "ha", "je", "ki", "lo",
                                            "ma", "ne", "po", "ra", "se", "ti", "vo", "wa", "ze",
                                            "an", "er", "in", "on", "st", "th", "qu", "ou"};
    const std::vector<std::string> accented = {"é", "ü", "ñ", "ç", "ø", "à", "ö", "ê"};
    const std::vector<std::string> cyrillic = {"ба", "ве", "ги", "до", "жу", "за", "ки", "ло",
                                               "ме", "ну", "пы", "ря", "сё", "ть", "хо", "чу"};
    auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };

    std::vector<std::string> vocabulary;
    std::vector<double> weights;
    const int vocabularySize = 40000;
    for (int rank = 0; rank < vocabularySize; ++rank) {
        const int syllables = rank < 200 ? 1 : rank < 5000 ? 2 : 3;
        const unsigned kind = rng() % 8;
        std::string word;
        for (int s = 0; s < syllables; ++s)
            word += kind == 0 ? pick(cyrillic) : pick(latin);
        if (kind == 1) word += pick(accented);
        if (kind == 2 && rank > 100) word[0] = char(word[0] - 'a' + 'A'); // a name
        vocabulary.push_back(word);
        weights.push_back(1.0 / (rank + 2.7));
    }
    std::discrete_distribution<int> zipf(weights.begin(), weights.end());
    std::uniform_int_distribution<int> sentenceLength(3, 25);
    std::uniform_int_distribution<int> lineLength(0, 300);
    const char* const marks[] = {",", ",", ",", ";", ":", " -", "!", "", "", "", "", ""};
    const char* const ends[] = {".", ".", ".", ".", "?", "!"};

    std::string text;
    text.reserve(targetBytes + 400);
    std::string line;
    int lineTarget = lineLength(rng);
    while (text.size() < targetBytes) {
        const int n = sentenceLength(rng);
        for (int i = 0; i < n; ++i) {
            std::string word = vocabulary[zipf(rng)];
            if (i + 1 < n)
                word += marks[rng() % std::size(marks)];
            else
                word += ends[rng() % std::size(ends)];
            if (!line.empty() && int(line.size() + 1 + word.size()) > lineTarget) {
                text += line;
                text += '\n';
                line.clear();
                lineTarget = lineLength(rng);
                if (lineTarget == 0) text += '\n';
            }
            if (!line.empty()) line += ' ';
            line += word;
        }
    }
    text += line;
    text += '\n';
    return text;
}

bool loadCorpus() {
    const QByteArray file = qgetenv("LEXO_BENCH_FILE");
    if (!file.isEmpty()) {
        corpus.path = QString::fromLocal8Bit(file);
    } else {
        generatedDir = new QTemporaryDir;
        corpus.path = generatedDir->filePath(QStringLiteral("generated.txt"));
        QFile out(corpus.path);
        const std::string text = generateText(5'000'000);
        if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), qint64(text.size())) < 0) {
            std::fprintf(stderr, "enginebench: cannot write %s\n", qPrintable(corpus.path));
            return false;
        }
    }
    QString error;
    if (!corpus.lines.readFile(corpus.path, &error)) {
        std::fprintf(stderr, "enginebench: %s\n", qPrintable(error));
        return false;
    }
    corpus.bytes = QFileInfo(corpus.path).size();
    const QByteArray chars = qgetenv("LEXO_BENCH_WORD_CHARS");
    corpus.wordChars =
        chars.isEmpty() ? QString::fromLatin1(kEnglishWordChars) : QString::fromUtf8(chars);
    std::fprintf(stderr, "enginebench: %s, %.1f MB, %lld lines\n",
                 file.isEmpty() ? "generated text" : file.constData(), double(corpus.bytes) / 1e6,
                 static_cast<long long>(corpus.lines.count()));
    return true;
}

using Step = std::function<void(AnalysisRun&)>;

// The run's phases in the order run() performs them.
const std::vector<std::pair<const char*, Step>>& steps() {
    static const std::vector<std::pair<const char*, Step>> all = {
        {"Start", [](AnalysisRun& r) { r.start(); }},
        {"CountCharacters", [](AnalysisRun& r) { r.countCharacters(); }},
        {"CountWords", [](AnalysisRun& r) { r.countWords(); }},
        {"FillWordTable", [](AnalysisRun& r) { r.fillWordTable(); }},
        {"CountLines", [](AnalysisRun& r) { r.countLines(); }},
        {"WarnIfNoWords", [](AnalysisRun& r) { r.warnIfNoWords(); }},
        {"CountPhrases", [](AnalysisRun& r) { r.countPhrases(); }},
        {"Finish", [](AnalysisRun& r) { r.finish(); }},
    };
    return all;
}

// Times one phase; the phases before it run untimed on a fresh run.
void benchPhase(benchmark::State& state, std::size_t phase) {
    std::unique_ptr<AnalysisRun> run;
    for (auto _ : state) {
        state.PauseTiming();
        run.reset();
        run = std::make_unique<AnalysisRun>(corpus.lines, corpus.wordChars, QLocale());
        // Each phase on its own: phrases are counted in their own step.
        run->setPhrasesInBackground(false);
        for (std::size_t i = 0; i < phase; ++i)
            steps()[i].second(*run);
        state.ResumeTiming();
        steps()[phase].second(*run);
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void addResultCounters(benchmark::State& state, const AnalysisResults& results) {
    state.counters["words"] = double(results.words.total());
    state.counters["unique_words"] = results.words.itemCount();
    state.counters["unique_lines"] = results.lines.itemCount();
    state.counters["phrases"] =
        results.phrases2.itemCount() + results.phrases3.itemCount() + results.phrases4.itemCount();
}

// Construction and every phase, as the results window and the command-line
// tool run them; freeing the results stays outside.
void benchFullRun(benchmark::State& state) {
    std::unique_ptr<AnalysisRun> run;
    for (auto _ : state) {
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
        run = std::make_unique<AnalysisRun>(corpus.lines, corpus.wordChars, QLocale());
        run->run();
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    if (run) addResultCounters(state, run->results());
}

// What a click on a table's Occurrence header does: the Line table, which
// has a row for each distinct line, sorted by count, stable.
void benchSortByCount(benchmark::State& state) {
    AnalysisRun run(corpus.lines, corpus.wordChars, QLocale());
    run.run();
    const FrequencyTable& lines = run.results().lines;
    for (auto _ : state) {
        RowOrder order;
        order.byCount(lines.itemCount(), true, [&lines](int i) { return lines.count(i); });
        benchmark::DoNotOptimize(order.item(0));
    }
    state.counters["rows"] = lines.itemCount();
}

void benchReadFile(benchmark::State& state) {
    for (auto _ : state) {
        TextLines lines;
        QString error;
        if (!lines.readFile(corpus.path, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        benchmark::DoNotOptimize(lines.count());
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

} // namespace

int main(int argc, char** argv) {
    MemoryTuning::apply();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!loadCorpus()) return 1;

    benchmark::RegisterBenchmark("BM_ReadFile", benchReadFile)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (std::size_t i = 0; i < steps().size(); ++i) {
        const std::string name = steps()[i].first;
        // Start, the warning and Finish do next to nothing.
        if (name == "Start" || name == "WarnIfNoWords" || name == "Finish") continue;
        benchmark::RegisterBenchmark(("BM_" + name).c_str(), benchPhase, i)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("BM_FullRun", benchFullRun)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_SortByCount", benchSortByCount)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete generatedDir;
    return 0;
}
