// Loading a text into the main window's editor, against the analyser
// reading the same file, and how long the window goes without answering
// while it analyses that text.
//
//   editorbench --read FILE      the analyser's read of FILE, then exit
//   editorbench --load FILE      FILE loaded into the editor, then exit
//   editorbench --analyze FILE   FILE loaded and analysed in a results window
//   editorbench --type FILE      FILE loaded, then keys typed at its start and end
//   editorbench --close FILE     FILE analysed; the window closed at each 10% of
//                                the count, and the time until its job has ended
//   editorbench --wrap FILE      FILE loaded with Word Wrap on; the CPU time the
//                                program uses after the load, until it idles or
//                                LEXO_WRAP_LIMIT seconds (default 60) have passed
//   editorbench [benchmark options]   BM_ReadLines and BM_EditorLoad on the
//                                     file named by LEXO_BENCH_FILE
//
// Each mode prints one line "mode seconds ..."; /usr/bin/time around the
// first two gives their peak memory.

#include "analysis/engine/memorytuning.h"
#include "analysis/engine/textlines.h"
#include "analysis/jobs/analysisqueue.h"
#include "analysis/ui/results/resultswindow.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/texteditor.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>

namespace {

TextEditor* editorOf(const MainWindow* form) {
    return form->findChild<TextEditor*>(QStringLiteral("editor"));
}

} // namespace

namespace {

QString benchFile() {
    return QString::fromLocal8Bit(qgetenv("LEXO_BENCH_FILE"));
}

bool readLines(const QString& path) {
    TextLines lines;
    QString error;
    if (!lines.readFile(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    benchmark::DoNotOptimize(lines.count());
    return true;
}

bool load(MainWindow& form, const QString& path) {
    FileError error;
    if (!form.loadFile(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(FileErrorText::text(error)));
        return false;
    }
    return true;
}

void BM_ReadLines(benchmark::State& state) {
    const QString path = benchFile();
    if (path.isEmpty()) return state.SkipWithError("LEXO_BENCH_FILE is not set");
    for (auto _ : state)
        if (!readLines(path)) return state.SkipWithError("cannot read the file");
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EditorLoad(benchmark::State& state) {
    const QString path = benchFile();
    if (path.isEmpty()) return state.SkipWithError("LEXO_BENCH_FILE is not set");
    MainWindow form;
    for (auto _ : state)
        if (!load(form, path)) return state.SkipWithError("cannot load the file");
}
BENCHMARK(BM_EditorLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// Loads the file, presses Analyze and follows the results window to its
// end, timing the longest stretch in which the event loop did not turn.
int analyze(const QString& path) {
    MainWindow form;
    form.show();
    QElapsedTimer clock;
    clock.start();
    if (!load(form, path)) return 1;
    const double loaded = clock.nsecsElapsed() / 1e9;

    qint64 last = clock.nsecsElapsed(), longest = 0;
    QString status, longestAfter; // the status shown when the longest pause began
    const auto turned = [&](qint64 now) {
        if (now - last > longest) {
            longest = now - last;
            longestAfter = status;
        }
        last = now;
    };
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] { turned(clock.nsecsElapsed()); });
    ticker.start();
    const qint64 pressed = clock.nsecsElapsed();
    last = pressed;
    form.analyze();
    auto* window = form.findChild<ResultsWindow*>();
    if (!window) return 1;
    const qint64 handedOver = clock.nsecsElapsed() - pressed;
    longest = std::max(longest, handedOver);
    bool finished = false;
    QObject::connect(window, &ResultsWindow::analysisFinished, [&] { finished = true; });
    QObject::connect(window, &ResultsWindow::statusChanged, [&](const QString& s) {
        turned(clock.nsecsElapsed());
        status = s;
    });
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 now = clock.nsecsElapsed();
    turned(now);
    std::printf("analyze load %.3f s, hand-over %.3f s, analysis %.3f s, longest pause %.3f s "
                "(after \"%s\")\n",
                loaded, handedOver / 1e9, (now - pressed) / 1e9, longest / 1e9,
                qPrintable(longestAfter));
    return 0;
}

// Closes a results window at a percentage of its count and times how long
// its job goes on: the longest over the closes at 10%, 20% ... 90%.
int closeDuringAnalysis(const QString& path) {
    MainWindow form;
    if (!load(form, path)) return 1;
    double longest = 0;
    for (int percent = 10; percent < 100; percent += 10) {
        form.analyze();
        QPointer<ResultsWindow> window = form.findChild<ResultsWindow*>();
        if (!window) return 1;
        QElapsedTimer closed;
        const QString at = QStringLiteral("Loading: %1%").arg(percent);
        bool reached = false;
        QObject::connect(window, &ResultsWindow::statusChanged, window, [&](const QString& s) {
            const int shown = s.mid(9).chopped(1).toInt();
            if (!reached && s.startsWith(QLatin1String("Loading: ")) && shown >= percent) {
                reached = true;
                closed.start();
                window->close();
            }
        });
        while (window && !reached)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        while (AnalysisQueue::ofApplication().pending() > 0)
            QThread::usleep(200);
        const double stopped = closed.nsecsElapsed() / 1e6;
        longest = std::max(longest, stopped);
        std::printf("close at %s: job ended after %.1f ms\n", qPrintable(at), stopped);
    }
    std::printf("close longest %.1f ms\n", longest);
    return 0;
}

// Time from a key press to the editor having taken it, at the start and at
// the end of the text; then the worst key of all, and the worst of keys typed
// at either end while an analysis of the text runs.
int type(const QString& path) {
    MainWindow form;
    form.show();
    if (!load(form, path)) return 1;
    TextEditor* editor = editorOf(&form);
    // Milliseconds from the key's press to the editor having taken it.
    const auto press = [&](int key, const QString& text) {
        QElapsedTimer clock;
        clock.start();
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &up);
        QCoreApplication::processEvents();
        return clock.nsecsElapsed() / 1e6;
    };
    press(Qt::Key_Escape, QString()); // the first paint is not a key's
    double worst = 0;
    for (const char* where : {"start", "end"}) {
        const long position =
            where[0] == 's' ? 0L : editor->SendScintilla(QsciScintilla::SCI_GETLENGTH);
        editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, position);
        // The first key there moves the editor's gap, the others do not.
        const double first = press(Qt::Key_A, QStringLiteral("a"));
        double typed = 0, erased = 0;
        for (int i = 0; i < 10; ++i) {
            const double key = press(Qt::Key_A, QStringLiteral("a"));
            typed += key;
            worst = std::max(worst, key);
        }
        for (int i = 0; i < 11; ++i) {
            const double key = press(Qt::Key_Backspace, QString());
            erased += key;
            worst = std::max(worst, key);
        }
        worst = std::max(worst, first);
        std::printf("type at the %s: first key %.2f ms, then %.2f ms a letter, %.2f ms a "
                    "Backspace\n",
                    where, first, typed / 10, erased / 11);
    }
    // Keys at either end, in turn, while the text is analysed.
    form.analyze();
    auto* results = form.findChild<ResultsWindow*>();
    if (!results) return 1;
    while (editor->isReadOnly())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    double worstBusy = 0;
    int keys = 0;
    for (bool atStart = true; results->isRunning() && keys < 200; atStart = !atStart, ++keys) {
        editor->SendScintilla(QsciScintilla::SCI_GOTOPOS,
                              atStart ? 0L : editor->SendScintilla(QsciScintilla::SCI_GETLENGTH));
        worstBusy = std::max(worstBusy, press(Qt::Key_A, QStringLiteral("a")));
        QThread::msleep(20);
    }
    std::printf("worst key %.2f ms; while the text is analysed %.2f ms (%d keys)\n", worst,
                worstBusy, keys);
    return 0;
}

QString statusText(const MainWindow& form) {
    QStringList shown;
    for (const QLabel* label :
         form.findChild<QStatusBar*>(QStringLiteral("statusBar"))->findChildren<QLabel*>())
        if (label->isVisible()) shown << label->text();
    return shown.join(QStringLiteral(" | "));
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// Word Wrap is on before the load, as when the setting was saved; the
// editor's wrapping runs in the event loop after it.
int wrap(const QString& path) {
    MainWindow form;
    form.show();
    auto* wordWrap = form.findChild<QAction*>(QStringLiteral("wordWrapAction"));
    if (!wordWrap) return 1;
    wordWrap->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    if (!load(form, path)) return 1;
    const double loaded = clock.nsecsElapsed() / 1e9;
    const double limit = qEnvironmentVariableIntValue("LEXO_WRAP_LIMIT") > 0
                             ? qEnvironmentVariableIntValue("LEXO_WRAP_LIMIT")
                             : 60.0;
    const double start = cpuSeconds();
    QElapsedTimer since;
    since.start();
    // Idle: under 2% of a core over the last second.
    double secondStartCpu = start;
    qint64 secondStart = 0;
    bool idle = false;
    while (since.nsecsElapsed() / 1e9 < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(1);
        if (since.nsecsElapsed() - secondStart >= 1000000000) {
            const double used = cpuSeconds() - secondStartCpu;
            if (used < 0.02) {
                idle = true;
                break;
            }
            secondStart = since.nsecsElapsed();
            secondStartCpu = cpuSeconds();
        }
    }
    const long lines = editorOf(&form)->SendScintilla(QsciScintilla::SCI_GETLINECOUNT);
    const long shown = editorOf(&form)->SendScintilla(QsciScintilla::SCI_VISIBLEFROMDOCLINE,
                                                      lines);
    std::printf("wrap load %.3f s, then %.2f CPU s in %.1f s (%s), %ld lines shown as %ld, "
                "status \"%s\"\n",
                loaded, cpuSeconds() - start, since.nsecsElapsed() / 1e9,
                idle ? "idle" : "still busy", lines, shown,
                qPrintable(statusText(form)));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    MemoryTuning::apply();
    QApplication app(argc, argv);
    // No dialog may wait for an answer here.
    Dialogs::setHandler([](const Dialogs::Request& r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.text));
        return QString();
    });
    if (argc == 3 && std::strncmp(argv[1], "--", 2) == 0) {
        const QString mode = QString::fromLocal8Bit(argv[1]);
        const QString path = QString::fromLocal8Bit(argv[2]);
        QElapsedTimer clock;
        clock.start();
        if (mode == QLatin1String("--read")) {
            if (!readLines(path)) return 1;
            std::printf("read %.3f s\n", clock.nsecsElapsed() / 1e9);
            return 0;
        }
        if (mode == QLatin1String("--load")) {
            MainWindow form;
            if (!load(form, path)) return 1;
            std::printf("load %.3f s, %s\n", clock.nsecsElapsed() / 1e9,
                        qPrintable(form.findChild<QStatusBar*>(QStringLiteral("statusBar"))
                                       ->findChild<QLabel*>()
                                       ->text()));
            return 0;
        }
        if (mode == QLatin1String("--analyze")) return analyze(path);
        if (mode == QLatin1String("--type")) return type(path);
        if (mode == QLatin1String("--close")) return closeDuringAnalysis(path);
        if (mode == QLatin1String("--wrap")) return wrap(path);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
