#pragma once

#include "analysis/engine/analysisresults.h"
#include "analysis/engine/textlines.h"
#include "analysis/jobs/analysisjob.h"
#include "import/documentreader.h"
#include "text/fileerror.h"

#include <QChar>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class AnalysisJob;
class ConcordanceWindow;
class FrequencyTable;
class FrequencyTableModel;
class OverviewModel;
class PhraseTable;
class PhraseTableModel;
class QAbstractItemView;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class PieChartWindow;

// The results window: one analysis, run once shortly after the window is
// shown, in seven tabs, each with an Export button and the Character, Word
// and Line tabs with a Pie Chart button.
//
// Its widgets are private; each has an objectName naming its role
// ("overviewGrid", "wordGrid", "twoWordPhraseList", "wordExportButton",
// "wordChartButton", ...), by which tests find them. A double click on a
// row of the Character, Word, Line and phrase tables, or "Show in Context"
// in its context menu, opens the concordance of the row's item.
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    enum Tab {
        OverviewTab,
        CharacterTab,
        WordTab,
        LineTab,
        TwoWordPhraseTab,
        ThreeWordPhraseTab,
        FourWordPhraseTab,
        TabCount
    };

    explicit ResultsWindow(QWidget* owner = nullptr);
    ~ResultsWindow() override;

    // What to analyse, set by the creator before the window is shown: lines
    // filled here, the editor's bytes, or a file read on the worker.
    TextLines& lines() { return lines_; }
    void setEditorText(std::string bytes);
    void setFile(const QString& path, DocumentReader::PdfConverter convertPdf);
    void setWordCharacters(const QString& characters) { wordCharacters_ = characters; }
    // The job goes before jobs still waiting that were not put first.
    void setFirstInLine(bool first) { firstInLine_ = first; }
    // Limits and a probe for this window's run, set by tests.
    void setAnalysisOptions(const AnalysisOptions& options) { analysisOptions_ = options; }

    // Queues the analysis; otherwise it is queued shortly after the window
    // is first shown, unless the creator said it starts it. Only the first
    // call does anything.
    void startAnalysis();
    void setStartedByCreator(bool byCreator) { startedByCreator_ = byCreator; }

    // Results of the finished run; null before it (or when it was cancelled).
    const AnalysisResults* results() const { return results_.get(); }
    // Queued or running.
    bool isRunning() const { return running_; }
    QString statusText() const;

    // The suggested export file name for a tag ("Word" gives Word.csv, or
    // report_Word.csv when the caption is the path of report.txt).
    QString suggestedExportName(const QString& tag) const;
    // Puts the window at a place of the caller's choosing instead of over
    // its owner.
    void placeAt(const QPoint& topLeft);
    // Opened while other results windows of the same owner are shown: moves
    // on from the newest by a cascade step, so that it does not hide exactly
    // behind it. Alone, it is centred over the owner when shown.
    void placeAfterOpenOnes();

    // Fills a chart window from the Character, Word or Line tab's table.
    void fillChart(Tab tab, PieChartWindow* chart) const;

    static QUrl synonymUrl(const QString& word);

signals:
    void statusChanged(const QString& status);
    void analysisFinished();
    // The run ended on an error, which the window has shown.
    void analysisFailed();
    // The file could not be read or converted; the window shows nothing and
    // leaves the message to its creator.
    void documentFailed(const FileError& error);

public slots:
    // Asks for a file name and writes the tab's table there as CSV.
    void exportTab(ResultsWindow::Tab tab);
    // Opens a new chart window of the Character, Word or Line tab.
    void openPieChart(ResultsWindow::Tab tab);
    // Looks up the word under the Word tab's current row in the browser.
    void openSynonyms();
    // Opens a concordance window on the item of a row of the Character,
    // Word, Line or a phrase tab; null while that table is not there yet.
    ConcordanceWindow* openConcordance(ResultsWindow::Tab tab, int row);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    void showResults();
    void showTables(Tab first, Tab last);
    void clearModels();
    const FrequencyTable* frequencyTable(Tab tab) const;
    const PhraseTable* phraseTable(Tab tab) const;
    QWidget* buildTab(Tab tab);
    void buildContextMenus();
    // A click on a column header sorts by it, ascending; a second click
    // descending; a third puts the table's own order back.
    void buildSorting();
    void sortByHeader(Tab tab, int column);

    TextLines lines_;
    std::string editorBytes_;
    bool fromEditor_ = false;
    QString path_;
    DocumentReader::PdfConverter convertPdf_;
    QString wordCharacters_;
    bool firstInLine_ = false;
    AnalysisOptions analysisOptions_;
    bool startedByCreator_ = false;
    AnalysisJob* job_ = nullptr;
    std::shared_ptr<const AnalysisResults> results_;
    // The run's, once its tables are ready and while it counts phrases.
    std::shared_ptr<const AnalysisResults> partial_;
    QChar csvSeparator_;

    QTabWidget* tabs_ = nullptr;
    QTableView* overviewGrid_ = nullptr;
    QTableView* characterGrid_ = nullptr;
    QTableView* wordGrid_ = nullptr;
    QTableView* lineGrid_ = nullptr;
    QAbstractItemView* views_[TabCount] = {};
    OverviewModel* overviewModel_ = nullptr;
    FrequencyTableModel* frequencyModels_[3] = {}; // Character, Word, Line
    PhraseTableModel* phraseModels_[3] = {};       // 2-, 3-, 4-word phrases
    struct Sorting {
        int column = -1;
        int clicks = 0; // 1 ascending, 2 descending
    };
    Sorting sorting_[TabCount];
    QList<QPointer<ConcordanceWindow>> concordances_; // opened here, newest last
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QMenu* wordMenu_ = nullptr;
    // The row a context menu was opened on.
    int menuRow_ = -1;
    QTimer* startTimer_ = nullptr;
    bool running_ = false;
};
