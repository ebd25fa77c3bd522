#pragma once

#include "analysis/jobs/analysisjob.h"
#include "import/documentreader.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTreeView;
class ResultsWindow;

// The batch window: a list of files and a Start button that opens one
// results window per file, in list order, placed in a cascade over the
// screen. Closing it only hides it, so that its results windows stay open.
//
// Its widgets are private; each has an objectName naming its role
// ("addFilesButton", "startButton", "fileList", "statusLabel", "listMenu",
// "deleteSelectedAction", "deleteAllAction"), by which tests find them.
class BatchWindow : public QWidget {
    Q_OBJECT

public:
    // The current word characters; asked anew for every file of a run.
    using WordCharactersProvider = std::function<QString()>;

    // convertPdf is called on the analysis worker.
    BatchWindow(QWidget* owner, DocumentReader::PdfConverter convertPdf,
                WordCharactersProvider wordCharacters);
    ~BatchWindow() override;

    // Appends one row per path, in order, then updates Start and the status.
    void addFiles(const QStringList& paths);
    // Limits and a probe for each run of the batch, set by tests.
    void setAnalysisOptions(const AnalysisOptions& options) { analysisOptions_ = options; }
    QStringList paths() const;

    // The top-left corners of the first `count` windows of a run.
    static QList<QPoint> cascadePositions(int step, int workAreaHeight, int count);

public slots:
    // Asks for files and appends them.
    void chooseFiles();
    // Opens a results window for every row; an error stops the run there.
    void start();
    void deleteSelected();
    void deleteAll();

private:
    class FileList;

    QWidget* buildCommandStrip();
    QTreeView* buildFileList();
    void buildListMenu();
    void listChanged();
    // Row `index` of the run failed: the rows after it are cancelled.
    void stopRunAt(int index, const QString& message, bool closeFailing);

    DocumentReader::PdfConverter convertPdf_;
    WordCharactersProvider wordCharacters_;
    AnalysisOptions analysisOptions_;
    QList<QPointer<ResultsWindow>> run_;
    QString fileCountText_;

    QPushButton* addFilesButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    FileList* files_ = nullptr;
    QTreeView* fileList_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QAction* deleteSelectedAction_ = nullptr;
    QAction* deleteAllAction_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};
