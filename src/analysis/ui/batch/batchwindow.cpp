#include "analysis/ui/batch/batchwindow.h"

#include "analysis/report/numberformat.h"
#include "analysis/ui/results/resultswindow.h"
#include "import/ui/loadfilter.h"
#include "localization/fileerrortranslation.h"
#include "localization/translation.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <functional>
#include <new>
#include <vector>

// The icon lives in a static library, whose resources are not registered on
// their own.
static void initIconResources() {
    Q_INIT_RESOURCE(batchicons);
}

// The rows of the list: each file's path and its size as shown, in the
// order they were added; a path may come more than once.
class BatchWindow::FileList : public QAbstractTableModel {
public:
    FileList(const QStringList& headers, QObject* parent)
        : QAbstractTableModel(parent), headers_(headers) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        const Row& row = rows_[std::size_t(index.row())];
        return index.column() == 0 ? row.path : row.size;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return headers_.value(section);
        return {};
    }

    QString path(int row) const { return rows_[std::size_t(row)].path; }

    void append(const QString& path) {
        // QFileInfo matches hidden and system files as well; -1 when there is none.
        const QFileInfo file(path);
        const qint64 size = file.exists() && !file.isDir() ? file.size() : -1;
        beginInsertRows({}, rowCount(), rowCount());
        rows_.push_back({path, NumberFormat::formatCount(size)});
        endInsertRows();
    }
    // Removes the rows, given in any order.
    void remove(QList<int> rows) {
        std::sort(rows.begin(), rows.end(), std::greater<>());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (int row : rows) {
            beginRemoveRows({}, row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
        }
    }
    void clear() {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }

private:
    struct Row {
        QString path;
        QString size;
    };
    QStringList headers_;
    std::vector<Row> rows_;
};

namespace {

// The width of the size column and the design resolution lengths are given in.
const int SizeColumnWidth = 120;
const qreal DesignDpi = 96.0;

// Report-view grid lines, which a tree view does not draw itself.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

// The cascade of a run: each window a step further right and down; below
// the work area it starts again at the top, one more step to the right.
struct Cascade {
    int step;
    int column = 0;
    int left = -step;
    int top = -step;

    QPoint next(int workAreaHeight) {
        left += step;
        top += step;
        if (top >= workAreaHeight) {
            top -= workAreaHeight;
            ++column;
            left = column * step;
        }
        return {left, top};
    }
};

} // namespace

BatchWindow::BatchWindow(QWidget* owner, DocumentReader::PdfConverter convertPdf,
                         WordCharactersProvider wordCharacters)
    : QWidget(owner, Qt::Window), convertPdf_(std::move(convertPdf)),
      wordCharacters_(std::move(wordCharacters)) {
    initIconResources();
    Placement::centreWhenFirstShown(this, owner);
    setWindowTitle(translateText("Batch Analyze Files"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    fileCountText_ = translateText("Number of Files: %s");

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("statusBar");
    statusLabel_ = new QLabel(statusBar_);
    statusLabel_->setObjectName("statusLabel");
    statusBar_->addWidget(statusLabel_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildCommandStrip());
    auto* listLayout = new QVBoxLayout;
    listLayout->setContentsMargins(10, 3, 10, 3);
    listLayout->addWidget(buildFileList());
    layout->addLayout(listLayout, 1);
    layout->addWidget(statusBar_);
    buildListMenu();

    // The window sees Esc before its controls; closing only hides it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    resize(464, 296 + statusBar_->sizeHint().height());
}

BatchWindow::~BatchWindow() = default;

QWidget* BatchWindow::buildCommandStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName("commandStrip");
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(9, 10, 9, 0);
    stripLayout->setSpacing(5);

    addFilesButton_ = new QPushButton(translateText("Add Files..."), strip);
    addFilesButton_->setObjectName("addFilesButton");
    addFilesButton_->setFixedSize(150, 34);
    connect(addFilesButton_, &QPushButton::clicked, this, &BatchWindow::chooseFiles);

    // The icon engine greys the arrow while the button is disabled.
    startButton_ =
        new QPushButton(QIcon(QStringLiteral(":/icons/start.svg")), translateText("Start"), strip);
    startButton_->setObjectName("startButton");
    startButton_->setFixedSize(150, 34);
    startButton_->setIconSize(QSize(16, 16));
    QFont bold = startButton_->font();
    bold.setBold(true);
    startButton_->setFont(bold);
    startButton_->setEnabled(false);
    connect(startButton_, &QPushButton::clicked, this, &BatchWindow::start);

    stripLayout->addWidget(addFilesButton_);
    stripLayout->addWidget(startButton_);
    stripLayout->addStretch(1);
    return strip;
}

QTreeView* BatchWindow::buildFileList() {
    files_ = new FileList({translateText("Filename"), translateText("Size (bytes)")}, this);
    fileList_ = new QTreeView(this);
    fileList_->setObjectName("fileList");
    fileList_->setFont(QFont(QStringLiteral("Tahoma"), 10));
    fileList_->setModel(files_);
    fileList_->setRootIsDecorated(false);
    fileList_->setItemsExpandable(false);
    fileList_->setUniformRowHeights(true);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fileList_->setAllColumnsShowFocus(true);
    fileList_->setMouseTracking(true); // hot tracking
    fileList_->setItemDelegate(new GridLineDelegate(fileList_));
    QHeaderView* header = fileList_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, SizeColumnWidth);
    return fileList_;
}

// The list's context menu; Delete in the list removes the selected rows too.
void BatchWindow::buildListMenu() {
    listMenu_ = new QMenu(this);
    listMenu_->setObjectName("listMenu");
    deleteSelectedAction_ = listMenu_->addAction(translateText("Delete Selected"));
    deleteSelectedAction_->setObjectName("deleteSelectedAction");
    deleteSelectedAction_->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteSelectedAction_->setShortcutContext(Qt::WidgetShortcut);
    fileList_->addAction(deleteSelectedAction_);
    deleteAllAction_ = listMenu_->addAction(translateText("Delete All"));
    deleteAllAction_->setObjectName("deleteAllAction");
    connect(deleteSelectedAction_, &QAction::triggered, this, &BatchWindow::deleteSelected);
    connect(deleteAllAction_, &QAction::triggered, this, &BatchWindow::deleteAll);

    fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(fileList_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { listMenu_->popup(fileList_->viewport()->mapToGlobal(at)); });
}

void BatchWindow::chooseFiles() {
    const QString filter = LoadFilter::filter();
    const QStringList chosen = Dialogs::openFileNames(this, filter);
    if (chosen.isEmpty()) return;
    Dialogs::noteFileUsed(chosen.last());
    addFiles(chosen);
}

void BatchWindow::addFiles(const QStringList& paths) {
    for (const QString& path : paths)
        files_->append(path);
    listChanged();
}

QStringList BatchWindow::paths() const {
    QStringList all;
    for (int row = 0; row < files_->rowCount(); ++row)
        all << files_->path(row);
    return all;
}

void BatchWindow::deleteSelected() {
    QList<int> rows;
    for (const QModelIndex& index : fileList_->selectionModel()->selectedRows())
        rows << index.row();
    files_->remove(rows);
    listChanged();
}

void BatchWindow::deleteAll() {
    files_->clear();
    listChanged();
}

void BatchWindow::listChanged() {
    const int count = files_->rowCount();
    startButton_->setEnabled(count > 0);
    // "1 file" is not looked up in the language file.
    statusLabel_->setText(
        count == 1 ? QStringLiteral("1 file")
                   : QString(fileCountText_).replace(QLatin1String("%s"), QString::number(count)));
}

QList<QPoint> BatchWindow::cascadePositions(int step, int workAreaHeight, int count) {
    Cascade cascade{step};
    QList<QPoint> positions;
    for (int i = 0; i < count; ++i)
        positions << cascade.next(workAreaHeight);
    return positions;
}

void BatchWindow::start() {
    // The windows of an earlier run stay; this run's are tracked so that a
    // failing row can stop the rows after it.
    run_.clear();
    QScreen* screen = this->screen();
    Cascade cascade{Placement::scaledDimension(20, screen ? screen->logicalDotsPerInch() : DesignDpi)};
    const int workAreaHeight = screen ? screen->availableGeometry().height() : 0;
    for (int row = 0; row < files_->rowCount(); ++row) {
        const QString path = files_->path(row);
        auto* window = new ResultsWindow(this);
        window->setFile(path, convertPdf_);
        window->setAnalysisOptions(analysisOptions_);
        window->setWordCharacters(wordCharacters_ ? wordCharacters_() : QString());
        window->placeAt(cascade.next(workAreaHeight));
        window->setWindowTitle(path);
        const int index = int(run_.size());
        connect(window, &ResultsWindow::documentFailed, this,
                [this, index](const FileError& error) {
                    stopRunAt(index, FileErrorTranslation::text(error), true);
                });
        connect(window, &ResultsWindow::analysisFailed, this,
                [this, index] { stopRunAt(index, QString(), false); });
        run_ << QPointer<ResultsWindow>(window);
        window->show();
        // Queued in row order, so that the analyses end first-in-first-out.
        window->startAnalysis();
    }
}

void BatchWindow::stopRunAt(int index, const QString& message, bool closeFailing) {
    // The rows after the failing one are cancelled and their windows closed;
    // the earlier ones stay.
    for (int i = index + (closeFailing ? 0 : 1); i < run_.size(); ++i)
        if (run_[i]) run_[i]->close();
    if (closeFailing) Dialogs::error(this, message);
}
