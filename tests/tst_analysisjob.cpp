#include "analysis/jobs/analysisqueue.h"
#include "analysis/ui/results/resultswindow.h"
#include "widgetlookup.h"
#include "widgets/dialogs.h"

#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

// The results window and its job, compiled into this test with
// AddressSanitizer: a window closed at any moment of its run, and whatever
// its job still sends, must not touch freed memory.

namespace {

const QString English =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");

QString text(int lines) {
    QString out;
    for (int i = 0; i < lines; ++i)
        out += QStringLiteral("line %1 of the text, word %2\n").arg(i).arg(i % 97);
    return out;
}

ResultsWindow* makeWindow(int lines) {
    auto* window = new ResultsWindow;
    window->lines().setText(text(lines));
    window->setWordCharacters(English);
    return window;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Holds the worker at the first progress report of the run it is given to
// until released.
struct WorkerGate {
    struct State {
        std::atomic<bool> armed{true};
        std::atomic<bool> held{false};
        std::atomic<bool> open{false};
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    std::atomic<bool>& held = state->held;
    std::atomic<bool>& open = state->open;

    AnalysisOptions options() const {
        AnalysisOptions options;
        options.progressProbe = [state = state](const AnalysisProgress&) {
            if (!state->armed.exchange(false)) return;
            state->held = true;
            for (int i = 0; i < 2000 && !state->open; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        return options;
    }
    ~WorkerGate() { open = true; }
};

} // namespace

class TestAnalysisJob : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Dialogs::setHandler([](const Dialogs::Request&) { return QString(); });
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        flushDeletes();
        QTRY_COMPARE(AnalysisQueue::ofApplication().pending(), 0);
        Dialogs::setHandler({});
    }

    void closingAtEachMoment_data();
    void closingAtEachMoment();
    void closingWhileQueued();
    void firstInLineGoesBeforeWaitingJobs();
};

void TestAnalysisJob::closingAtEachMoment_data() {
    QTest::addColumn<QString>("moment");
    QTest::newRow("at Loading...") << "started";
    QTest::newRow("mid-count") << "counting";
    QTest::newRow("tables shown while phrases count") << "tables";
    QTest::newRow("finished") << "finished";
}

void TestAnalysisJob::closingAtEachMoment() {
    QFETCH(QString, moment);
    QPointer<ResultsWindow> window = makeWindow(4000);
    bool closed = false;
    const auto closeNow = [&] {
        if (closed || !window) return;
        closed = true;
        window->close();
    };
    connect(window, &ResultsWindow::statusChanged, this, [&](const QString& status) {
        if (moment == u"started" && status == u"Loading...") closeNow();
        if (moment == u"counting" && status.startsWith(QLatin1String("Loading: ")) &&
            status.mid(9).chopped(1).toInt() >= 20)
            closeNow();
    });
    QAbstractItemModel* overview = findWidget<QTableView>(window, "overviewGrid")->model();
    connect(overview, &QAbstractItemModel::modelReset, this, [&] {
        if (moment == u"tables" && window && window->isRunning()) closeNow();
    });
    connect(window, &ResultsWindow::analysisFinished, this, [&] {
        if (moment == u"finished") closeNow();
    });
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
    flushDeletes();
    QVERIFY(window.isNull());
    // What the job still sends finds no window.
    QTRY_COMPARE(AnalysisQueue::ofApplication().pending(), 0);
    QTest::qWait(50);
}

void TestAnalysisJob::closingWhileQueued() {
    WorkerGate gate;
    QPointer<ResultsWindow> running = makeWindow(200);
    QPointer<ResultsWindow> waiting = makeWindow(200);
    running->setAnalysisOptions(gate.options());
    running->show();
    running->startAnalysis();
    QTRY_VERIFY(gate.held);
    waiting->show();
    waiting->startAnalysis();
    QCOMPARE(AnalysisQueue::ofApplication().pending(), 2);
    waiting->close();
    flushDeletes();
    QVERIFY(waiting.isNull());
    QCOMPARE(AnalysisQueue::ofApplication().pending(), 1);
    gate.open = true;
    QSignalSpy finished(running, &ResultsWindow::analysisFinished);
    QVERIFY(finished.wait(20000));
    QVERIFY(running->results());
}

void TestAnalysisJob::firstInLineGoesBeforeWaitingJobs() {
    WorkerGate gate;
    QList<ResultsWindow*> windows;
    for (int i = 0; i < 4; ++i)
        windows << makeWindow(100);
    QStringList order;
    const QStringList names{"running", "batch 1", "batch 2", "from the main window"};
    for (int i = 0; i < 4; ++i) {
        windows[i]->setWindowTitle(names[i]);
        connect(windows[i], &ResultsWindow::analysisFinished, this,
                [&order, name = names[i]] { order << name; });
    }
    windows[0]->setAnalysisOptions(gate.options());
    windows[0]->startAnalysis();
    QTRY_VERIFY(gate.held);
    windows[1]->startAnalysis();
    windows[2]->startAnalysis();
    windows[3]->setFirstInLine(true);
    windows[3]->startAnalysis();
    gate.open = true;
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 4, 20000);
    QCOMPARE(order, (QStringList{"running", "from the main window", "batch 1", "batch 2"}));
}

QTEST_MAIN(TestAnalysisJob)
#include "tst_analysisjob.moc"
