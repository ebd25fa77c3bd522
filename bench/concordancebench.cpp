// The concordance engine on a large text: finding every hit of a typed word
// or phrase, sorting them, and making the contexts of one screen.
//
//   concordancebench --find FILE TEXT   all hits of TEXT, in one pass
//   concordancebench --sort FILE TEXT   the hits sorted by 1R (and 1R 2R 3R)
//   concordancebench [benchmark options]   BM_Find, BM_SortRight and
//       BM_FirstScreen on LEXO_BENCH_FILE for "the"
//
// TEXT is read with the English preset's word characters under en_US, as
// the command-line tool reads it by default. Each mode prints one line.

#include "analysis/concordance/concordance.h"
#include "analysis/engine/listcollator.h"
#include "analysis/engine/memorytuning.h"
#include "analysis/engine/textlines.h"
#include "analysis/engine/wordcharacterpresets.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QString englishCharacters() {
    return WordCharacterPresets::wordCharacters(
        WordCharacterPresets::lines(WordCharacterPresets::English));
}

struct Setup {
    TextLines lines;
    std::unique_ptr<ListCollator> collator = ListCollator::forIcuLocale("en_US");
    Concordance::Query query;
};

bool prepare(Setup& s, const QString& path, const QString& text) {
    QString error;
    if (!s.lines.readFile(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    const Concordance::TypedQuery parsed = Concordance::parseTyped(text, englishCharacters());
    if (parsed.problem != Concordance::TypedProblem::None) {
        std::fprintf(stderr, "not a word or phrase: %s\n", qPrintable(text));
        return false;
    }
    s.query = parsed.query;
    return true;
}

std::vector<Concordance::Hit> findAll(const Setup& s) {
    return Concordance::Finder(s.lines, englishCharacters(), *s.collator).findAll(s.query);
}

QString benchFile() {
    return QString::fromLocal8Bit(qgetenv("LEXO_BENCH_FILE"));
}

Setup& shared() {
    static Setup setup;
    static const bool ready = prepare(setup, benchFile(), QStringLiteral("the"));
    if (!ready) std::exit(1);
    return setup;
}

void BM_Find(benchmark::State& state) {
    if (benchFile().isEmpty()) return state.SkipWithError("LEXO_BENCH_FILE is not set");
    const Setup& s = shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(findAll(s).size());
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SortRight(benchmark::State& state) {
    if (benchFile().isEmpty()) return state.SkipWithError("LEXO_BENCH_FILE is not set");
    const Setup& s = shared();
    const std::vector<Concordance::Hit> found = findAll(s);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Concordance::Hit> hits = found;
        state.ResumeTiming();
        Concordance::sortHits(hits, s.lines, {Concordance::Side::Right, int(state.range(0))},
                              *s.collator);
    }
}
BENCHMARK(BM_SortRight)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first hits as they come, and the contexts of a screen of 40 rows.
void BM_FirstScreen(benchmark::State& state) {
    if (benchFile().isEmpty()) return state.SkipWithError("LEXO_BENCH_FILE is not set");
    const Setup& s = shared();
    for (auto _ : state) {
        std::vector<Concordance::Hit> first;
        Concordance::Finder(s.lines, englishCharacters(), *s.collator)
            .find(s.query, [&](std::span<const Concordance::Hit> hits) {
                first.assign(hits.begin(), hits.end());
                return false;
            });
        for (std::size_t i = 0; i < std::min<std::size_t>(40, first.size()); ++i)
            benchmark::DoNotOptimize(
                Concordance::contextOf(s.lines, first[i], Concordance::DefaultWidth));
    }
}
BENCHMARK(BM_FirstScreen)->Unit(benchmark::kMicrosecond)->UseRealTime();

int findMode(const QString& path, const QString& text, bool sort) {
    Setup s;
    if (!prepare(s, path, text)) return 1;
    QElapsedTimer clock;
    clock.start();
    std::vector<Concordance::Hit> hits = findAll(s);
    const double found = clock.nsecsElapsed() / 1e9;
    if (!sort) {
        std::printf("find %.3f s, %zu hits, %.1f MB of hits (%zu bytes a hit)\n", found,
                    hits.size(), double(hits.size() * sizeof(Concordance::Hit)) / 1e6,
                    sizeof(Concordance::Hit));
        return 0;
    }
    for (int words : {1, 3}) {
        std::vector<Concordance::Hit> copy = hits;
        clock.restart();
        Concordance::sortHits(copy, s.lines, {Concordance::Side::Right, words}, *s.collator);
        std::printf("sort by %s: %.3f s, %zu hits\n", words == 1 ? "1R" : "1R 2R 3R",
                    clock.nsecsElapsed() / 1e9, copy.size());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    MemoryTuning::apply();
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strncmp(argv[1], "--", 2) == 0) {
        const QString mode = QString::fromLocal8Bit(argv[1]);
        const QString path = QString::fromLocal8Bit(argv[2]);
        const QString text = QString::fromLocal8Bit(argv[3]);
        if (mode == QLatin1String("--find")) return findMode(path, text, false);
        if (mode == QLatin1String("--sort")) return findMode(path, text, true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
