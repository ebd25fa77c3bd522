#include "analysis/ui/concordance/concordancewindow.h"

#include "analysis/report/analysistext.h"
#include "analysis/report/concordancetext.h"
#include "analysis/report/csvwriter.h"
#include "analysis/report/numberformat.h"
#include "analysis/ui/common/analysislabels.h"
#include "analysis/ui/common/rowcopy.h"
#include "analysis/ui/concordance/concordancemodel.h"
#include "localization/fileerrortranslation.h"
#include "localization/translation.h"
#include "text/inistore.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"
#include "widgets/sharedsettings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

// The icons live in a static library, whose resources are not registered
// on their own.
static void initConcordanceIcons() {
    Q_INIT_RESOURCE(sharedicons);
}

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString WidthKey = QStringLiteral("ConcordanceWidth");

// The sort box's entries in order: the text order, then the item and one to
// three words to its right or its left.
using Concordance::Side;
constexpr std::array<Concordance::Order, 7> SortOrders{{
    {Side::Position, 1},
    {Side::Right, 1},
    {Side::Right, 2},
    {Side::Right, 3},
    {Side::Left, 1},
    {Side::Left, 2},
    {Side::Left, 3},
}};
QStringList sortCaptions() {
    return {translateText("Position"), translateText("1R"), translateText("1R 2R"),
            translateText("1R 2R 3R"), translateText("1L"), translateText("1L 2L"),
            translateText("1L 2L 3L")};
}

// The left context is cut at its start, so that the words next to the item
// stay in view; the others at their end.
class ContextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode =
            index.column() == ConcordanceModel::LeftColumn ? Qt::ElideLeft : Qt::ElideRight;
    }
};

// A long text cut short for the title.
QString shortened(const QString& text) {
    constexpr qsizetype Longest = 60;
    if (text.size() <= Longest) return text;
    return text.left(Longest) + QChar(0x2026);
}

// How the title names an item: a blank character by its sign.
QString shownItem(const Concordance::Query& query) {
    if (query.kind == Concordance::Kind::Character)
        return AnalysisText::visibleCharacter(query.text);
    return shortened(query.text);
}

} // namespace

int ConcordanceWindow::savedWidth() {
    const IniStore* settings = SharedSettings::store();
    if (!settings) return Concordance::DefaultWidth;
    bool ok = false;
    const int width = settings->read(SettingsSection, WidthKey).toInt(&ok);
    return ok && width >= MinWidth && width <= MaxWidth ? width : Concordance::DefaultWidth;
}

ConcordanceWindow::ConcordanceWindow(std::shared_ptr<const AnalysisResults> results,
                                     const Concordance::Query& query, const QString& exportCaption,
                                     QWidget* centreOver)
    : QWidget(nullptr, Qt::Window), results_(std::move(results)), exportCaption_(exportCaption) {
    initConcordanceIcons();
    Placement::centreWhenFirstShown(this, centreOver);
    Placement::whenFirstShown(this, [this] { fitColumns(); });
    // Not owned by the results window: closing that leaves this one open,
    // and the results it holds keep the lines.
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    csvSeparator_ = CsvWriter::localeSeparator();
    job_ = new ConcordanceJob(results_, this);

    buildSearchStrip();
    buildHitList();
    buildButtonStrip();
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName("statusBar");
    statusLabel_ = new QLabel(statusBar);
    statusLabel_->setObjectName("statusLabel");
    statusBar->addWidget(statusLabel_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(searchEdit_->parentWidget());
    layout->addWidget(hitList_, 1);
    layout->addWidget(copyButton_->parentWidget());
    layout->addWidget(statusBar);

    // Esc closes it, as it closes the other windows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connectJob();
    resize(820, 460);
    showQuery(query);
}

ConcordanceWindow::~ConcordanceWindow() {
    // The worker reads the lines the model shows; it stops before they go.
    job_->stop();
}

// The typed text, the contexts' width and the order.
void ConcordanceWindow::buildSearchStrip() {
    auto* strip = new QWidget(this);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(5, 5, 5, 5);
    stripLayout->setSpacing(5);

    auto* searchLabel = new QLabel(translateText("Search:"), strip);
    searchEdit_ = new QLineEdit(strip);
    searchEdit_->setObjectName("searchEdit");
    searchEdit_->setPlaceholderText(translateText("A word, or a phrase of 2 to 4 words"));
    searchLabel->setBuddy(searchEdit_);
    searchButton_ = new QPushButton(translateText("Find"), strip);
    searchButton_->setObjectName("searchButton");
    connect(searchEdit_, &QLineEdit::returnPressed, this, &ConcordanceWindow::search);
    connect(searchButton_, &QPushButton::clicked, this, &ConcordanceWindow::search);

    auto* widthLabel = new QLabel(translateText("Context width:"), strip);
    widthBox_ = new QSpinBox(strip);
    widthBox_->setObjectName("widthBox");
    widthBox_->setRange(MinWidth, MaxWidth);
    widthBox_->setValue(savedWidth());
    // Saved once a value is complete, not at every digit typed.
    widthBox_->setKeyboardTracking(false);
    widthLabel->setBuddy(widthBox_);
    connect(widthBox_, &QSpinBox::valueChanged, this, &ConcordanceWindow::setContextWidth);

    auto* sortLabel = new QLabel(translateText("Sort by:"), strip);
    sortBox_ = new QComboBox(strip);
    sortBox_->setObjectName("sortBox");
    sortBox_->addItems(sortCaptions());
    sortLabel->setBuddy(sortBox_);
    connect(sortBox_, &QComboBox::currentIndexChanged, this, &ConcordanceWindow::sortHits);

    stripLayout->addWidget(searchLabel);
    stripLayout->addWidget(searchEdit_, 1);
    stripLayout->addWidget(searchButton_);
    stripLayout->addSpacing(10);
    stripLayout->addWidget(widthLabel);
    stripLayout->addWidget(widthBox_);
    stripLayout->addSpacing(10);
    stripLayout->addWidget(sortLabel);
    stripLayout->addWidget(sortBox_);
}

// One row a hit, rows of one height and texts on one line, so that a view
// of millions of rows asks only for those on screen.
void ConcordanceWindow::buildHitList() {
    const QString headers[ConcordanceModel::ColumnCount] = {
        translateText("Line"), translateText("Left"), translateText("Item"),
        translateText("Right")};
    model_ = new ConcordanceModel(results_->text, headers, this);
    model_->setWidth(widthBox_->value());

    hitList_ = new QTableView(this);
    hitList_->setObjectName("hitList");
    hitList_->setModel(model_);
    hitList_->setItemDelegate(new ContextDelegate(hitList_));
    hitList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hitList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    hitList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    hitList_->setWordWrap(false);
    hitList_->setShowGrid(false);
    hitList_->setCornerButtonEnabled(false);
    // The columns fit the list; where the window is too narrow for them, or
    // a column is widened by hand, a scroll bar shows rather than the list
    // shifting sideways out of sight.
    hitList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    hitList_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    hitList_->verticalHeader()->hide();
    hitList_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    hitList_->verticalHeader()->setDefaultSectionSize(hitList_->fontMetrics().height() + 6);
    hitList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    hitList_->horizontalHeader()->setHighlightSections(false);
    hitList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* copy = new QAction(translateText("Copy"), hitList_);
    copy->setObjectName("copyAction");
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &ConcordanceWindow::copyRows);
    hitList_->addAction(copy);
    hitList_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ConcordanceWindow::buildButtonStrip() {
    auto* strip = new QWidget(this);
    strip->setFixedHeight(40);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(5, 5, 5, 5);
    stripLayout->setSpacing(5);
    copyButton_ = new QPushButton(translateText("Copy"), strip);
    copyButton_->setObjectName("copyButton");
    copyButton_->setFixedSize(150, 30);
    connect(copyButton_, &QPushButton::clicked, this, &ConcordanceWindow::copyRows);
    exportButton_ = new QPushButton(QIcon(QStringLiteral(":/icons/spreadsheet.svg")),
                                    translateText("Export..."), strip);
    exportButton_->setObjectName("exportButton");
    exportButton_->setFixedSize(150, 30);
    exportButton_->setIconSize(QSize(16, 16));
    connect(exportButton_, &QPushButton::clicked, this, &ConcordanceWindow::exportHits);
    stripLayout->addWidget(copyButton_);
    stripLayout->addWidget(exportButton_);
    stripLayout->addStretch(1);
}

void ConcordanceWindow::connectJob() {
    connect(job_, &ConcordanceJob::hitsFound, this,
            [this](const std::vector<Concordance::Hit>& hits) {
                model_->appendHits(hits);
                showCount();
            });
    connect(job_, &ConcordanceJob::findingFinished, this, [this] {
        finding_ = false;
        if (chosenOrder().side != Concordance::Side::Position) {
            startSort();
            return;
        }
        setBusy(false);
        emit hitsReady();
    });
    connect(job_, &ConcordanceJob::sorted, this, [this] {
        sorting_ = false;
        model_->setHits(job_->takeSorted());
        // A new order starts at its first row.
        hitList_->scrollToTop();
        setBusy(false);
        emit hitsReady();
    });
    connect(job_, &ConcordanceJob::failed, this, [this](const JobFailure& failure) {
        finding_ = false;
        sorting_ = false;
        setBusy(false);
        Dialogs::error(this, AnalysisUi::failureMessage(
                                 failure, translateText("Not enough memory for the concordance")));
    });
}

const std::vector<Concordance::Hit>& ConcordanceWindow::hits() const {
    return model_->hits();
}

bool ConcordanceWindow::isBusy() const {
    return finding_ || sorting_;
}

QString ConcordanceWindow::statusText() const {
    return statusLabel_->text();
}

QString ConcordanceWindow::suggestedExportName() const {
    // The item names the file too, its letters and digits kept, runs of
    // anything else one "_": kjv25_the_lord_Concordance.csv.
    QString item;
    for (QChar c : query_.text) {
        if (c.isLetterOrNumber())
            item += c;
        else if (!item.isEmpty() && !item.endsWith(u'_'))
            item += u'_';
    }
    while (item.endsWith(u'_'))
        item.chop(1);
    item.truncate(40);
    const QString tag = QStringLiteral("Concordance");
    return CsvWriter::suggestedExportName(exportCaption_, item.isEmpty() ? tag : item + u'_' + tag);
}

void ConcordanceWindow::search() {
    const Concordance::TypedQuery typed =
        Concordance::parseTyped(searchEdit_->text(), results_->wordCharacters);
    switch (typed.problem) {
    case Concordance::TypedProblem::None:
        showQuery(typed.query);
        return;
    case Concordance::TypedProblem::Empty:
        showProblem(translateText("Type a word, or a phrase of 2 to 4 words."));
        return;
    case Concordance::TypedProblem::NotWordCharacters:
        showProblem(translateText("Not a word: it holds characters that are not word characters."));
        return;
    case Concordance::TypedProblem::TooManyWords:
        showProblem(translateText("Too many words: a phrase has 2 to 4 words."));
        return;
    case Concordance::TypedProblem::BreakInside:
        showProblem(translateText(
            "Not a phrase: a punctuation mark between its words ends the phrase there."));
        return;
    }
}

void ConcordanceWindow::showQuery(const Concordance::Query& query) {
    query_ = query;
    setWindowTitle(translateText("Concordance: %s").replace(QLatin1String("%s"), shownItem(query)));
    if (query.kind == Concordance::Kind::Word || query.kind == Concordance::Kind::Phrase)
        searchEdit_->setText(query.text);
    model_->clear(query.expected);
    finding_ = true;
    sorting_ = false;
    setBusy(true);
    fitColumns();
    job_->find(query);
}

// A problem with the typed text: the status says what it is; the list, the
// title and Export stay as they were.
void ConcordanceWindow::showProblem(const QString& message) {
    statusLabel_->setText(message);
}

void ConcordanceWindow::sortHits() {
    // Hits still coming are sorted once they are all there.
    if (finding_ || model_->hits().empty()) return;
    startSort();
}

void ConcordanceWindow::startSort() {
    sorting_ = true;
    setBusy(true);
    job_->sort(model_->hits(), chosenOrder());
}

Concordance::Order ConcordanceWindow::chosenOrder() const {
    return SortOrders[std::size_t(std::max(0, sortBox_->currentIndex()))];
}

void ConcordanceWindow::setBusy(bool busy) {
    exportButton_->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    showCount();
}

void ConcordanceWindow::showCount() {
    const QString count = NumberFormat::formatCount(qint64(model_->hits().size()));
    QString status;
    if (finding_)
        status = translateText("Finding... Hits: %s");
    else if (sorting_)
        status = translateText("Sorting... Hits: %s");
    else
        status = translateText("Hits: %s");
    statusLabel_->setText(status.replace(QLatin1String("%s"), count));
}

void ConcordanceWindow::setContextWidth(int width) {
    model_->setWidth(width);
    IniStore* settings = SharedSettings::store();
    if (!settings) return;
    settings->write(SettingsSection, WidthKey, QString::number(width));
    FileError error;
    if (!settings->save(&error)) Dialogs::error(this, FileErrorTranslation::text(error));
}

void ConcordanceWindow::copyRows() {
    QString text;
    for (int row : RowCopy::selectedRows(hitList_)) {
        const Concordance::Context& context = model_->context(row);
        text += QString::number(context.lineNumber) + u'\t' + RowCopy::field(context.left) + u'\t' +
                RowCopy::field(context.item) + u'\t' + RowCopy::field(context.right) + u'\n';
    }
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void ConcordanceWindow::exportHits() {
    if (isBusy()) return;
    QString path =
        Dialogs::saveFileName(this, translateText("CSV File (*.csv)"), suggestedExportName());
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    const QString headers[ConcordanceText::ColumnCount] = {
        model_->headerData(ConcordanceModel::LineColumn, Qt::Horizontal).toString(),
        model_->headerData(ConcordanceModel::LeftColumn, Qt::Horizontal).toString(),
        model_->headerData(ConcordanceModel::ItemColumn, Qt::Horizontal).toString(),
        model_->headerData(ConcordanceModel::RightColumn, Qt::Horizontal).toString()};
    const ConcordanceText table(results_->text, model_->hits(), model_->width(), headers);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    FileError error;
    if (!CsvWriter::write(table, path, csvSeparator_, &error)) {
        restore.dismiss();
        QApplication::restoreOverrideCursor();
        Dialogs::error(this, FileErrorTranslation::text(error));
    }
}

void ConcordanceWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

void ConcordanceWindow::closeEvent(QCloseEvent* event) {
    job_->stop();
    finding_ = false;
    sorting_ = false;
    QWidget::closeEvent(event);
}

// The line numbers and the item as wide as they need; the two contexts share
// what is left.
void ConcordanceWindow::fitColumns() {
    const int total = hitList_->viewport()->width();
    const QHeaderView* header = hitList_->horizontalHeader();
    const QFontMetrics plain(hitList_->font());
    QFont bold = hitList_->font();
    bold.setBold(true);
    const QFontMetrics heavy(bold);
    const int lineWidth =
        std::max(header->sectionSizeHint(ConcordanceModel::LineColumn),
                 plain.horizontalAdvance(QString::number(results_->text.count())) + 12);
    // The item whole, a phrase of four words too, as long as each context
    // keeps a fifth of the list.
    const int itemWidth = std::max(header->sectionSizeHint(ConcordanceModel::ItemColumn),
                                   std::min(heavy.horizontalAdvance(shownItem(query_)) + 16,
                                            total - lineWidth - 2 * (total / 5)));
    const int side = std::max(40, (total - lineWidth - itemWidth) / 2);
    hitList_->setColumnWidth(ConcordanceModel::LineColumn, lineWidth);
    hitList_->setColumnWidth(ConcordanceModel::LeftColumn, side);
    hitList_->setColumnWidth(ConcordanceModel::ItemColumn, itemWidth);
    hitList_->setColumnWidth(ConcordanceModel::RightColumn,
                             std::max(40, total - lineWidth - itemWidth - side));
    hitList_->horizontalScrollBar()->setValue(0);
}
