#include "analysis/jobs/analysisqueue.h"
#include "analysis/ui/batch/batchwindow.h"
#include "analysis/ui/results/resultswindow.h"
#include "localization/translation.h"
#include "testfiles.h"
#include "widgetlookup.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <atomic>
#include <memory>

#include <new>

namespace {

// What the seams saw during a test.
struct Calls {
    QStringList converted;
    int wordCharacterRequests = 0;
    QList<Dialogs::Request> dialogs;
};

const QString English = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");

// A batch window whose converter turns every PDF into two lines, or fails
// with `pdfError` when one is given.
BatchWindow* makeWindow(Calls* calls, const QString& pdfError = {}, QWidget* owner = nullptr) {
    auto convert = [calls, pdfError](const QString& path, std::string* utf8, QString* error) {
        calls->converted << path;
        if (!pdfError.isEmpty()) {
            *error = pdfError;
            return false;
        }
        *utf8 = "from the pdf\r\nsecond page";
        return true;
    };
    return new BatchWindow(owner, convert, [calls] {
        ++calls->wordCharacterRequests;
        return English;
    });
}

QList<ResultsWindow*> resultsWindows(const BatchWindow* batch) {
    return batch->findChildren<ResultsWindow*>(Qt::FindDirectChildrenOnly);
}

// The lines the window's analysis read.
QStringList lineList(ResultsWindow* window) {
    QStringList lines;
    if (!window->results()) return lines;
    const TextLines& text = window->results()->text;
    for (qsizetype i = 0; i < text.count(); ++i)
        lines << text.line(i);
    return lines;
}

QString statusText(const BatchWindow* batch) {
    return findWidget<QLabel>(batch, "statusLabel")->text();
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(folder_.isValid());
    }
    void init() {
        calls_ = {};
        Dialogs::setHandler([this](const Dialogs::Request& request) {
            calls_.dialogs << request;
            return QString();
        });
    }
    void cleanup() {
        Dialogs::setHandler({});
        Translation::reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        flushDeletes();
    }

    void statusTextFollowsTheList_data();
    void statusTextFollowsTheList();
    void startIsEnabledOnlyWithRows();
    void addFilesAsksForSeveralFiles();
    void sizesAreFormatted();
    void deleteKeyAndContextMenu();
    void startOpensAWindowPerRow();
    void rowCountIsReadOnEveryPass();
    void failingFileStopsTheRun_data();
    void failingFileStopsTheRun();
    void failingAnalysisStopsTheRun();
    void cascadePositions();
    void scaledDimension_data();
    void scaledDimension();
    void escapeHidesAndKeepsTheResults();
    void centredOverItsOwner();
    void runOfManySmallFiles();

private:
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = folder_.filePath(name);
        TestFiles::write(path, bytes);
        return path;
    }

    QTemporaryDir folder_;
    Calls calls_;
};

void TestBatchWindow::statusTextFollowsTheList_data() {
    QTest::addColumn<bool>("german");
    QTest::addColumn<int>("added");
    QTest::addColumn<bool>("deleteAll");
    QTest::addColumn<QString>("status");
    QTest::newRow("unchanged list") << false << 0 << false << QString();
    QTest::newRow("one") << false << 1 << false << "1 file";
    QTest::newRow("two") << false << 2 << false << "Number of Files: 2";
    QTest::newRow("last deleted") << false << 1 << true << "Number of Files: 0";
    QTest::newRow("one in German") << true << 1 << false << "1 file";
    QTest::newRow("two in German") << true << 2 << false << "Anzahl der Dateien: 2";
}

void TestBatchWindow::statusTextFollowsTheList() {
    QFETCH(bool, german);
    QFETCH(int, added);
    QFETCH(bool, deleteAll);
    QFETCH(QString, status);
    if (german)
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/German.lang.txt")));
    BatchWindow* batch = makeWindow(&calls_);
    for (int i = 0; i < added; ++i)
        batch->addFiles({folder_.filePath(QStringLiteral("missing.txt"))});
    if (deleteAll) findWidget<QAction>(batch, "deleteAllAction")->trigger();
    QCOMPARE(statusText(batch), status);
}

void TestBatchWindow::startIsEnabledOnlyWithRows() {
    BatchWindow* batch = makeWindow(&calls_);
    auto* start = findWidget<QPushButton>(batch, "startButton");
    QVERIFY(!start->isEnabled());
    QVERIFY(start->font().bold());
    batch->addFiles({QStringLiteral("a.txt")});
    QVERIFY(start->isEnabled());
    findWidget<QAction>(batch, "deleteAllAction")->trigger();
    QVERIFY(!start->isEnabled());

    // The arrow is there, coloured, and grey while Start is disabled.
    const QImage normal = start->icon().pixmap(16, QIcon::Normal).toImage();
    const QImage disabled = start->icon().pixmap(16, QIcon::Disabled).toImage();
    QVERIFY(!normal.isNull() && !disabled.isNull());
    const QColor arrow = normal.pixelColor(8, 8);
    QVERIFY(arrow.alpha() > 0 && arrow.green() > arrow.red() + 40);
    const QColor grey = disabled.pixelColor(8, 8);
    QVERIFY(qAbs(grey.red() - grey.green()) < 10 && qAbs(grey.green() - grey.blue()) < 10);
}

void TestBatchWindow::addFilesAsksForSeveralFiles() {
    BatchWindow* batch = makeWindow(&calls_);
    QString answer = QStringLiteral("/x/b.txt\n/x/a.pdf\n/x/b.txt");
    Dialogs::setHandler([&](const Dialogs::Request& request) {
        calls_.dialogs << request;
        return answer;
    });
    auto* add = findWidget<QPushButton>(batch, "addFilesButton");
    add->click();
    QCOMPARE(calls_.dialogs.size(), 1);
    QCOMPARE(calls_.dialogs[0].kind, Dialogs::Kind::OpenFiles);
    QCOMPARE(calls_.dialogs[0].filter,
             QStringLiteral("Supported Files (*.pdf *.txt);;PDF File (*.pdf);;"
                            "Text File (*.txt);;All Files (*)"));
    QCOMPARE(batch->paths(),
             QStringList({"/x/b.txt", "/x/a.pdf", "/x/b.txt"})); // order kept, duplicates too
    QCOMPARE(statusText(batch), QStringLiteral("Number of Files: 3"));

    answer.clear(); // cancelled
    add->click();
    QCOMPARE(batch->paths().size(), 3);
}

void TestBatchWindow::sizesAreFormatted() {
    BatchWindow* batch = makeWindow(&calls_);
    batch->addFiles({file(QStringLiteral("big.txt"), QByteArray(1234567, 'x')),
                     folder_.filePath(QStringLiteral("gone.txt")),
                     file(QStringLiteral("empty.txt"), {})});
    const QAbstractItemModel* model = findWidget<QTreeView>(batch, "fileList")->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Filename"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Size (bytes)"));
    QCOMPARE(model->index(0, 0).data().toString(), folder_.filePath(QStringLiteral("big.txt")));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("1,234,567"));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("-1"));
    QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("0"));
}

void TestBatchWindow::deleteKeyAndContextMenu() {
    BatchWindow* batch = makeWindow(&calls_);
    batch->addFiles({"a", "b", "c", "d"});
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    auto* list = findWidget<QTreeView>(batch, "fileList");
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QItemSelectionModel* selection = list->selectionModel();
    const auto select = [&](int row) {
        selection->select(list->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(0);
    select(2);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(batch->paths(), QStringList({"b", "d"}));
    QCOMPARE(statusText(batch), QStringLiteral("Number of Files: 2"));

    // The context menu on the list, with both deletions.
    auto* menu = findWidget<QMenu>(batch, "listMenu");
    emit list->customContextMenuRequested(QPoint(5, 5));
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    select(1);
    findWidget<QAction>(batch, "deleteSelectedAction")->trigger();
    QCOMPARE(batch->paths(), QStringList({"b"}));
    QCOMPARE(statusText(batch), QStringLiteral("1 file"));
    batch->addFiles({"e"});
    findWidget<QAction>(batch, "deleteAllAction")->trigger();
    QVERIFY(batch->paths().isEmpty());
}

void TestBatchWindow::startOpensAWindowPerRow() {
    const QString text = file(QStringLiteral("one.txt"), "alpha beta\nsecond\n");
    const QString pdf = file(QStringLiteral("Report.PDF"), "%PDF- not read by the window");
    const QString csv = file(QStringLiteral("table.csv"), "a;b\r\n1;2");
    BatchWindow* batch = makeWindow(&calls_);
    batch->addFiles({text, pdf, csv, text});
    findWidget<QPushButton>(batch, "startButton")->click();

    const QList<ResultsWindow*> windows = resultsWindows(batch);
    QCOMPARE(windows.size(), 4); // the duplicate gets its own window
    // The analyses end in row order.
    QList<ResultsWindow*> finished;
    for (ResultsWindow* window : windows)
        connect(window, &ResultsWindow::analysisFinished, this,
                [&finished, window] { finished << window; });
    QTRY_COMPARE(finished.size(), 4);
    QCOMPARE(finished, windows);
    QCOMPARE(calls_.converted, QStringList{pdf}); // capitals are still PDF; .csv is text
    QCOMPARE(calls_.wordCharacterRequests, 4);
    QVERIFY(calls_.dialogs.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    const QStringList expectedTitles{text, pdf, csv, text};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(windows[i]->windowTitle(), expectedTitles[i]);
        QVERIFY(windows[i]->isVisible());
        QVERIFY(windows[i]->isWindow());
    }
    // Placed in the cascade of this screen, not centred over the batch window.
    const QScreen* screen = batch->screen();
    const QList<QPoint> cascade = BatchWindow::cascadePositions(
        Placement::scaledDimension(20, screen->logicalDotsPerInch()),
        screen->availableGeometry().height(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(windows[i]->frameGeometry().topLeft(), cascade[i]);
    QCOMPARE(lineList(windows[0]), QStringList({"alpha beta", "second"}));
    QCOMPARE(lineList(windows[1]), QStringList({"from the pdf", "second page"}));
    QCOMPARE(lineList(windows[2]), QStringList({"a;b", "1;2"}));
}

void TestBatchWindow::rowCountIsReadOnEveryPass() {
    const QString text = file(QStringLiteral("short.txt"), "word");
    QPointer<BatchWindow> batch;
    int requests = 0;
    // The word characters are asked for while the first file is taken;
    // emptying the list then ends the run after that file.
    batch = new BatchWindow(nullptr, {}, [&] {
        if (++requests == 1) batch->deleteAll();
        return English;
    });
    batch->addFiles({text, text, text});
    batch->start();
    QCOMPARE(resultsWindows(batch).size(), 1);
    QCOMPARE(requests, 1);
}

void TestBatchWindow::failingFileStopsTheRun_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("pdfError");
    QTest::addColumn<bool>("outOfMemory");
    QTest::addColumn<QString>("message"); // %1 the folder of the files
    QTest::addColumn<bool>("german");
    QTest::newRow("missing file") << "gone.txt" << QString() << false << "gone.txt" << false;
    QTest::newRow("converter error")
        << "bad.pdf"
        << "Cannot convert it" << false << "Cannot convert it." << false;
    QTest::newRow("out of memory")
        << "huge.pdf" << QString() << true << "Not enough memory" << false;
    QTest::newRow("missing file in German")
        << "gone.txt" << QString() << false
        << "Die Datei „%1/gone.txt“ kann nicht geöffnet werden. " << true;
    QTest::newRow("out of memory in German")
        << "huge.pdf" << QString() << true
        << "Die Datei „%1/huge.pdf“ kann nicht geöffnet werden. Nicht genügend Arbeitsspeicher."
        << true;
}

void TestBatchWindow::failingFileStopsTheRun() {
    QFETCH(QString, failing);
    QFETCH(QString, pdfError);
    QFETCH(bool, outOfMemory);
    QFETCH(QString, message);
    QFETCH(bool, german);
    if (german)
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/German.lang.txt")));
    message.replace(QStringLiteral("%1"), folder_.path());
    const QString first = file(QStringLiteral("first.txt"), "first");
    const QString last = file(QStringLiteral("last.txt"), "last");
    BatchWindow* batch;
    if (outOfMemory) {
        batch = new BatchWindow(
            nullptr, [](const QString&, std::string*, QString*) -> bool { throw std::bad_alloc(); },
            [] { return English; });
    } else {
        batch = makeWindow(&calls_, pdfError);
    }
    batch->addFiles({first, folder_.filePath(failing), last});
    batch->start();

    QTRY_COMPARE(calls_.dialogs.size(), 1);
    QCOMPARE(calls_.dialogs[0].kind, Dialogs::Kind::Error);
    QVERIFY2(calls_.dialogs[0].text.contains(message), qPrintable(calls_.dialogs[0].text));
    QVERIFY(!calls_.dialogs[0].text.contains(QLatin1String("bad_alloc")));
    flushDeletes();
    const QList<ResultsWindow*> windows = resultsWindows(batch);
    QCOMPARE(windows.size(), 1); // none for the failing file or after it
    QCOMPARE(windows[0]->windowTitle(), first);
    QVERIFY(windows[0]->isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

void TestBatchWindow::failingAnalysisStopsTheRun() {
    const QString first = file(QStringLiteral("first.txt"), "first");
    const QString second = file(QStringLiteral("second.txt"), "second");
    const QString third = file(QStringLiteral("third.txt"), "third");
    // The first analysis runs short of memory once it counts.
    auto failed = std::make_shared<std::atomic<bool>>(false);
    AnalysisOptions options;
    options.progressProbe = [failed](const AnalysisProgress& progress) {
        if (progress.phase == AnalysisProgress::Phase::Counting && !failed->exchange(true))
            throw std::bad_alloc();
    };
    BatchWindow* batch = makeWindow(&calls_);
    batch->setAnalysisOptions(options);
    batch->addFiles({first, second, third});
    batch->start();
    QTRY_COMPARE(calls_.dialogs.size(), 1);
    QCOMPARE(calls_.dialogs[0].text, QStringLiteral("Not enough memory to analyze the text."));
    flushDeletes();
    const QList<ResultsWindow*> windows = resultsWindows(batch);
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), first);
    QVERIFY(!QApplication::overrideCursor());
}

void TestBatchWindow::cascadePositions() {
    QCOMPARE(BatchWindow::cascadePositions(20, 100, 6),
             QList<QPoint>({{0, 0}, {20, 20}, {40, 40}, {60, 60}, {80, 80}, {20, 0}}));
    // Each restart at the top is one step further right.
    QCOMPARE(BatchWindow::cascadePositions(30, 70, 7),
             QList<QPoint>({{0, 0}, {30, 30}, {60, 60}, {30, 20}, {60, 50}, {60, 10}, {90, 40}}));
}

void TestBatchWindow::scaledDimension_data() {
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<int>("step");
    QTest::newRow("design") << 96.0 << 20;
    QTest::newRow("twice the design") << 192.0 << 40;
    QTest::newRow("125 %") << 120.0 << 25;
    QTest::newRow("rounded") << 100.0 << 21;
}

void TestBatchWindow::scaledDimension() {
    QFETCH(qreal, dpi);
    QFETCH(int, step);
    QCOMPARE(Placement::scaledDimension(20, dpi), step);
}

void TestBatchWindow::escapeHidesAndKeepsTheResults() {
    BatchWindow* batch = makeWindow(&calls_);
    batch->addFiles({file(QStringLiteral("kept.txt"), "kept")});
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    batch->start();
    QPointer<ResultsWindow> results = resultsWindows(batch).value(0);
    QVERIFY(results);
    QPointer<BatchWindow> alive = batch;
    // The new results window took the focus; the key goes to the batch window.
    QApplication::setActiveWindow(batch);
    QCOMPARE(QApplication::activeWindow(), batch);
    QTest::keyClick(findWidget<QTreeView>(batch, "fileList"), Qt::Key_Escape);
    flushDeletes();
    QVERIFY(alive);
    QVERIFY(!batch->isVisible());
    QVERIFY(results && results->isVisible());

    batch->show(); // the title bar's close button too
    QVERIFY(batch->close());
    flushDeletes();
    QVERIFY(alive && results && results->isVisible());
}

void TestBatchWindow::centredOverItsOwner() {
    QWidget owner;
    owner.setGeometry(200, 150, 800, 600);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    BatchWindow* batch = makeWindow(&calls_, {}, &owner);
    QCOMPARE(batch->windowTitle(), QStringLiteral("Batch Analyze Files"));
    QVERIFY(statusText(batch).isEmpty());
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    QVERIFY((batch->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <=
            2);
    delete batch;
}

void TestBatchWindow::runOfManySmallFiles() {
    QStringList paths;
    for (int i = 0; i < 200; ++i)
        paths << file(QStringLiteral("small%1.txt").arg(i),
                      QByteArray("word ") + QByteArray::number(i));
    BatchWindow* batch = makeWindow(&calls_);
    batch->addFiles(paths);
    batch->start();
    const QList<ResultsWindow*> windows = resultsWindows(batch);
    QCOMPARE(windows.size(), 200);
    QVERIFY(calls_.dialogs.isEmpty());
    for (int i = 0; i < 200; ++i)
        QCOMPARE(windows[i]->windowTitle(), paths[i]);
    for (ResultsWindow* window : windows)
        QTRY_VERIFY(window->results());
}

QTEST_MAIN(TestBatchWindow)
#include "tst_batchwindow.moc"
