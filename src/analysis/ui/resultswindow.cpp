#include "analysis/ui/resultswindow.h"

#include "analysis/analysisrun.h"
#include "analysis/csvwriter.h"
#include "analysis/ui/dialogs.h"
#include "analysis/ui/piechartwindow.h"
#include "analysis/ui/texttablemodel.h"
#include "localization/translation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <exception>

// The icons live in a static library, whose resources are not registered
// on their own.
static void initIconResources() {
    Q_INIT_RESOURCE(analysisicons);
}

namespace {

enum Tab { OverviewTab, CharTab, WordTab, LineTab, Phrase2Tab, Phrase3Tab, Phrase4Tab };

QPushButton* stripButton(const QString& caption, const char* icon, QWidget* parent) {
    auto* button = new QPushButton(QIcon(QString::fromLatin1(icon)), caption, parent);
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

} // namespace

ResultsWindow::ResultsWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    initIconResources();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(translateText("Analysis Results"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    CsvSeparator = CsvWriter::localeSeparator();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    statusLabel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusLabel_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(StatusBar1);

    auto addTab = [&](QWidget* view, const QString& caption,
                      std::initializer_list<QPushButton*> buttons) {
        auto* page = new QWidget(PageControl1);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->setSpacing(0);
        view->setParent(page);
        pageLayout->addWidget(view, 1);
        auto* strip = new QWidget(page);
        strip->setFixedHeight(40);
        auto* stripLayout = new QHBoxLayout(strip);
        stripLayout->setContentsMargins(0, 5, 0, 5);
        stripLayout->setSpacing(5);
        for (QPushButton* button : buttons) {
            button->setParent(strip);
            stripLayout->addWidget(button);
        }
        stripLayout->addStretch(1);
        pageLayout->addWidget(strip);
        PageControl1->addTab(page, caption);
    };

    const QString exportCaption = translateText("Export...");
    const QString chartCaption = translateText("Pie Chart...");
    const char* exportIcon = ":/icons/spreadsheet.svg";
    const char* chartIcon = ":/icons/pie.svg";
    Button1 = stripButton(exportCaption, exportIcon, this);
    Button2 = stripButton(exportCaption, exportIcon, this);
    Button3 = stripButton(exportCaption, exportIcon, this);
    Button4 = stripButton(exportCaption, exportIcon, this);
    Button6 = stripButton(exportCaption, exportIcon, this);
    Button9 = stripButton(exportCaption, exportIcon, this);
    Button10 = stripButton(exportCaption, exportIcon, this);
    Button5 = stripButton(chartCaption, chartIcon, this);
    Button7 = stripButton(chartCaption, chartIcon, this);
    Button8 = stripButton(chartCaption, chartIcon, this);
    const std::pair<QPushButton*, const char*> names[] = {
        {Button1, "Button1"}, {Button2, "Button2"},  {Button3, "Button3"}, {Button4, "Button4"},
        {Button5, "Button5"}, {Button6, "Button6"},  {Button7, "Button7"}, {Button8, "Button8"},
        {Button9, "Button9"}, {Button10, "Button10"}};
    for (const auto& [button, name] : names)
        button->setObjectName(QString::fromLatin1(name));

    const QString occurrence = translateText("Occurrence");
    S1 = grid(this, false);
    S2 = grid(this, true);
    S3 = grid(this, true);
    S4 = grid(this, true);
    ListView2Word = phraseList(this);
    ListView3Word = phraseList(this);
    ListView4Word = phraseList(this);
    S1->setObjectName("S1");
    S2->setObjectName("S2");
    S3->setObjectName("S3");
    S4->setObjectName("S4");
    ListView2Word->setObjectName("ListView2Word");
    ListView3Word->setObjectName("ListView3Word");
    ListView4Word->setObjectName("ListView4Word");

    models_[OverviewTab] = new TextTableModel(2, false, {}, 7, this);
    models_[CharTab] = new TextTableModel(
        3, true, {translateText("Character"), occurrence, QStringLiteral("%")}, 1, this);
    models_[WordTab] = new TextTableModel(
        3, true, {translateText("Word"), occurrence, QStringLiteral("%")}, 1, this);
    models_[LineTab] = new TextTableModel(
        3, true, {translateText("Line"), occurrence, QStringLiteral("%")}, 1, this);
    models_[Phrase2Tab] =
        new TextTableModel(2, false, {translateText("2-Word Phrase"), occurrence}, 0, this);
    models_[Phrase3Tab] =
        new TextTableModel(2, false, {translateText("3-Word Phrase"), occurrence}, 0, this);
    models_[Phrase4Tab] =
        new TextTableModel(2, false, {translateText("4-Word Phrase"), occurrence}, 0, this);
    for (int t = CharTab; t <= LineTab; ++t)
        models_[t]->setRightAligned({1, 2});
    for (int t = Phrase2Tab; t <= Phrase4Tab; ++t)
        models_[t]->setRightAligned({1});

    S1->setModel(models_[OverviewTab]);
    S2->setModel(models_[CharTab]);
    S3->setModel(models_[WordTab]);
    S4->setModel(models_[LineTab]);
    ListView2Word->setModel(models_[Phrase2Tab]);
    ListView3Word->setModel(models_[Phrase3Tab]);
    ListView4Word->setModel(models_[Phrase4Tab]);
    for (QTreeView* list : {ListView2Word, ListView3Word, ListView4Word}) {
        list->setColumnWidth(0, 200);
        list->setColumnWidth(1, 200);
    }

    addTab(S1, translateText("Overview"), {Button6});
    addTab(S2, translateText("Character Frequency"), {Button3, Button5});
    addTab(S3, translateText("Word Frequency"), {Button2, Button7});
    addTab(S4, translateText("Line Frequency"), {Button1, Button8});
    addTab(ListView2Word, translateText("2-Word Phrases"), {Button4});
    addTab(ListView3Word, translateText("3-Word Phrases"), {Button9});
    addTab(ListView4Word, translateText("4-Word Phrases"), {Button10});
    PageControl1->setCurrentIndex(0);

    // A right click first selects the cell under the pointer, like a left one.
    for (QTableView* view : {S1, S2, S3, S4})
        view->viewport()->installEventFilter(this);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Synonyms1 = PopupMenu1->addAction(QStringLiteral("Synonyms"));
    Synonyms1->setObjectName("Synonyms1");
    S3->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(S3, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(S3->viewport()->mapToGlobal(at)); });
    connect(Synonyms1, &QAction::triggered, this, &ResultsWindow::Synonyms1Click);

    // The window sees Esc before its controls.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(Button1, &QPushButton::clicked, this, &ResultsWindow::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &ResultsWindow::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &ResultsWindow::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &ResultsWindow::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &ResultsWindow::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &ResultsWindow::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &ResultsWindow::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &ResultsWindow::Button8Click);
    connect(Button9, &QPushButton::clicked, this, &ResultsWindow::Button9Click);
    connect(Button10, &QPushButton::clicked, this, &ResultsWindow::Button10Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &ResultsWindow::Timer1Timer);

    resize(634, 362);
    FormResize();
}

ResultsWindow::~ResultsWindow() {
    // Views must let go of the tables before the tables go.
    for (TextTableModel* model : models_)
        model->setTable(nullptr);
}

QString ResultsWindow::statusText() const {
    return statusLabel_->text();
}

void ResultsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        if (QWidget* owner = parentWidget()) {
            QRect frame = frameGeometry();
            frame.moveCenter(owner->frameGeometry().center());
            move(frame.topLeft());
        }
        Timer1->start();
    }
}

void ResultsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void ResultsWindow::FormResize() {
    const int w = width();
    for (int c = 0; c < 2; ++c)
        S1->setColumnWidth(c, w / 2 - 10);
    for (QTableView* view : {S2, S3, S4})
        for (int c = 0; c < 3; ++c)
            view->setColumnWidth(c, w / 3 - 12);
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    // The run processes events, so a close can arrive while it still uses
    // this window: it is cancelled, and the window closes once it returns.
    if (running_) {
        closeRequested_ = true;
        hide();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            for (QTableView* view : {S1, S2, S3, S4}) {
                if (watched != view->viewport()) continue;
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                if (index.isValid()) view->setCurrentIndex(index);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ResultsWindow::Timer1Timer() {
    Timer1->stop();
    running_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    struct CursorGuard {
        ~CursorGuard() { QApplication::restoreOverrideCursor(); }
    } cursorGuard;

    bool finished = false;
    try {
        AnalysisRun run(lines_, wordCharacters_, QLocale());
        run.setStatusHandler([this](const QString& status) {
            statusLabel_->setText(status);
            emit statusChanged(status);
            QCoreApplication::processEvents();
            return !closeRequested_;
        });
        run.setIdleHandler([this] {
            QCoreApplication::processEvents();
            return !closeRequested_;
        });
        run.setNoWordsHandler([this](const QString& message) {
            Dialogs::warning(this, translateText("Warning"), message);
        });
        finished = run.run();
        if (finished) results_ = std::make_unique<AnalysisResults>(std::move(run.results()));
    } catch (const std::exception& e) {
        running_ = false;
        Dialogs::error(this, QString::fromLocal8Bit(e.what()));
    }
    running_ = false;
    if (closeRequested_) {
        close();
        return;
    }
    if (finished) {
        showResults();
        emit analysisFinished();
    }
}

void ResultsWindow::showResults() {
    models_[OverviewTab]->setTable(&results_->overview);
    models_[CharTab]->setTable(&results_->characters);
    models_[WordTab]->setTable(&results_->words);
    models_[LineTab]->setTable(&results_->lines);
    models_[Phrase2Tab]->setTable(&results_->phrases2);
    models_[Phrase3Tab]->setTable(&results_->phrases3);
    models_[Phrase4Tab]->setTable(&results_->phrases4);
    FormResize();
    for (QTreeView* list : {ListView2Word, ListView3Word, ListView4Word}) {
        list->setColumnWidth(0, 200);
        list->setColumnWidth(1, 200);
    }
}

QString ResultsWindow::suggestedExportName(const QString& tag) const {
    return CsvWriter::suggestedExportName(windowTitle(), tag);
}

void ResultsWindow::exportTable(const TextTable* table, const QString& tag) {
    if (!table) return;
    QString path =
        Dialogs::saveFileName(this, translateText("CSV File (*.csv)"), suggestedExportName(tag));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    QString error;
    if (!CsvWriter::write(*table, path, CsvSeparator, &error)) Dialogs::error(this, error);
}

void ResultsWindow::Button1Click() {
    exportTable(results_ ? &results_->lines : nullptr, "Line");
}
void ResultsWindow::Button2Click() {
    exportTable(results_ ? &results_->words : nullptr, "Word");
}
void ResultsWindow::Button3Click() {
    exportTable(results_ ? &results_->characters : nullptr, "Char");
}
void ResultsWindow::Button4Click() {
    exportTable(results_ ? &results_->phrases2 : nullptr, "2-Phrase");
}
void ResultsWindow::Button6Click() {
    exportTable(results_ ? &results_->overview : nullptr, "Overview");
}
void ResultsWindow::Button9Click() {
    exportTable(results_ ? &results_->phrases3 : nullptr, "3-Phrase");
}
void ResultsWindow::Button10Click() {
    exportTable(results_ ? &results_->phrases4 : nullptr, "4-Phrase");
}

void ResultsWindow::Button5Click() {
    openChart(QStringLiteral("char"));
}
void ResultsWindow::Button7Click() {
    openChart(QStringLiteral("word"));
}
void ResultsWindow::Button8Click() {
    openChart(QStringLiteral("line"));
}

void ResultsWindow::openChart(const QString& kind) {
    // Centred over the main window once there is one; over this window now.
    QWidget* over = parentWidget() ? parentWidget() : this;
    auto* chart = new PieChartWindow(over);
    fillChart(kind, chart);
    chart->show();
}

void ResultsWindow::fillChart(const QString& kind, PieChartWindow* chart) const {
    if (!results_) return;
    const FrequencyTable& table = kind == QLatin1String("char")   ? results_->characters
                                  : kind == QLatin1String("word") ? results_->words
                                                                  : results_->lines;
    const QLocale locale;
    const int rows = table.rowCount();
    chart->Chart1->reserve(rows);
    for (int row = 1; row < rows; ++row) {
        const QString label = table.cell(row, 0);
        if (label.isEmpty()) continue;
        chart->addSlice(locale.toDouble(table.cell(row, 1)), label);
    }
}

QUrl ResultsWindow::synonymUrl(const QString& word) {
    return QUrl::fromEncoded("https://www.synonym.com/synonyms/" + QUrl::toPercentEncoding(word),
                             QUrl::StrictMode);
}

std::function<void(const QUrl&)>& ResultsWindow::urlOpener() {
    static std::function<void(const QUrl&)> opener = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
    };
    return opener;
}

void ResultsWindow::Synonyms1Click() {
    const QModelIndex current = S3->currentIndex();
    if (!current.isValid() || !results_) return;
    const QString word = S3->model()->index(current.row(), 0).data().toString();
    if (!word.isEmpty()) urlOpener()(synonymUrl(word));
}
