// Opens a results window for a file, or for a sample text, so that the
// window can be tried by hand before the main window exists.
#include "analysis/memorytuning.h"
#include "analysis/ui/resultswindow.h"
#include "analysis/wordcharacterpresets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    QStringList args = QApplication::arguments();
    args.removeFirst();
    // --measure: print the time from show to the elapsed-time status and the
    // time to open a chart of the Word table, then quit.
    const bool measure = args.removeAll(QStringLiteral("--measure")) > 0;
    // --screenshot DIR: save pictures of the window's tabs and of a word
    // chart into DIR, then quit.
    QString shots;
    if (const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
        at >= 0 && at + 1 < args.size()) {
        shots = args.at(at + 1);
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
            QTimer::singleShot(0, &app, &QApplication::quit);
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
            QTimer::singleShot(0, &app, &QApplication::quit);
        });
    }
    clock.start();
    window->show();
    return app.exec();
}
