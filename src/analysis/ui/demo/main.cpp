// Opens a results window for a file, or for a sample text, so that the
// window can be tried by hand before the main window exists.
#include "analysis/engine/memorytuning.h"
#include "analysis/engine/wordcharacterpresets.h"
#include "analysis/ui/concordance/concordancewindow.h"
#include "analysis/ui/results/resultswindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The Word table's row of a word, or its most frequent word's without one.
int wordRow(ResultsWindow* window, const QString& word) {
    QAbstractItemModel* words = window->findChild<QTableView*>(QStringLiteral("wordGrid"))->model();
    int best = 0;
    for (int row = 0; row < words->rowCount(); ++row) {
        const QModelIndex item = words->index(row, 0);
        if (!word.isEmpty() && item.data().toString() == word) return row;
        if (item.data(Qt::UserRole).toULongLong() >
            words->index(best, 0).data(Qt::UserRole).toULongLong())
            best = row;
    }
    return best;
}

// Prints the times from the request to the first screen of hits, to every
// hit, and to the hits sorted by 1R; then runs `done`.
void measureConcordance(ResultsWindow* window, const QString& word,
                        const std::function<void()>& done) {
    auto* clock = new QElapsedTimer;
    clock->start();
    ConcordanceWindow* concordance =
        window->openConcordance(ResultsWindow::WordTab, wordRow(window, word));
    auto* hits = concordance->findChild<QTableView*>(QStringLiteral("hitList"));
    auto shown = std::make_shared<QMetaObject::Connection>();
    *shown = QObject::connect(hits->model(), &QAbstractItemModel::rowsInserted, [=] {
        QObject::disconnect(*shown);
        concordance->repaint();
        std::fprintf(stderr, "concordance of \"%s\": first screen painted: %lld ms\n",
                     qPrintable(concordance->query().text), clock->elapsed());
    });
    auto sorting = std::make_shared<bool>(false);
    QObject::connect(concordance, &ConcordanceWindow::hitsReady, [=] {
        if (!*sorting) {
            std::fprintf(stderr, "every hit (%zu) found: %lld ms\n", concordance->hits().size(),
                         clock->elapsed());
            *sorting = true;
            clock->restart();
            concordance->findChild<QComboBox*>(QStringLiteral("sortBox"))->setCurrentIndex(1);
            return;
        }
        concordance->repaint();
        std::fprintf(stderr, "sorted by 1R and painted: %lld ms\n", clock->elapsed());
        delete clock;
        done();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    QStringList args = QApplication::arguments();
    args.removeFirst();
    // --measure: print the time from show to the elapsed-time status and the
    // time to open a chart of the Word table, then quit.
    const bool measure = args.removeAll(QStringLiteral("--measure")) > 0;
    // --screenshot DIR: save pictures of the window's tabs, of a word chart
    // and of a word's concordance into DIR, then quit.
    QString shots;
    if (const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
        at >= 0 && at + 1 < args.size()) {
        shots = args.at(at + 1);
        args.remove(at, 2);
    }
    // --concordance WORD: the word whose concordance is measured or pictured
    // (the most frequent one without it).
    QString concordanceWord;
    if (const qsizetype at = args.indexOf(QStringLiteral("--concordance"));
        at >= 0 && at + 1 < args.size()) {
        concordanceWord = args.at(at + 1);
        args.remove(at, 2);
    }

    auto* window = new ResultsWindow;
    window->setWordCharacters(WordCharacterPresets::wordCharacters(
        WordCharacterPresets::lines(WordCharacterPresets::English)));
    if (!args.isEmpty()) {
        QString error;
        if (!window->lines().readFile(args.first(), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        window->setWindowTitle(args.first());
    } else {
        window->lines().setText(
            u"The cat sat on the mat. The cat ran.\nNew York, New York\n\nThe end. the end.\n"
            u"Été été, déjà vu; Привет мир, привет МИР\nשלום עולם\n");
    }

    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("tabs"));
    auto* lineGrid = window->findChild<QTableView*>(QStringLiteral("lineGrid"));
    QElapsedTimer clock;
    if (measure) {
        QObject::connect(window, &ResultsWindow::analysisFinished, [&] {
            const qint64 run = clock.elapsed();
            std::fprintf(stderr, "show to elapsed-time status: %lld ms (%s)\n", run,
                         qPrintable(window->statusText()));
            QElapsedTimer chartClock;
            chartClock.start();
            window->openPieChart(ResultsWindow::WordTab);
            QApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != window && w->isVisible()) w->repaint();
            std::fprintf(stderr, "word chart open and painted: %lld ms\n", chartClock.elapsed());
            QElapsedTimer viewClock;
            viewClock.start();
            tabs->setCurrentIndex(ResultsWindow::LineTab);
            lineGrid->scrollToBottom();
            window->repaint();
            window->resize(window->width() + 200, window->height() + 100);
            QApplication::processEvents();
            window->repaint();
            std::fprintf(stderr,
                         "line tab of %d rows shown, scrolled to the end, resized: %lld ms\n",
                         lineGrid->model()->rowCount(), viewClock.elapsed());
            measureConcordance(window, concordanceWord,
                               [&] { QTimer::singleShot(0, &app, &QApplication::quit); });
        });
    }
    if (!shots.isEmpty()) {
        QObject::connect(window, &ResultsWindow::analysisFinished, [&] {
            const char* names[] = {"overview", "characters", "words", "lines", "phrases2"};
            for (int tab = 0; tab < 5; ++tab) {
                tabs->setCurrentIndex(tab);
                QApplication::processEvents();
                window->grab().save(
                    shots + QStringLiteral("/results-%1.png").arg(QLatin1String(names[tab])));
            }
            window->openPieChart(ResultsWindow::WordTab);
            QApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != window && w->isVisible() && w->inherits("PieChartWindow"))
                    w->grab().save(shots + QStringLiteral("/chart-words.png"));
            ConcordanceWindow* concordance =
                window->openConcordance(ResultsWindow::WordTab, wordRow(window, concordanceWord));
            QObject::connect(concordance, &ConcordanceWindow::hitsReady, [&, concordance] {
                QApplication::processEvents();
                concordance->grab().save(shots + QStringLiteral("/concordance.png"));
                QTimer::singleShot(0, &app, &QApplication::quit);
            });
        });
    }
    clock.start();
    window->show();
    return app.exec();
}
