#include "analysis/jobs/analysisqueue.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/tabletext.h"
#include "analysis/ui/chart/piechartwindow.h"
#include "analysis/ui/concordance/concordancewindow.h"
#include "analysis/ui/results/resultswindow.h"
#include "filesizelimit.h"
#include "localization/translation.h"
#include "widgetlookup.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <new>
#include <optional>

namespace {

const QString English =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");

// A window fed with a text; the caller shows it and waits for the run.
ResultsWindow* makeWindow(const QString& text, const QString& wordCharacters = English) {
    auto* window = new ResultsWindow;
    window->lines().setText(text);
    window->lines().setTrailingBreak(false);
    window->setWordCharacters(wordCharacters);
    return window;
}

bool runToEnd(ResultsWindow* window) {
    QSignalSpy finished(window, &ResultsWindow::analysisFinished);
    window->show();
    return finished.wait(10000);
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QList<PieChartWindow*> chartWindows() {
    QList<PieChartWindow*> charts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* chart = qobject_cast<PieChartWindow*>(w)) charts << chart;
    return charts;
}

} // namespace

class TestResultsWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() {
        Dialogs::setHandler({});
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        flushDeletes();
    }

    void showsTheEngineTables();
    void statusesOfOneLine();
    void closingDuringTheRun();
    void noWordsWarning();
    void tablesShowWhilePhrasesCount();
    void outOfMemoryIsReported();
    void exportWritesTheTable_data();
    void exportWritesTheTable();
    void exportSuggestsNamesAndReportsFailures();
    void exportFailureSpeaksTheLoadedLanguage_data();
    void exportFailureSpeaksTheLoadedLanguage();
    void limitSpeaksTheLoadedLanguage_data();
    void limitSpeaksTheLoadedLanguage();
    void exportsMatchEarlierFiles_data();
    void exportsMatchEarlierFiles();
    void synonymsOfTheClickedWord_data();
    void synonymsOfTheClickedWord();
    void resizeSetsColumnWidths();
    void everyTabCaptionShows_data();
    void everyTabCaptionShows();
    void chartLabelsShowBlanks_data();
    void chartLabelsShowBlanks();
    void headerClicksSort_data();
    void headerClicksSort();
    void copiesSelectedRows();
    void characterTableShowsSignsAndNames_data();
    void characterTableShowsSignsAndNames();
    void chartClosesOnEscape();
    void escapeCloses();
    void chartButtonsOpenCharts();
};

void TestResultsWindow::showsTheEngineTables() {
    ResultsWindow* window = makeWindow(QStringLiteral("aA a\nx\n\nx\nThe cat. the cat"));
    QVERIFY(runToEnd(window));
    const AnalysisResults* results = window->results();
    QVERIFY(results);
    // The models show what the export writes, a character that would be
    // invisible as its sign, and give the raw counts.
    const std::tuple<QAbstractItemView*, const FrequencyTable*, const char*> grids[] = {
        {findWidget<QTableView>(window, "characterGrid"), &results->characters, "Character"},
        {findWidget<QTableView>(window, "wordGrid"), &results->words, "Word"},
        {findWidget<QTableView>(window, "lineGrid"), &results->lines, "Line"}};
    for (const auto& [view, typed, header] : grids) {
        const FrequencyText table(*typed, QString::fromLatin1(header),
                                  QStringLiteral("Occurrence"));
        QAbstractItemModel* model = view->model();
        QCOMPARE(model->rowCount(), table.rowCount() - 1);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), table.cell(0, c));
            for (int r = 0; r < model->rowCount(); ++r) {
                const QString cell = table.cell(r + 1, c);
                const bool sign = c == 0 && view->objectName() == u"characterGrid";
                QCOMPARE(model->index(r, c).data().toString(),
                         sign ? AnalysisText::visibleCharacter(cell) : cell);
                QCOMPARE(model->index(r, c).data(Qt::UserRole).toULongLong(), typed->count(r));
            }
        }
    }
    QAbstractItemModel* overview = findWidget<QTableView>(window, "overviewGrid")->model();
    QCOMPARE(overview->rowCount(), 7);
    QCOMPARE(overview->index(3, 0).data().toString(), QStringLiteral("Total Words:"));
    QCOMPARE(overview->index(3, 1).data().toString(), QStringLiteral("8"));
    QCOMPARE(overview->index(3, 1).data(Qt::UserRole).toULongLong(), results->overview.totalWords);
    QAbstractItemModel* phrases = findWidget<QTreeView>(window, "twoWordPhraseList")->model();
    QCOMPARE(phrases->rowCount(), 1);
    QCOMPARE(phrases->index(0, 0).data().toString(), QStringLiteral("The cat"));
    QCOMPARE(phrases->headerData(0, Qt::Horizontal).toString(), QStringLiteral("2-Word Phrase"));
    QCOMPARE(findWidget<QTabWidget>(window, "tabs")->count(), 7);
    QVERIFY(window->statusText().startsWith(QStringLiteral("Elapsed Time: ")));
}

void TestResultsWindow::statusesOfOneLine() {
    ResultsWindow* window = makeWindow(QStringLiteral("word"));
    QStringList statuses;
    connect(window, &ResultsWindow::statusChanged, this,
            [&](const QString& status) { statuses << status; });
    QVERIFY(runToEnd(window));
    QCOMPARE(statuses.size(), 6);
    QCOMPARE(statuses.mid(0, 5), (QStringList{"Loading...", "Loading: 10%", "Loading: 60%",
                                              "Loading: 80%", "Loading: 90%"}));
    QVERIFY(QRegularExpression(QStringLiteral("^Elapsed Time: \\d+\\.\\d{3} sec$"))
                .match(statuses.last())
                .hasMatch());
}

void TestResultsWindow::closingDuringTheRun() {
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("line %1 of the text\n").arg(i);
    QPointer<ResultsWindow> window = makeWindow(text);
    QStringList statuses;
    connect(window, &ResultsWindow::statusChanged, this, [&](const QString& status) {
        statuses << status;
        if (status == QLatin1String("Loading: 20%")) window->close();
    });
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull() || !window->isVisible(), 10000);
    flushDeletes();
    QTRY_VERIFY(window.isNull());
    QCOMPARE(statuses.last(), QStringLiteral("Loading: 20%"));
}

void TestResultsWindow::outOfMemoryIsReported() {
    QList<Dialogs::Request> requests;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return QString();
    });
    QPointer<ResultsWindow> window = makeWindow(QStringLiteral("one two three"));
    // An allocation failing at a progress report stands for one failing
    // anywhere in the run.
    AnalysisOptions options;
    options.progressProbe = [](const AnalysisProgress& progress) {
        if (progress.phase == AnalysisProgress::Phase::Counting) throw std::bad_alloc();
    };
    window->setAnalysisOptions(options);
    window->show();
    QTRY_COMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Error);
    QCOMPARE(requests[0].text, QStringLiteral("Not enough memory to analyze the text."));
    QVERIFY(!window.isNull());
    QVERIFY(!window->isRunning());
    QVERIFY(!window->results());
    QVERIFY(window->isVisible());
}

void TestResultsWindow::tablesShowWhilePhrasesCount() {
    // The no-words warning comes once the frequency tables are complete and
    // before the phrases are taken: what the window offers then is what it
    // offers while phrases still count.
    QTemporaryDir dir;
    ResultsWindow* window = makeWindow(QStringLiteral("123 456\n123 456"), QStringLiteral("xyz"));
    int overviewRows = -1, lineRows = -1, slices = -1, phraseRows = -1;
    bool running = false, exported = false;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        if (r.kind == Dialogs::Kind::SaveFile) return dir.filePath(QStringLiteral("lines.csv"));
        if (r.kind != Dialogs::Kind::Warning) return QString();
        running = window->isRunning();
        overviewRows = findWidget<QTableView>(window, "overviewGrid")->model()->rowCount();
        lineRows = findWidget<QTableView>(window, "lineGrid")->model()->rowCount();
        phraseRows = findWidget<QTreeView>(window, "twoWordPhraseList")->model()->rowCount();
        PieChartWindow chart(nullptr);
        window->fillChart(ResultsWindow::LineTab, &chart);
        slices = chart.pie()->sliceCount();
        window->exportTab(ResultsWindow::LineTab);
        exported = QFile::exists(dir.filePath(QStringLiteral("lines.csv")));
        return QString();
    });
    QVERIFY(runToEnd(window));
    QVERIFY(running);
    QCOMPARE(overviewRows, 7);
    QCOMPARE(lineRows, 1);
    QCOMPARE(slices, 1);
    QCOMPARE(phraseRows, 0);
    QVERIFY(exported);
}

void TestResultsWindow::noWordsWarning() {
    QList<Dialogs::Request> requests;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return QString();
    });
    ResultsWindow* window = makeWindow(QStringLiteral("123 456"), QStringLiteral("xyz"));
    QVERIFY(runToEnd(window));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Warning);
    QCOMPARE(requests[0].title, QStringLiteral("Warning"));
    QCOMPARE(requests[0].text,
             QStringLiteral("No words found using the specified characters:\r\rxyz"));
    QCOMPARE(findWidget<QTableView>(window, "wordGrid")->model()->rowCount(), 0);
}

void TestResultsWindow::exportWritesTheTable_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("tag");
    QTest::newRow("overview") << "overviewExportButton"
                              << "Overview";
    QTest::newRow("characters") << "characterExportButton"
                                << "Char";
    QTest::newRow("words") << "wordExportButton"
                           << "Word";
    QTest::newRow("lines") << "lineExportButton"
                           << "Line";
    QTest::newRow("2-word phrases") << "twoWordPhraseExportButton"
                                    << "2-Phrase";
    QTest::newRow("3-word phrases") << "threeWordPhraseExportButton"
                                    << "3-Phrase";
    QTest::newRow("4-word phrases") << "fourWordPhraseExportButton"
                                    << "4-Phrase";
}

void TestResultsWindow::exportWritesTheTable() {
    QFETCH(QString, button);
    QFETCH(QString, tag);
    QTemporaryDir dir;
    ResultsWindow* window =
        makeWindow(QStringLiteral("say \"hi, there\"\nNew York, New York\n\na b c d a b c d\n\n"));
    QVERIFY(runToEnd(window));
    QString suggested;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        suggested = r.suggestedName;
        // No extension: the default one is added.
        return dir.filePath(QStringLiteral("out"));
    });
    QTest::mouseClick(findWidget<QPushButton>(window, qPrintable(button)), Qt::LeftButton);
    QCOMPARE(suggested, tag + QStringLiteral(".csv"));
    QFile file(dir.filePath(QStringLiteral("out.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const AnalysisResults* r = window->results();
    const AnalysisLabels labels;
    const OverviewText overview(r->overview, labels);
    const FrequencyText characters(r->characters, labels.character, labels.occurrence);
    const FrequencyText words(r->words, labels.word, labels.occurrence);
    const FrequencyText lines(r->lines, labels.line, labels.occurrence);
    const PhraseText phrases2(r->phrases2), phrases3(r->phrases3), phrases4(r->phrases4);
    const std::map<QString, const TextTable*> tables{
        {"Overview", &overview}, {"Char", &characters},   {"Word", &words},       {"Line", &lines},
        {"2-Phrase", &phrases2}, {"3-Phrase", &phrases3}, {"4-Phrase", &phrases4}};
    QCOMPARE(file.readAll(), CsvWriter::toCsv(*tables.at(tag), QChar(u',')));
}

void TestResultsWindow::exportsMatchEarlierFiles_data() {
    QTest::addColumn<QString>("language"); // a file of Languages/, or none
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("English") << QString() << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("German") << "German" << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("Hebrew") << "Hebrew" << QLocale(QLocale::Hebrew, QLocale::Israel);
}

// The seven tables a window exports, byte for byte as the program wrote them
// before (tests/data/exports; LEXO_RECORD_EXPORTS=1 writes them anew).
void TestResultsWindow::exportsMatchEarlierFiles() {
    QFETCH(QString, language);
    QFETCH(QLocale, locale);
    Translation::reset();
    if (!language.isEmpty())
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/") + language +
                                  QStringLiteral(".lang.txt")));
    const auto restore = qScopeGuard([] {
        Translation::reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    });
    QLocale::setDefault(locale);

    QString text = QStringLiteral("Stra\u00dfe, \u00c4rger; \u05e9\u05dc\u05d5\u05dd \"x\"\n\n");
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("The cat sat. New York, New York\nline %1 of the text\n").arg(i % 7);
    ResultsWindow* window = makeWindow(text);
    QVERIFY(runToEnd(window));

    QTemporaryDir dir;
    const QString fixtures = QStringLiteral(LEXO_SOURCE_DIR "/tests/data/exports/") +
                             (language.isEmpty() ? QStringLiteral("English") : language);
    const bool record = qEnvironmentVariableIsSet("LEXO_RECORD_EXPORTS");
    if (record) QDir().mkpath(fixtures);
    const QStringList stems = {"overview",      "character",       "word",          "line",
                               "twoWordPhrase", "threeWordPhrase", "fourWordPhrase"};
    for (const QString& stem : stems) {
        const QString path = dir.filePath(stem + QStringLiteral(".csv"));
        Dialogs::setHandler([&](const Dialogs::Request&) { return path; });
        QTest::mouseClick(findWidget<QPushButton>(window, qPrintable(stem + "ExportButton")),
                          Qt::LeftButton);
        QFile written(path);
        QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = written.readAll();
        QFile fixture(fixtures + u'/' + stem + QStringLiteral(".csv"));
        if (record) {
            QVERIFY(fixture.open(QIODevice::WriteOnly));
            fixture.write(bytes);
            continue;
        }
        QVERIFY2(fixture.open(QIODevice::ReadOnly), qPrintable(fixture.fileName()));
        QCOMPARE(bytes, fixture.readAll());
    }
}

void TestResultsWindow::exportSuggestsNamesAndReportsFailures() {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("report.txt"));
    QFile(source).open(QIODevice::WriteOnly);
    ResultsWindow* window = makeWindow(QStringLiteral("some words here"));
    window->setWindowTitle(source);
    QVERIFY(runToEnd(window));

    QList<Dialogs::Request> requests;
    QString answer;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return r.kind == Dialogs::Kind::SaveFile ? answer : QString();
    });
    // Cancelled: nothing is written.
    window->exportTab(ResultsWindow::WordTab);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].suggestedName, QStringLiteral("report_Word.csv"));
    QCOMPARE(requests[0].filter, QStringLiteral("CSV File (*.csv)"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // A file that cannot be created: the error names it.
    answer = dir.filePath(QStringLiteral("missing/folder/x.csv"));
    window->exportTab(ResultsWindow::WordTab);
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests[2].kind, Dialogs::Kind::Error);
    QCOMPARE(requests[2].title, QStringLiteral("Lexometer"));
    QVERIFY2(requests[2].text.contains(answer), qPrintable(requests[2].text));
    QVERIFY(requests[2].text.endsWith(u'.'));
    QVERIFY(window->isVisible());
}

void TestResultsWindow::exportFailureSpeaksTheLoadedLanguage_data() {
    QTest::addColumn<QString>("language"); // a file of Languages/, or none: English
    QTest::addColumn<QString>("name");     // the chosen file, in a fresh folder
    QTest::addColumn<int>("room");         // bytes a file may take; 0: no limit
    QTest::addColumn<QString>("message");  // up to the system's reason, %1 the file

    QTest::newRow("English: missing folder")
        << ""
        << "missing/x.csv" << 0 << "Cannot create file \"%1\". ";
    QTest::newRow("German: missing folder")
        << "German"
        << "missing/x.csv" << 0 << "Die Datei „%1“ kann nicht erstellt werden. ";
    QTest::newRow("French: missing folder")
        << "French"
        << "missing/x.csv" << 0 << "Impossible de créer le fichier «\u00a0%1\u00a0». ";
    QTest::newRow("Chinese: missing folder")
        << "ChineseSimplified"
        << "missing/x.csv" << 0 << "\u65e0\u6cd5\u521b\u5efa\u6587\u4ef6\u201c%1\u201d\u3002";
    QTest::newRow("German: the disk is full")
        << "German"
        << "x.csv" << 100 << "Die Datei „%1“ kann nicht geschrieben werden. ";
}

void TestResultsWindow::exportFailureSpeaksTheLoadedLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(int, room);
    QFETCH(QString, message);
    if (!language.isEmpty())
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/") + language +
                                  QStringLiteral(".lang.txt")));
    const auto forget = qScopeGuard([] { Translation::reset(); });
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    ResultsWindow* window = makeWindow(text);
    QVERIFY(runToEnd(window));

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QList<Dialogs::Request> requests;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return r.kind == Dialogs::Kind::SaveFile ? path : QString();
    });
    {
        std::optional<FileSizeLimit> limit;
        if (room > 0) limit.emplace(rlim_t(room));
        window->exportTab(ResultsWindow::WordTab);
    }
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].kind, Dialogs::Kind::Error);
    const QString expected = QString(message).replace(QStringLiteral("%1"), path);
    QVERIFY2(requests[1].text.startsWith(expected), qPrintable(requests[1].text));
    // The system's reason follows.
    QVERIFY2(requests[1].text.size() > expected.size() + 1, qPrintable(requests[1].text));
}

void TestResultsWindow::limitSpeaksTheLoadedLanguage_data() {
    QTest::addColumn<QString>("language"); // a file of Languages/, or none: English
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("message");
    QTest::newRow("English") << "" << QLocale(QLocale::English, QLocale::UnitedStates)
                             << "The text has more lines than can be analyzed (at most 1,000).";
    QTest::newRow("German")
        << "German" << QLocale(QLocale::German, QLocale::Germany)
        << "Der Text hat mehr Zeilen, als analysiert werden können (höchstens 1.000).";
    QTest::newRow("Turkish") << "Turkish" << QLocale(QLocale::Turkish, QLocale::Turkey)
                             << "Metin, analiz edilebilecekten daha fazla satır içeriyor (en "
                                "fazla 1.000).";
}

void TestResultsWindow::limitSpeaksTheLoadedLanguage() {
    // The engine hands over which bound and its figure; the window words it
    // in the loaded language, the figure grouped as the locale groups it.
    QFETCH(QString, language);
    QFETCH(QLocale, locale);
    QFETCH(QString, message);
    if (!language.isEmpty())
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/") + language +
                                  QStringLiteral(".lang.txt")));
    QLocale::setDefault(locale);
    const auto forget = qScopeGuard([] {
        Translation::reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    });
    QList<Dialogs::Request> requests;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return QString();
    });
    QPointer<ResultsWindow> window = makeWindow(QStringList(1001, QStringLiteral("a")).join(u'\n'));
    AnalysisOptions options;
    options.limits.items = 1000;
    window->setAnalysisOptions(options);
    QSignalSpy failed(window, &ResultsWindow::analysisFailed);
    window->show();
    QVERIFY(failed.wait(10000));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Error);
    QCOMPARE(requests[0].text, message);
}

void TestResultsWindow::synonymsOfTheClickedWord_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("address");
    QTest::newRow("plain") << "apple banana cherry" << English << 1
                           << "https://www.synonym.com/synonyms/banana";
    QTest::newRow("accent and space") << "café au lait" << English + QStringLiteral("é ") << 0
                                      << "https://www.synonym.com/synonyms/caf%C3%A9%20au%20lait";
}

void TestResultsWindow::synonymsOfTheClickedWord() {
    QFETCH(QString, text);
    QFETCH(QString, wordCharacters);
    QFETCH(int, row);
    QFETCH(QString, address);
    QList<QUrl> opened;
    Desktop::setHandler([&](const Desktop::Request& r) {
        opened << r.url;
        return true;
    });
    auto restore = qScopeGuard([] { Desktop::setHandler({}); });

    ResultsWindow* window = makeWindow(text, wordCharacters);
    QVERIFY(runToEnd(window));
    findWidget<QTabWidget>(window, "tabs")->setCurrentIndex(2);
    QTableView* grid = findWidget<QTableView>(window, "wordGrid");
    grid->setCurrentIndex(grid->model()->index(grid->model()->rowCount() - 1, 1));
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cell.center());
    QCOMPARE(grid->currentIndex().row(), row);
    findWidget<QMenu>(window, "wordMenu")->hide();
    findWidget<QAction>(window, "synonymsAction")->trigger();
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened[0].toString(QUrl::FullyEncoded), address);
}

void TestResultsWindow::everyTabCaptionShows_data() {
    QTest::addColumn<QString>("language");
    for (const char* language :
         {"", "German", "French", "Spanish", "Turkish", "Russian", "Hebrew", "ChineseSimplified"})
        QTest::newRow(*language ? language : "English") << QString::fromLatin1(language);
}

// The first width fits the tab bar, so that no caption needs the scroll
// arrows.
void TestResultsWindow::everyTabCaptionShows() {
    QFETCH(QString, language);
    Translation::reset();
    const auto restore = qScopeGuard([] { Translation::reset(); });
    if (!language.isEmpty())
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/") + language +
                                  QStringLiteral(".lang.txt")));
    ResultsWindow window;
    const int needed = findWidget<QTabWidget>(&window, "tabs")->tabBar()->sizeHint().width();
    // Capped at the screen's width (the test screen is narrow).
    const int screenWidth = window.screen()->availableGeometry().width();
    QVERIFY2(window.width() >= std::min(needed, screenWidth) && window.width() <= screenWidth,
             qPrintable(QStringLiteral("%1: needs %2").arg(window.width()).arg(needed)));
}

void TestResultsWindow::chartLabelsShowBlanks_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("label");
    QTest::newRow("space") << " "
                           << "\u2423";
    QTest::newRow("tab") << "\t"
                         << "\u21E5";
    QTest::newRow("form feed") << "\f"
                               << "U+000C";
    QTest::newRow("no-break space") << "\u00A0"
                                    << "U+00A0";
    QTest::newRow("em space") << "\u2003"
                              << "U+2003";
    QTest::newRow("letter") << "A"
                            << "A";
}

void TestResultsWindow::chartLabelsShowBlanks() {
    QFETCH(QString, character);
    QTEST(AnalysisText::visibleCharacter(character), "label");
}

void TestResultsWindow::headerClicksSort_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    QTest::addColumn<QStringList>("descending");
    // a 3, b 1, c 2, d 1: ties keep the table's order.
    QTest::newRow("word") << 0 << QStringList{"a", "b", "c", "d"}
                          << QStringList{"d", "c", "b", "a"};
    QTest::newRow("occurrence") << 1 << QStringList{"b", "d", "c", "a"}
                                << QStringList{"a", "c", "b", "d"};
    QTest::newRow("percentage") << 2 << QStringList{"b", "d", "c", "a"}
                                << QStringList{"a", "c", "b", "d"};
}

void TestResultsWindow::headerClicksSort() {
    // Clicks on a header sort ascending, then descending, then give the
    // table's own order back; the export and the concordance follow the
    // rows as shown, the chart keeps the table's order.
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    QFETCH(QStringList, descending);
    ResultsWindow* window = makeWindow(QStringLiteral("c b c a a a d"));
    QVERIFY(runToEnd(window));
    findWidget<QTabWidget>(window, "tabs")->setCurrentIndex(ResultsWindow::WordTab);
    QTableView* words = findWidget<QTableView>(window, "wordGrid");
    QHeaderView* header = words->horizontalHeader();
    const auto click = [&] {
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    const auto shown = [&] {
        QStringList items;
        for (int row = 0; row < words->model()->rowCount(); ++row)
            items << words->model()->index(row, 0).data().toString();
        return items;
    };
    const QStringList tableOrder{"a", "b", "c", "d"};
    QCOMPARE(shown(), tableOrder);
    click();
    QCOMPARE(shown(), ascending);
    click();
    QCOMPARE(shown(), descending);
    QVERIFY(header->isSortIndicatorShown());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("words.csv"));
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        return r.kind == Dialogs::Kind::SaveFile ? path : QString();
    });
    window->exportTab(ResultsWindow::WordTab);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> records = file.readAll().split('\n');
    QVERIFY(records.size() > 4);
    for (int row = 0; row < 4; ++row)
        QVERIFY2(records[row + 1].startsWith(descending[row].toUtf8() + ','), records[row + 1]);
    QPointer<ConcordanceWindow> context = window->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(context);
    QCOMPARE(context->query().text, descending[0]);
    context->close();

    click();
    QCOMPARE(shown(), tableOrder);
    QVERIFY(!header->isSortIndicatorShown());
}

void TestResultsWindow::copiesSelectedRows() {
    // Rows as the tables show them, tab-separated, by Ctrl+C or the menu.
    ResultsWindow* window = makeWindow(QStringLiteral("b a b\tc"));
    QVERIFY(runToEnd(window));
    QTableView* words = findWidget<QTableView>(window, "wordGrid");
    words->selectionModel()->select(words->model()->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    words->selectionModel()->select(words->model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QGuiApplication::clipboard()->clear();
    findWidget<QAction>(window, "wordGridCopyAction")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\t1\t25.00\nc\t1\t25.00\n"));
    QVERIFY(findWidget<QMenu>(window, "wordMenu")->actions().contains(
        findWidget<QAction>(window, "wordGridCopyAction")));

    // A line's tab becomes a space; a blank character shows as its sign.
    QTableView* lines = findWidget<QTableView>(window, "lineGrid");
    window->activateWindow();
    lines->setFocus();
    lines->selectRow(0);
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(lines, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b a b c\t1\t100.00\n"));
    QTableView* characters = findWidget<QTableView>(window, "characterGrid");
    characters->selectRow(0);
    findWidget<QAction>(window, "characterGridCopyAction")->trigger();
    QVERIFY2(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("\u21E5\t1\t")) ||
                 QGuiApplication::clipboard()->text().startsWith(QStringLiteral("\u2423\t")),
             qPrintable(QGuiApplication::clipboard()->text()));
}

void TestResultsWindow::characterTableShowsSignsAndNames_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("space") << " "
                           << "\u2423"
                           << "U+0020 SPACE";
    QTest::newRow("tab") << "\t"
                         << "\u21E5"
                         << "U+0009 <control-0009>";
    QTest::newRow("no-break space") << "\u00A0"
                                    << "U+00A0"
                                    << "U+00A0 NO-BREAK SPACE";
    // ASCII letters count as capitals; others as they are.
    QTest::newRow("letter") << "\u00E9"
                            << "\u00E9"
                            << "U+00E9 LATIN SMALL LETTER E WITH ACUTE";
}

void TestResultsWindow::characterTableShowsSignsAndNames() {
    QFETCH(QString, character);
    QFETCH(QString, shown);
    QFETCH(QString, tooltip);
    ResultsWindow* window = makeWindow(QStringLiteral("e") + character + QStringLiteral("e"));
    QVERIFY(runToEnd(window));
    QAbstractItemModel* characters = findWidget<QTableView>(window, "characterGrid")->model();
    int row = -1;
    for (int r = 0; r < characters->rowCount(); ++r)
        if (characters->index(r, 0).data(Qt::ToolTipRole).toString() == tooltip) row = r;
    QVERIFY2(row >= 0, qPrintable(tooltip));
    QCOMPARE(characters->index(row, 0).data().toString(), shown);

    // The export keeps the character itself.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("characters.csv"));
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        return r.kind == Dialogs::Kind::SaveFile ? path : QString();
    });
    window->exportTab(ResultsWindow::CharacterTab);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString csv = QString::fromUtf8(file.readAll());
    QVERIFY2(csv.contains(QStringLiteral("\r\n") + character) ||
                 csv.contains(u'"' + character + u'"'),
             qPrintable(csv));
    QVERIFY(!csv.contains(shown) || shown == character);
}

void TestResultsWindow::chartClosesOnEscape() {
    QPointer<PieChartWindow> chart = new PieChartWindow(nullptr);
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QTest::keyClick(chart, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(chart.isNull());
}

void TestResultsWindow::resizeSetsColumnWidths() {
    ResultsWindow* window = makeWindow(QStringLiteral("a"));
    const int width = window->width();
    QCOMPARE(findWidget<QTableView>(window, "overviewGrid")->columnWidth(0), width / 2 - 10);
    QCOMPARE(findWidget<QTableView>(window, "overviewGrid")->columnWidth(1), width / 2 - 10);
    for (QTableView* grid :
         {findWidget<QTableView>(window, "characterGrid"),
          findWidget<QTableView>(window, "wordGrid"), findWidget<QTableView>(window, "lineGrid")})
        for (int c = 0; c < 3; ++c)
            QCOMPARE(grid->columnWidth(c), width / 3 - 12);
    QVERIFY(runToEnd(window));
    window->resize(900, 400);
    QTRY_COMPARE(findWidget<QTableView>(window, "overviewGrid")->columnWidth(0), 440);
    QCOMPARE(findWidget<QTableView>(window, "lineGrid")->columnWidth(2), 288);
}

void TestResultsWindow::escapeCloses() {
    QPointer<ResultsWindow> window = makeWindow(QStringLiteral("one two"));
    QVERIFY(runToEnd(window));
    window->activateWindow();
    findWidget<QTabWidget>(window, "tabs")->setCurrentIndex(2);
    findWidget<QTableView>(window, "wordGrid")->setFocus();
    QTest::keyClick(findWidget<QTableView>(window, "wordGrid"), Qt::Key_Escape);
    flushDeletes();
    QVERIFY(window.isNull());
}

void TestResultsWindow::chartButtonsOpenCharts() {
    ResultsWindow* window = makeWindow(QStringLiteral("x\n\nx\ny z\n"));
    window->lines().setTrailingBreak(true);
    QVERIFY(runToEnd(window));
    findWidget<QPushButton>(window, "lineChartButton")->click(); // the empty line gets no slice
    findWidget<QPushButton>(window, "characterChartButton")->click(); // the space gets one
    findWidget<QPushButton>(window, "lineChartButton")->click(); // a second, independent window
    const QList<PieChartWindow*> charts = chartWindows();
    QCOMPARE(charts.size(), 3);
    int lineCharts = 0;
    for (PieChartWindow* chart : charts) {
        QCOMPARE(chart->windowTitle(), QStringLiteral("Pie Chart"));
        if (chart->pie()->sliceCount() == 2) {
            ++lineCharts;
            QCOMPARE(chart->pie()->label(0), QStringLiteral("x"));
            QCOMPARE(chart->pie()->value(0), 2.0);
            QCOMPARE(chart->pie()->label(1), QStringLiteral("y z"));
        } else {
            QCOMPARE(chart->pie()->sliceCount(), 4);                    // space, X, Y, Z
            QCOMPARE(chart->pie()->label(0), QStringLiteral("\u2423")); // a visible space
        }
    }
    QCOMPARE(lineCharts, 2);
    // Charts outlive the results window.
    window->close();
    flushDeletes();
    QCOMPARE(chartWindows().size(), 3);
}

QTEST_MAIN(TestResultsWindow)
#include "tst_resultswindow.moc"
