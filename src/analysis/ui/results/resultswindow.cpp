#include "analysis/ui/results/resultswindow.h"

#include "analysis/engine/analysisrun.h"
#include "analysis/jobs/analysisjob.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/tabletext.h"
#include "analysis/ui/chart/piechartwindow.h"
#include "analysis/ui/common/analysislabels.h"
#include "analysis/ui/common/rowcopy.h"
#include "analysis/ui/concordance/concordancewindow.h"
#include "analysis/ui/results/frequencytablemodel.h"
#include "analysis/ui/results/overviewmodel.h"
#include "analysis/ui/results/phrasetablemodel.h"
#include "localization/fileerrortranslation.h"
#include "localization/translation.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <new>

// The icons live in a static library, whose resources are not registered
// on their own.
static void initIconResources() {
    Q_INIT_RESOURCE(analysisicons);
    Q_INIT_RESOURCE(sharedicons);
}

namespace {

// Each tab: its caption, the objectName of its table view, the header of its
// first column, the tag of its export file name, the objectName stem of its
// buttons, and whether it draws a pie chart.
struct TabSpec {
    const char* caption;
    const char* viewName;
    const char* itemHeader; // none: the overview, which has no header row
    const char* exportTag;
    const char* buttonStem;
    bool chart;
};
const std::array<TabSpec, ResultsWindow::TabCount> Tabs{{
    {"Overview", "overviewGrid", nullptr, "Overview", "overview", false},
    {"Character Frequency", "characterGrid", "Character", "Char", "character", true},
    {"Word Frequency", "wordGrid", "Word", "Word", "word", true},
    {"Line Frequency", "lineGrid", "Line", "Line", "line", true},
    {"2-Word Phrases", "twoWordPhraseList", "2-Word Phrase", "2-Phrase", "twoWordPhrase", false},
    {"3-Word Phrases", "threeWordPhraseList", "3-Word Phrase", "3-Phrase", "threeWordPhrase",
     false},
    {"4-Word Phrases", "fourWordPhraseList", "4-Word Phrase", "4-Phrase", "fourWordPhrase", false},
}};

bool isPhraseTab(int tab) {
    return tab >= ResultsWindow::TwoWordPhraseTab;
}

QPushButton* stripButton(const QString& caption, const char* icon, const QString& name,
                         QWidget* parent) {
    auto* button = new QPushButton(QIcon(QString::fromLatin1(icon)), caption, parent);
    button->setObjectName(name);
    button->setFixedSize(150, 30);
    button->setIconSize(QSize(16, 16));
    return button;
}

QTableView* grid(QWidget* parent, bool header) {
    auto* view = new QTableView(parent);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::ContiguousSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(24);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (!header) view->horizontalHeader()->hide();
    return view;
}

QTreeView* phraseList(QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(false);
    return view;
}

// The column header of a tab's table or list.
QHeaderView* headerOf(QAbstractItemView* view) {
    if (auto* table = qobject_cast<QTableView*>(view)) return table->horizontalHeader();
    return static_cast<QTreeView*>(view)->header();
}

} // namespace

ResultsWindow::ResultsWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    initIconResources();
    Placement::centreWhenFirstShown(this, owner);
    Placement::whenFirstShown(this, [this] {
        if (!startedByCreator_) startTimer_->start();
    });
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(translateText("Analysis Results"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    csvSeparator_ = CsvWriter::localeSeparator();

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("tabs");
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("statusBar");
    statusBar_->setSizeGripEnabled(true);
    statusLabel_ = new QLabel(statusBar_);
    statusBar_->addWidget(statusLabel_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_, 1);
    layout->addWidget(statusBar_);

    for (int tab = 0; tab < TabCount; ++tab)
        tabs_->addTab(buildTab(Tab(tab)), translateText(QString::fromLatin1(Tabs[tab].caption)));
    tabs_->setCurrentIndex(OverviewTab);
    overviewGrid_ = static_cast<QTableView*>(views_[OverviewTab]);
    characterGrid_ = static_cast<QTableView*>(views_[CharacterTab]);
    wordGrid_ = static_cast<QTableView*>(views_[WordTab]);
    lineGrid_ = static_cast<QTableView*>(views_[LineTab]);

    buildContextMenus();
    buildSorting();

    // The window sees Esc before its controls.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    startTimer_ = new QTimer(this);
    startTimer_->setObjectName("startTimer");
    startTimer_->setSingleShot(true);
    startTimer_->setInterval(10);
    connect(startTimer_, &QTimer::timeout, this, &ResultsWindow::startAnalysis);

    // Wide enough that every tab's caption shows without scrolling, in any
    // language, up to the screen's width.
    int width = std::max(634, tabs_->tabBar()->sizeHint().width() + 16);
    if (QScreen* shown = screen()) width = std::min(width, shown->availableGeometry().width());
    resize(width, 362);
    fitColumns();
}

// Right clicks on the grids, and the tables' context menus: each shows its
// row's item in context, and the Word table's also looks a word up in the
// browser. A double click shows the item in context too.
void ResultsWindow::buildContextMenus() {
    // A right click first selects the cell under the pointer, like a left one.
    for (QTableView* view : {overviewGrid_, characterGrid_, wordGrid_, lineGrid_})
        view->viewport()->installEventFilter(this);
    const QString showInContext = translateText("Show in Context");
    const QString copyCaption = translateText("Copy");
    // Ctrl+C copies the selected rows of any tab, as the menus' Copy does.
    for (int tab = OverviewTab; tab < TabCount; ++tab) {
        QAbstractItemView* view = views_[tab];
        auto* copy = new QAction(copyCaption, view);
        copy->setObjectName(QString::fromLatin1(Tabs[tab].viewName) + QStringLiteral("CopyAction"));
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(copy, &QAction::triggered, this, [view] { RowCopy::copySelectedRows(view); });
        view->addAction(copy);
        view->installEventFilter(this);
    }
    for (int tab = CharacterTab; tab < TabCount; ++tab) {
        QAbstractItemView* view = views_[tab];
        const QString stem = QString::fromLatin1(Tabs[tab].buttonStem);
        auto* menu = new QMenu(this);
        menu->setObjectName(stem + QStringLiteral("Menu"));
        QAction* inContext = menu->addAction(showInContext);
        inContext->setObjectName(stem + QStringLiteral("ShowInContextAction"));
        connect(inContext, &QAction::triggered, this,
                [this, tab] { openConcordance(Tab(tab), menuRow_); });
        if (tab == WordTab) {
            wordMenu_ = menu;
            // Not translated: the item names the English dictionary it opens,
            // which stays English in every language.
            QAction* synonyms = menu->addAction(QStringLiteral("Synonyms"));
            synonyms->setObjectName("synonymsAction");
            connect(synonyms, &QAction::triggered, this, &ResultsWindow::openSynonyms);
        }
        menu->addAction(view->actions().constFirst()); // Copy
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view, menu](const QPoint& at) {
                    const QModelIndex index = view->indexAt(at);
                    menuRow_ = index.isValid() ? index.row() : view->currentIndex().row();
                    menu->popup(view->viewport()->mapToGlobal(at));
                });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this, tab](const QModelIndex& index) { openConcordance(Tab(tab), index.row()); });
    }
}

void ResultsWindow::buildSorting() {
    for (int tab = CharacterTab; tab < TabCount; ++tab) {
        QHeaderView* header = headerOf(views_[tab]);
        header->setSectionsClickable(true);
        connect(header, &QHeaderView::sectionClicked, this,
                [this, tab](int column) { sortByHeader(Tab(tab), column); });
    }
}

void ResultsWindow::sortByHeader(Tab tab, int column) {
    Sorting& sorting = sorting_[tab];
    sorting.clicks = sorting.column == column ? (sorting.clicks + 1) % 3 : 1;
    sorting.column = column;
    auto* model = qobject_cast<SortedTableModel*>(views_[tab]->model());
    if (!model) return;
    const Qt::SortOrder order = sorting.clicks == 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (sorting.clicks == 0)
        model->restoreOrder();
    else
        model->sort(column, order);
    QHeaderView* header = headerOf(views_[tab]);
    header->setSortIndicatorShown(sorting.clicks != 0);
    if (sorting.clicks != 0) header->setSortIndicator(column, order);
}

// A tab: its table view above a strip with its Export button and, for the
// frequency tables, its Pie Chart button.
QWidget* ResultsWindow::buildTab(Tab tab) {
    const TabSpec& spec = Tabs[tab];
    auto* page = new QWidget(tabs_);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);

    QAbstractItemModel* model;
    if (tab == OverviewTab) {
        model = overviewModel_ = new OverviewModel(this);
        views_[tab] = grid(page, false);
    } else if (isPhraseTab(tab)) {
        model = phraseModels_[tab - TwoWordPhraseTab] =
            new PhraseTableModel(translateText(QString::fromLatin1(spec.itemHeader)), this);
        views_[tab] = phraseList(page);
    } else {
        model = frequencyModels_[tab - CharacterTab] = new FrequencyTableModel(
            translateText(QString::fromLatin1(spec.itemHeader)), tab == CharacterTab, this);
        views_[tab] = grid(page, true);
    }
    views_[tab]->setObjectName(QString::fromLatin1(spec.viewName));
    views_[tab]->setModel(model);
    if (auto* list = qobject_cast<QTreeView*>(views_[tab])) {
        list->setColumnWidth(0, 200);
        list->setColumnWidth(1, 200);
    }
    pageLayout->addWidget(views_[tab], 1);

    auto* strip = new QWidget(page);
    strip->setFixedHeight(40);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 5, 0, 5);
    stripLayout->setSpacing(5);
    const QString stem = QString::fromLatin1(spec.buttonStem);
    QPushButton* exportButton = stripButton(translateText("Export..."), ":/icons/spreadsheet.svg",
                                            stem + QStringLiteral("ExportButton"), strip);
    connect(exportButton, &QPushButton::clicked, this, [this, tab] { exportTab(tab); });
    stripLayout->addWidget(exportButton);
    if (spec.chart) {
        QPushButton* chartButton = stripButton(translateText("Pie Chart..."), ":/icons/pie.svg",
                                               stem + QStringLiteral("ChartButton"), strip);
        connect(chartButton, &QPushButton::clicked, this, [this, tab] { openPieChart(tab); });
        stripLayout->addWidget(chartButton);
    }
    stripLayout->addStretch(1);
    pageLayout->addWidget(strip);
    return page;
}

ResultsWindow::~ResultsWindow() {
    // Views must let go of the tables before the tables go.
    clearModels();
}

void ResultsWindow::clearModels() {
    overviewModel_->setOverview(nullptr);
    for (FrequencyTableModel* model : frequencyModels_)
        model->setTable(nullptr);
    for (PhraseTableModel* model : phraseModels_)
        model->setTable(nullptr);
}

QString ResultsWindow::statusText() const {
    return statusLabel_->text();
}

void ResultsWindow::placeAfterOpenOnes() {
    QWidget* owner = parentWidget();
    if (!owner) return;
    ResultsWindow* newest = nullptr;
    for (ResultsWindow* open : owner->findChildren<ResultsWindow*>(Qt::FindDirectChildrenOnly))
        if (open != this && open->isVisible()) newest = open;
    Placement::placeAfter(this, newest);
}

void ResultsWindow::placeAt(const QPoint& topLeft) {
    move(topLeft);
}

void ResultsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

void ResultsWindow::fitColumns() {
    const int w = width();
    for (int c = 0; c < 2; ++c)
        overviewGrid_->setColumnWidth(c, w / 2 - 10);
    for (QTableView* view : {characterGrid_, wordGrid_, lineGrid_})
        for (int c = 0; c < 3; ++c)
            view->setColumnWidth(c, w / 3 - 12);
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    // Nothing the job still produces reaches a closed window.
    if (job_) job_->cancel();
    running_ = false;
    QWidget::closeEvent(event);
}

bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    // A view copies only its current cell on Ctrl+C; the rows are wanted.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            for (QAbstractItemView* view : views_) {
                if (watched != view) continue;
                event->accept();
                if (event->type() == QEvent::KeyPress) RowCopy::copySelectedRows(view);
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            for (QTableView* view : {overviewGrid_, characterGrid_, wordGrid_, lineGrid_}) {
                if (watched != view->viewport()) continue;
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                if (index.isValid()) view->setCurrentIndex(index);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ResultsWindow::setEditorText(std::string bytes) {
    editorBytes_ = std::move(bytes);
    fromEditor_ = true;
}

void ResultsWindow::setFile(const QString& path, DocumentReader::PdfConverter convertPdf) {
    path_ = path;
    convertPdf_ = std::move(convertPdf);
}

void ResultsWindow::startAnalysis() {
    startTimer_->stop();
    if (job_) return;
    AnalysisRequest request;
    if (fromEditor_) {
        request.source = AnalysisRequest::Source::EditorBytes;
        request.bytes = std::move(editorBytes_);
    } else if (!path_.isEmpty()) {
        request.source = AnalysisRequest::Source::File;
        request.path = path_;
        request.convertPdf = convertPdf_;
    } else {
        request.lines = lines_;
    }
    request.wordCharacters = wordCharacters_;
    request.locale = QLocale();
    request.options = analysisOptions_;
    job_ = new AnalysisJob(std::move(request), this);
    running_ = true;
    setCursor(Qt::BusyCursor);

    const AnalysisLabels labels = AnalysisUi::analysisLabels();
    connect(job_, &AnalysisJob::progressed, this, [this, labels](const AnalysisProgress& progress) {
        const QString status = AnalysisText::status(progress, labels);
        statusLabel_->setText(status);
        emit statusChanged(status);
    });
    connect(job_, &AnalysisJob::noWordsFound, this, [this, labels] {
        Dialogs::warning(this, translateText("Warning"),
                         AnalysisText::noWordsMessage(labels, wordCharacters_));
    });
    // The frequency tables show, and export and chart, while the phrases
    // still count.
    connect(job_, &AnalysisJob::tablesReady, this,
            [this](std::shared_ptr<const AnalysisResults> results) {
                partial_ = std::move(results);
                showTables(OverviewTab, LineTab);
            });
    connect(job_, &AnalysisJob::finished, this,
            [this](std::shared_ptr<const AnalysisResults> results) {
                running_ = false;
                unsetCursor();
                results_ = std::move(results);
                partial_.reset();
                showResults();
                emit analysisFinished();
            });
    connect(job_, &AnalysisJob::failed, this, [this](const JobFailure& failure) {
        running_ = false;
        unsetCursor();
        emit analysisFailed();
        Dialogs::error(this, AnalysisUi::failureMessage(
                                 failure, translateText("Not enough memory to analyze the text")));
    });
    connect(job_, &AnalysisJob::readFailed, this, [this](const FileError& error) {
        running_ = false;
        unsetCursor();
        emit documentFailed(error);
    });
    job_->start(firstInLine_);
}

void ResultsWindow::showTables(Tab first, Tab last) {
    const AnalysisResults* shown = results_ ? results_.get() : partial_.get();
    for (int tab = first; tab <= last; ++tab) {
        if (tab == OverviewTab)
            overviewModel_->setOverview(shown ? &shown->overview : nullptr);
        else if (isPhraseTab(tab))
            phraseModels_[tab - TwoWordPhraseTab]->setTable(phraseTable(Tab(tab)));
        else
            frequencyModels_[tab - CharacterTab]->setTable(frequencyTable(Tab(tab)));
    }
    fitColumns();
}

void ResultsWindow::showResults() {
    showTables(OverviewTab, FourWordPhraseTab);
    for (int tab = TwoWordPhraseTab; tab < TabCount; ++tab) {
        auto* list = static_cast<QTreeView*>(views_[tab]);
        list->setColumnWidth(0, 200);
        list->setColumnWidth(1, 200);
    }
}

// Phrases only once the run has handed over its results.
const PhraseTable* ResultsWindow::phraseTable(Tab tab) const {
    if (!results_) return nullptr;
    switch (tab) {
    case TwoWordPhraseTab:
        return &results_->phrases2;
    case ThreeWordPhraseTab:
        return &results_->phrases3;
    case FourWordPhraseTab:
        return &results_->phrases4;
    default:
        return nullptr;
    }
}

const FrequencyTable* ResultsWindow::frequencyTable(Tab tab) const {
    const AnalysisResults* shown = results_ ? results_.get() : partial_.get();
    if (!shown) return nullptr;
    switch (tab) {
    case CharacterTab:
        return &shown->characters;
    case WordTab:
        return &shown->words;
    case LineTab:
        return &shown->lines;
    default:
        return nullptr;
    }
}

QString ResultsWindow::suggestedExportName(const QString& tag) const {
    return CsvWriter::suggestedExportName(windowTitle(), tag);
}

void ResultsWindow::exportTab(Tab tab) {
    const AnalysisResults* shown = results_ ? results_.get() : partial_.get();
    if (!shown || (isPhraseTab(tab) && !phraseTable(tab))) return;
    QString path =
        Dialogs::saveFileName(this, translateText("CSV File (*.csv)"),
                              suggestedExportName(QString::fromLatin1(Tabs[tab].exportTag)));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    FileError error;
    const AnalysisLabels labels = AnalysisUi::analysisLabels();
    bool written;
    // The rows in the order shown.
    if (tab == OverviewTab) {
        written = CsvWriter::write(shown->overview, labels, QLocale(), path, csvSeparator_, &error);
    } else if (isPhraseTab(tab)) {
        const PhraseText table(*phraseTable(tab));
        const std::vector<int>& order = phraseModels_[tab - TwoWordPhraseTab]->shownOrder();
        written =
            CsvWriter::write(ReorderedText(table, order, 0), path, csvSeparator_, &error);
    } else {
        const FrequencyText table(*frequencyTable(tab),
                                  translateText(QString::fromLatin1(Tabs[tab].itemHeader)),
                                  labels.occurrence, QLocale());
        const std::vector<int>& order = frequencyModels_[tab - CharacterTab]->shownOrder();
        written =
            CsvWriter::write(ReorderedText(table, order, 1), path, csvSeparator_, &error);
    }
    if (!written) Dialogs::error(this, FileErrorTranslation::text(error));
}

void ResultsWindow::openPieChart(Tab tab) {
    // Centred over the main window once there is one; over this window now.
    QWidget* over = parentWidget() ? parentWidget() : this;
    auto* chart = new PieChartWindow(over);
    fillChart(tab, chart);
    chart->show();
}

void ResultsWindow::fillChart(Tab tab, PieChartWindow* chart) const {
    const FrequencyTable* table = frequencyTable(tab);
    if (!table) return;
    const int items = table->itemCount();
    chart->pie()->reserve(items);
    for (int item = 0; item < items; ++item) {
        QString label = table->key(item);
        if (label.isEmpty()) continue;
        if (tab == CharacterTab) label = AnalysisText::visibleCharacter(label);
        chart->addSlice(double(table->count(item)), label);
    }
}

QUrl ResultsWindow::synonymUrl(const QString& word) {
    return QUrl::fromEncoded("https://www.synonym.com/synonyms/" + QUrl::toPercentEncoding(word),
                             QUrl::StrictMode);
}

// The window holds the results, so that it outlives this one. Phrases show
// once they are counted, the other tables as soon as they are.
ConcordanceWindow* ResultsWindow::openConcordance(Tab tab, int row) {
    std::shared_ptr<const AnalysisResults> shown = results_ ? results_ : partial_;
    if (!shown || row < 0) return nullptr;
    Concordance::Query query;
    if (isPhraseTab(tab)) {
        const PhraseTable* table = phraseTable(tab);
        if (!table || row >= table->itemCount()) return nullptr;
        row = phraseModels_[tab - TwoWordPhraseTab]->itemAt(row);
        query = {Concordance::Kind::Phrase, table->phrase(row), table->count(row)};
    } else {
        const FrequencyTable* table = frequencyTable(tab);
        if (!table || row >= table->itemCount()) return nullptr;
        row = frequencyModels_[tab - CharacterTab]->itemAt(row);
        query.kind = tab == CharacterTab ? Concordance::Kind::Character
                     : tab == WordTab    ? Concordance::Kind::Word
                                         : Concordance::Kind::Line;
        query.text = table->key(row);
        query.expected = table->count(row);
    }
    // A new one while others of this window are open moves on from the
    // newest, as results windows do.
    ConcordanceWindow* newest = nullptr;
    for (const QPointer<ConcordanceWindow>& open : concordances_)
        if (open && open->isVisible()) newest = open;
    auto* window = new ConcordanceWindow(std::move(shown), query, windowTitle(), this);
    Placement::placeAfter(window, newest);
    concordances_.removeAll(nullptr);
    concordances_.append(window);
    window->show();
    return window;
}

void ResultsWindow::openSynonyms() {
    const QModelIndex current = wordGrid_->currentIndex();
    if (!current.isValid() || !frequencyTable(WordTab)) return;
    const QString word = frequencyTable(WordTab)->key(
        frequencyModels_[WordTab - CharacterTab]->itemAt(current.row()));
    if (!word.isEmpty()) Desktop::openUrl(synonymUrl(word));
}
