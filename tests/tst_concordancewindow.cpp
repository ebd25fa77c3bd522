#include "analysis/engine/analysisresults.h"
#include "analysis/ui/concordance/concordancemodel.h"
#include "analysis/ui/concordance/concordancewindow.h"
#include "analysis/ui/results/resultswindow.h"
#include "localization/translation.h"
#include "text/inistore.h"
#include "widgetlookup.h"
#include "widgets/dialogs.h"
#include "widgets/sharedsettings.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {

const QString English =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");
const QString SourceDir = QStringLiteral(LEXO_SOURCE_DIR);

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
    return finished.wait(20000);
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QList<ConcordanceWindow*> concordanceWindows() {
    QList<ConcordanceWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<ConcordanceWindow*>(w)) found << window;
    return found;
}

// Waits until every hit is found and in the order chosen.
bool waitReady(ConcordanceWindow* window) {
    if (!window->isBusy()) return true;
    QSignalSpy ready(window, &ConcordanceWindow::hitsReady);
    return ready.wait(20000) || !window->isBusy();
}

QStringList column(ConcordanceWindow* window, int column) {
    QAbstractItemModel* model = findWidget<QTableView>(window, "hitList")->model();
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        cells << model->index(row, column).data().toString();
    return cells;
}

QList<int> lineNumbers(ConcordanceWindow* window) {
    QAbstractItemModel* model = findWidget<QTableView>(window, "hitList")->model();
    QList<int> lines;
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data(Qt::UserRole).toInt();
    return lines;
}

// A double click as the window system sends it: press, release, double
// click, release.
void doubleClick(QAbstractItemView* view, int row) {
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
}

// A right click, and the context menu request that follows it.
void rightClick(QAbstractItemView* view, int row) {
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &request);
}

// The row of a table whose first cell is `item`.
int rowOf(QAbstractItemView* view, const QString& item) {
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == item) return row;
    return -1;
}

} // namespace

class TestConcordanceWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() {
        Dialogs::setHandler({});
        SharedSettings::setStore(nullptr);
        Translation::reset();
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        for (QWidget* w : QApplication::topLevelWidgets())
            w->deleteLater();
        flushDeletes();
    }

    void opensFromAWordRow_data();
    void opensFromAWordRow();
    void everyTableOpensItsItem_data();
    void everyTableOpensItsItem();
    void tablesOpenBeforePhrasesAreCounted();
    void hitsComeInBatches();
    void searchesATypedPhrase();
    void typedProblemsAreSaid_data();
    void typedProblemsAreSaid();
    void sortsByContextWords_data();
    void sortsByContextWords();
    void sortChosenWhileFindingAppliesOnceFound();
    void exportWritesTheHits();
    void exportSuggestsTheTablesName();
    void exportHeaderSpeaksTheLoadedLanguage();
    void copiesSelectedRows();
    void widthIsSavedAndReadBack();
    void unreadableWidthFallsBack_data();
    void unreadableWidthFallsBack();
    void rightToLeftMirrorsTheContexts();
    void outlivesItsResultsWindow();
    void closingWhileFinding_data();
    void closingWhileFinding();
    void escapeCloses();
    void columnsFitTheList();
    void newWindowsCascade();
};

void TestConcordanceWindow::opensFromAWordRow_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("double click") << false;
    QTest::newRow("Show in Context") << true;
}

// The hits of a Word row are the places that the row counted, letter case
// and all, and as many.
void TestConcordanceWindow::opensFromAWordRow() {
    QFETCH(bool, byMenu);
    ResultsWindow* results =
        makeWindow(QStringLiteral("The cat sat. the CAT ran.\nA cat, THE end\nthere"));
    QVERIFY(runToEnd(results));
    findWidget<QTabWidget>(results, "tabs")->setCurrentIndex(ResultsWindow::WordTab);
    QTableView* grid = findWidget<QTableView>(results, "wordGrid");
    const int row = rowOf(grid, QStringLiteral("the"));
    QVERIFY(row >= 0);
    if (byMenu) {
        // Another row is current before the click.
        grid->setCurrentIndex(grid->model()->index(0, 0));
        rightClick(grid, row);
        QMenu* menu = findWidget<QMenu>(results, "wordMenu");
        // Show in Context stands beside Synonyms, and Copy after them.
        QCOMPARE(menu->actions().size(), 3);
        QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Show in Context"));
        QCOMPARE(menu->actions().at(1)->objectName(), QStringLiteral("synonymsAction"));
        QCOMPARE(menu->actions().at(2)->objectName(), QStringLiteral("wordGridCopyAction"));
        menu->hide();
        findWidget<QAction>(results, "wordShowInContextAction")->trigger();
    } else {
        doubleClick(grid, row);
    }
    QCOMPARE(concordanceWindows().size(), 1);
    ConcordanceWindow* window = concordanceWindows().front();
    QVERIFY(waitReady(window));
    QCOMPARE(window->query().kind, Concordance::Kind::Word);
    QCOMPARE(window->query().text, QStringLiteral("the"));
    const qulonglong counted = grid->model()->index(row, 1).data(Qt::UserRole).toULongLong();
    QCOMPARE(qulonglong(window->hits().size()), counted);
    QCOMPARE(column(window, ConcordanceModel::ItemColumn), QStringList({"The", "the", "THE"}));
    QCOMPARE(lineNumbers(window), QList<int>({1, 1, 2}));
    // Contexts run on over line ends, each shown as a mark.
    QCOMPARE(column(window, ConcordanceModel::LeftColumn).at(2),
             QStringLiteral("The cat sat. the CAT ran.\u21B5A cat, "));
    QCOMPARE(column(window, ConcordanceModel::RightColumn).at(2),
             QStringLiteral(" end\u21B5there"));
    QCOMPARE(window->statusText(), QStringLiteral("Hits: 3"));
    QCOMPARE(findWidget<QLineEdit>(window, "searchEdit")->text(), QStringLiteral("the"));
    QVERIFY(window->windowTitle().contains(QStringLiteral("the")));
    // The item stands out from its contexts.
    const QModelIndex item = findWidget<QTableView>(window, "hitList")->model()->index(0, 2);
    QVERIFY(item.data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!item.siblingAtColumn(1).data(Qt::FontRole).isValid());
}

void TestConcordanceWindow::everyTableOpensItsItem_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<int>>("lines");
    // The Character row 'A' holds 'a' and 'A'; the Line row is the line
    // exactly; a phrase row as listed.
    QTest::newRow("character") << int(ResultsWindow::CharacterTab) << "characterGrid"
                               << "A" << int(Concordance::Kind::Character) << "A"
                               << QList<int>{1, 1, 1, 2, 2, 2, 3, 3, 3, 4};
    QTest::newRow("line") << int(ResultsWindow::LineTab) << "lineGrid"
                          << "a cat sat" << int(Concordance::Kind::Line) << "a cat sat"
                          << QList<int>{1, 3};
    QTest::newRow("2-word phrase")
        << int(ResultsWindow::TwoWordPhraseTab) << "twoWordPhraseList"
        << "a cat" << int(Concordance::Kind::Phrase) << "a cat" << QList<int>{1, 2, 3};
    QTest::newRow("3-word phrase")
        << int(ResultsWindow::ThreeWordPhraseTab) << "threeWordPhraseList"
        << "a cat sat" << int(Concordance::Kind::Phrase) << "a cat sat" << QList<int>{1, 3};
}

void TestConcordanceWindow::everyTableOpensItsItem() {
    QFETCH(int, tab);
    QFETCH(QString, view);
    QFETCH(QString, item);
    QFETCH(int, kind);
    QFETCH(QString, key);
    QFETCH(QList<int>, lines);
    ResultsWindow* results = makeWindow(QStringLiteral("a cat sat\nA CAT ran\na cat sat\nA"));
    QVERIFY(runToEnd(results));
    findWidget<QTabWidget>(results, "tabs")->setCurrentIndex(tab);
    auto* list = findWidget<QAbstractItemView>(results, view.toLatin1().constData());
    const int row = rowOf(list, item);
    QVERIFY(row >= 0);
    doubleClick(list, row);
    QCOMPARE(concordanceWindows().size(), 1);
    ConcordanceWindow* window = concordanceWindows().front();
    QVERIFY(waitReady(window));
    QCOMPARE(int(window->query().kind), kind);
    QCOMPARE(window->query().text, key);
    QCOMPARE(lineNumbers(window), lines);
    QCOMPARE(qulonglong(window->hits().size()),
             list->model()->index(row, 1).data(Qt::UserRole).toULongLong());
}

// The Character, Word and Line rows open while the phrases still count; a
// phrase row once they are counted.
void TestConcordanceWindow::tablesOpenBeforePhrasesAreCounted() {
    // No word at all: the warning comes between the tables and the phrases.
    ResultsWindow* results = makeWindow(QStringLiteral("123 456\n123 456"), QStringLiteral("xyz"));
    QPointer<ConcordanceWindow> early;
    bool phraseOpened = true;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        if (r.kind != Dialogs::Kind::Warning) return QString();
        early = results->openConcordance(ResultsWindow::LineTab, 0);
        phraseOpened = results->openConcordance(ResultsWindow::TwoWordPhraseTab, 0) != nullptr;
        return QString();
    });
    QVERIFY(runToEnd(results));
    QVERIFY(early);
    QVERIFY(!phraseOpened);
    QVERIFY(waitReady(early));
    QCOMPARE(early->query().text, QStringLiteral("123 456"));
    QCOMPARE(early->hits().size(), std::size_t(2));
    ConcordanceWindow* phrase = results->openConcordance(ResultsWindow::TwoWordPhraseTab, 0);
    QVERIFY(phrase);
    QVERIFY(waitReady(phrase));
    QCOMPARE(phrase->hits().size(), std::size_t(2));
    // Rows past the end, the Overview and the empty row before a run open
    // nothing.
    QVERIFY(!results->openConcordance(ResultsWindow::WordTab, 0));
    QVERIFY(!results->openConcordance(ResultsWindow::LineTab, 5));
}

// Many hits come in batches, each appended to the rows already shown, and
// the count in the status bar follows them.
void TestConcordanceWindow::hitsComeInBatches() {
    QStringList lines;
    for (int i = 0; i < 2000; ++i)
        lines << QStringLiteral("the cat and the dog %1").arg(i);
    ResultsWindow* results = makeWindow(lines.join(u'\n'));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab,
        rowOf(findWidget<QTableView>(results, "wordGrid"), QStringLiteral("the")));
    QVERIFY(window);
    QTableView* list = findWidget<QTableView>(window, "hitList");
    QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(list->model(), &QAbstractItemModel::modelReset);
    QVERIFY(window->statusText().startsWith(QStringLiteral("Finding...")));
    QVERIFY(waitReady(window));
    QCOMPARE(window->hits().size(), std::size_t(4000));
    // Room for the row's count was taken at once, not grown by doubling.
    QCOMPARE(window->hits().capacity(), std::size_t(4000));
    QVERIFY(inserted.size() >= 2);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(window->statusText(), QStringLiteral("Hits: 4,000"));
    // Rows come in text order.
    QCOMPARE(list->model()->index(3999, 0).data(Qt::UserRole).toInt(), 2000);
}

void TestConcordanceWindow::searchesATypedPhrase() {
    ResultsWindow* results =
        makeWindow(QStringLiteral("The cat sat. the Cat\nsat down; the cat. Sat"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(window);
    QVERIFY(waitReady(window));
    auto* edit = findWidget<QLineEdit>(window, "searchEdit");
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("  THE cat sat "));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(waitReady(window));
    QCOMPARE(window->query().kind, Concordance::Kind::Phrase);
    // The first is the sentence's start, the second runs on into the next
    // line, and the third ends at a full stop.
    QCOMPARE(column(window, ConcordanceModel::ItemColumn),
             QStringList({"The cat sat", "the Cat\u21B5sat"}));
    QCOMPARE(window->statusText(), QStringLiteral("Hits: 2"));
    QVERIFY(window->windowTitle().contains(QStringLiteral("THE cat sat")));

    // The Find button searches too: one word.
    edit->setText(QStringLiteral("SAT"));
    findWidget<QPushButton>(window, "searchButton")->click();
    QVERIFY(waitReady(window));
    QCOMPARE(window->query().kind, Concordance::Kind::Word);
    QCOMPARE(column(window, ConcordanceModel::ItemColumn), QStringList({"sat", "sat", "Sat"}));
}

void TestConcordanceWindow::typedProblemsAreSaid_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank") << "   "
                           << "Type a word, or a phrase of 2 to 4 words.";
    QTest::newRow("break between words")
        << "cat, dog"
        << "Not a phrase: a punctuation mark between its words ends the phrase there.";
    QTest::newRow("five words") << "a b c d e"
                                << "Too many words: a phrase has 2 to 4 words.";
    QTest::newRow("not word characters")
        << "c@t"
        << "Not a word: it holds characters that are not word characters.";
}

// A text that cannot be looked up says why, instead of an empty list.
void TestConcordanceWindow::typedProblemsAreSaid() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    ResultsWindow* results = makeWindow(QStringLiteral("cat dog a b c d e c@t"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(waitReady(window));
    QVERIFY(!window->hits().empty());
    const int rows = findWidget<QTableView>(window, "hitList")->model()->rowCount();
    const QString title = window->windowTitle();
    const bool exportable = findWidget<QPushButton>(window, "exportButton")->isEnabled();
    findWidget<QLineEdit>(window, "searchEdit")->setText(typed);
    findWidget<QPushButton>(window, "searchButton")->click();
    QCOMPARE(window->statusText(), message);
    QVERIFY(!window->isBusy());
    // The list, the title and Export stay as they were.
    QCOMPARE(findWidget<QTableView>(window, "hitList")->model()->rowCount(), rows);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(findWidget<QPushButton>(window, "exportButton")->isEnabled(), exportable);
    // A message stays until the next search: no late hit replaces it.
    QTest::qWait(50);
    QCOMPARE(window->statusText(), message);
}

void TestConcordanceWindow::sortsByContextWords_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<QList<int>>("lines");
    // Right words a c b a A, then z y w after the a's; left words c a b a
    // b; ties in text order.
    QTest::newRow("Position") << 0 << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("1R") << 1 << QList<int>{1, 4, 5, 3, 2};
    QTest::newRow("1R 2R") << 2 << QList<int>{5, 4, 1, 3, 2};
    QTest::newRow("1L") << 4 << QList<int>{2, 4, 3, 5, 1};
}

void TestConcordanceWindow::sortsByContextWords() {
    QFETCH(int, choice);
    QFETCH(QList<int>, lines);
    ResultsWindow* results = makeWindow(QStringLiteral("c x a z\na x c\nb x b\na x a y\nb x A w"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "x"));
    QVERIFY(waitReady(window));
    auto* sort = findWidget<QComboBox>(window, "sortBox");
    QCOMPARE(sort->count(), 7);
    QCOMPARE(sort->itemText(0), QStringLiteral("Position"));
    // Away from the text order and back, so that every choice sorts.
    sort->setCurrentIndex(6);
    QVERIFY(waitReady(window));
    sort->setCurrentIndex(choice);
    QVERIFY(waitReady(window));
    QCOMPARE(lineNumbers(window), lines);
    QCOMPARE(window->statusText(), QStringLiteral("Hits: 5"));
}

void TestConcordanceWindow::sortChosenWhileFindingAppliesOnceFound() {
    ResultsWindow* results = makeWindow(QStringLiteral("x c\nx a\nx b"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "x"));
    QVERIFY(window);
    QVERIFY(window->isBusy());
    findWidget<QComboBox>(window, "sortBox")->setCurrentIndex(1);
    QVERIFY(waitReady(window));
    QCOMPARE(lineNumbers(window), QList<int>({2, 3, 1}));
}

// BOM, header, one record a hit with its contexts as shown, CR LF; the
// separator quoted where a field holds it.
void TestConcordanceWindow::exportWritesTheHits() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hits"));
    QString suggested;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        if (r.kind != Dialogs::Kind::SaveFile) return QString();
        suggested = r.suggestedName;
        return path;
    });
    ResultsWindow* results = makeWindow(QStringLiteral("the cat\nsaw, the dog"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "the"));
    QVERIFY(waitReady(window));
    findWidget<QPushButton>(window, "exportButton")->click();
    QCOMPARE(suggested, QStringLiteral("the_Concordance.csv"));
    QFile file(path + QStringLiteral(".csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                        "Line,Left,Item,Right\r\n"
                                        "1,,the,\" cat\xE2\x86\xB5saw, the dog\"\r\n"
                                        "2,\"the cat\xE2\x86\xB5saw, \",the, dog\r\n"));
}

void TestConcordanceWindow::exportSuggestsTheTablesName() {
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("report.txt"));
    QFile file(report);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QString suggested;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        suggested = r.suggestedName;
        return QString();
    });
    ResultsWindow* results = makeWindow(QStringLiteral("one two"));
    results->setWindowTitle(report);
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(waitReady(window));
    QCOMPARE(window->suggestedExportName(), QStringLiteral("report_one_Concordance.csv"));
    window->exportHits();
    QCOMPARE(suggested, QStringLiteral("report_one_Concordance.csv"));
    // A phrase's words are joined by "_"; a character without a letter in
    // it leaves the item out.
    ConcordanceWindow* phrase =
        results->openConcordance(ResultsWindow::CharacterTab, 0); // the space
    QVERIFY(waitReady(phrase));
    QCOMPARE(phrase->suggestedExportName(), QStringLiteral("report_Concordance.csv"));
    // Cancelled: nothing written.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"report.txt"}));
}

void TestConcordanceWindow::exportHeaderSpeaksTheLoadedLanguage() {
    QVERIFY(Translation::load(SourceDir + QStringLiteral("/Languages/German.lang.txt")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hits.csv"));
    Dialogs::setHandler([&](const Dialogs::Request&) { return path; });
    ResultsWindow* results = makeWindow(QStringLiteral("one two"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(waitReady(window));
    window->exportHits();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(file.readLine().mid(3)).trimmed();
    QCOMPARE(header.split(u','), QStringList({translateText("Line"), translateText("Left"),
                                              translateText("Item"), translateText("Right")}));
    QVERIFY(header != QStringLiteral("Line,Left,Item,Right"));
    QCOMPARE(findWidget<QTableView>(window, "hitList")->model()->headerData(1, Qt::Horizontal),
             QVariant(translateText("Left")));
}

void TestConcordanceWindow::copiesSelectedRows() {
    ResultsWindow* results = makeWindow(QStringLiteral("a x\tb\nc x d\ne x f"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "x"));
    QVERIFY(waitReady(window));
    QTableView* list = findWidget<QTableView>(window, "hitList");
    list->selectionModel()->select(list->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QGuiApplication::clipboard()->clear();
    findWidget<QPushButton>(window, "copyButton")->click();
    // Rows in the list's order; a tab inside a context becomes a space.
    const QString expected = QStringLiteral("1\ta \tx\t b\u21B5c x d\u21B5e x f\n"
                                            "3\ta x b\u21B5c x d\u21B5e \tx\t f\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QGuiApplication::clipboard()->clear();
    window->activateWindow();
    list->setFocus();
    QTest::keySequence(list, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestConcordanceWindow::widthIsSavedAndReadBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("[Settings]\r\nWordWrap=ON\r\n");
    old.close();
    IniStore store;
    QVERIFY(store.open(path));
    SharedSettings::setStore(&store);

    ResultsWindow* results = makeWindow(QStringLiteral("one two three four five six"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "four"));
    QVERIFY(waitReady(window));
    auto* width = findWidget<QSpinBox>(window, "widthBox");
    QCOMPARE(width->value(), 40);
    QCOMPARE(column(window, ConcordanceModel::LeftColumn), QStringList({"one two three "}));
    width->setValue(5);
    // The contexts are cut at once, in code points.
    QCOMPARE(column(window, ConcordanceModel::LeftColumn), QStringList({"hree "}));
    QCOMPARE(column(window, ConcordanceModel::RightColumn), QStringList({" five"}));
    IniStore reread;
    QVERIFY(reread.open(path));
    QCOMPARE(reread.read("Settings", "ConcordanceWidth"), QStringLiteral("5"));
    QCOMPARE(reread.read("Settings", "WordWrap"), QStringLiteral("ON"));

    ConcordanceWindow* next = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(waitReady(next));
    QCOMPARE(findWidget<QSpinBox>(next, "widthBox")->value(), 5);
    QCOMPARE(ConcordanceWindow::savedWidth(), 5);
}

void TestConcordanceWindow::unreadableWidthFallsBack_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("absent") << QString();
    QTest::newRow("not a number") << "wide";
    QTest::newRow("zero") << "0";
    QTest::newRow("too wide") << "100000";
}

void TestConcordanceWindow::unreadableWidthFallsBack() {
    QFETCH(QString, stored);
    QTemporaryDir dir;
    IniStore store;
    QVERIFY(store.open(dir.filePath(QStringLiteral("settings.ini"))));
    if (!stored.isNull()) store.write("Settings", "ConcordanceWidth", stored);
    SharedSettings::setStore(&store);
    QCOMPARE(ConcordanceWindow::savedWidth(), 40);
}

// Under a right-to-left layout the Left column stands right of the item,
// and still holds the text before it.
void TestConcordanceWindow::rightToLeftMirrorsTheContexts() {
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    ResultsWindow* results = makeWindow(QStringLiteral("before item after"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "item"));
    QVERIFY(waitReady(window));
    QCOMPARE(window->layoutDirection(), Qt::RightToLeft);
    QTableView* list = findWidget<QTableView>(window, "hitList");
    const auto x = [&](int column) {
        return list->visualRect(list->model()->index(0, column)).x();
    };
    QVERIFY(x(ConcordanceModel::LineColumn) > x(ConcordanceModel::LeftColumn));
    QVERIFY(x(ConcordanceModel::LeftColumn) > x(ConcordanceModel::ItemColumn));
    QVERIFY(x(ConcordanceModel::ItemColumn) > x(ConcordanceModel::RightColumn));
    QCOMPARE(column(window, ConcordanceModel::LeftColumn), QStringList({"before "}));
    QCOMPARE(column(window, ConcordanceModel::RightColumn), QStringList({" after"}));
}

// The concordance keeps the lines it shows when the results window goes.
void TestConcordanceWindow::outlivesItsResultsWindow() {
    ResultsWindow* results = makeWindow(QStringLiteral("red green blue\nred blue"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(
        ResultsWindow::WordTab, rowOf(findWidget<QTableView>(results, "wordGrid"), "blue"));
    results->close();
    delete results;
    QVERIFY(waitReady(window));
    QCOMPARE(column(window, ConcordanceModel::LeftColumn),
             QStringList({"red green ", "red green blue\u21B5red "}));
    findWidget<QLineEdit>(window, "searchEdit")->setText(QStringLiteral("red"));
    window->search();
    QVERIFY(waitReady(window));
    QCOMPARE(window->hits().size(), std::size_t(2));
}

void TestConcordanceWindow::closingWhileFinding_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("at once") << "at once";
    QTest::newRow("after the first hits") << "first hits";
    QTest::newRow("while sorting") << "sorting";
}

// Closing cancels the worker and waits for it; nothing it still sends
// reaches the closed window.
void TestConcordanceWindow::closingWhileFinding() {
    QFETCH(QString, when);
    QStringList lines;
    for (int i = 0; i < 100000; ++i)
        lines << QStringLiteral("the cat sat on the mat %1 times").arg(i % 97);
    ResultsWindow* results = makeWindow(lines.join(u'\n'));
    QVERIFY(runToEnd(results));
    const int row = rowOf(findWidget<QTableView>(results, "wordGrid"), "the");
    QPointer<ConcordanceWindow> window = results->openConcordance(ResultsWindow::WordTab, row);
    QVERIFY(window);
    if (when == "first hits")
        QTRY_VERIFY(findWidget<QTableView>(window, "hitList")->model()->rowCount() > 0);
    if (when == "sorting") {
        QVERIFY(waitReady(window));
        findWidget<QComboBox>(window, "sortBox")->setCurrentIndex(3);
        QVERIFY(window->isBusy());
    }
    window->close();
    flushDeletes();
    QVERIFY(!window);
    QTest::qWait(100);
    // The results window still opens another one, which finds every hit.
    ConcordanceWindow* again = results->openConcordance(ResultsWindow::WordTab, row);
    QVERIFY(waitReady(again));
    QCOMPARE(again->hits().size(), std::size_t(200000));
}

void TestConcordanceWindow::escapeCloses() {
    ResultsWindow* results = makeWindow(QStringLiteral("one two"));
    QVERIFY(runToEnd(results));
    QPointer<ConcordanceWindow> window = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(waitReady(window));
    window->activateWindow();
    QTest::keyClick(findWidget<QLineEdit>(window, "searchEdit"), Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!window);
    QVERIFY(results->isVisible());
}

void TestConcordanceWindow::columnsFitTheList() {
    // Ctrl+End does not shift the list out of sight: the columns fit it, or
    // a scroll bar shows. Line numbers show whole, and so does a phrase of
    // four words.
    QStringList lines;
    for (int i = 0; i < 12000; ++i)
        lines << QStringLiteral("the quick brown fox jumps");
    ResultsWindow* results = makeWindow(lines.join(u'\n'));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* window = results->openConcordance(ResultsWindow::FourWordPhraseTab, 0);
    QVERIFY(window);
    window->resize(700, 400);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(waitReady(window));
    QTableView* list = findWidget<QTableView>(window, "hitList");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    QScrollBar* sideways = list->horizontalScrollBar();
    QVERIFY2(sideways->value() == 0 || sideways->isVisible(),
             qPrintable(QString::number(sideways->value())));
    int columns = 0;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        columns += list->columnWidth(c);
    QVERIFY(columns <= list->viewport()->width() || sideways->isVisible());
    QVERIFY(list->columnWidth(0) >= list->fontMetrics().horizontalAdvance(QStringLiteral("12000")));
    QFont bold = list->font();
    bold.setBold(true);
    QVERIFY(list->columnWidth(2) >=
            QFontMetrics(bold).horizontalAdvance(window->query().text));
}

void TestConcordanceWindow::newWindowsCascade() {
    ResultsWindow* results = makeWindow(QStringLiteral("one two three"));
    QVERIFY(runToEnd(results));
    ConcordanceWindow* first = results->openConcordance(ResultsWindow::WordTab, 0);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    ConcordanceWindow* second = results->openConcordance(ResultsWindow::WordTab, 1);
    QVERIFY(QTest::qWaitForWindowExposed(second));
    const QPoint step = second->frameGeometry().topLeft() - first->frameGeometry().topLeft();
    QVERIFY2(step.x() > 0 && step.x() == step.y(),
             qPrintable(QStringLiteral("%1, %2").arg(step.x()).arg(step.y())));
}

QTEST_MAIN(TestConcordanceWindow)
#include "tst_concordancewindow.moc"
