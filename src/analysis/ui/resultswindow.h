#pragma once

#include "analysis/analysisresults.h"
#include "analysis/textlines.h"

#include <QChar>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QTreeView;
class TextTable;
class TextTableModel;
class PieChartWindow;

// The results window: one analysis, run once shortly after the window is
// shown, in seven tabs with export and chart buttons.
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    explicit ResultsWindow(QWidget* owner = nullptr);
    ~ResultsWindow() override;

    // Filled by the creator before the window is shown.
    TextLines& lines() { return lines_; }
    void setWordCharacters(const QString& characters) { wordCharacters_ = characters; }

    // Results of the finished run; null before it (or when it was cancelled).
    const AnalysisResults* results() const { return results_.get(); }
    bool isRunning() const { return running_; }

    // The suggested export file name for a tag ("Word" gives Word.csv, or
    // report_Word.csv when the caption is the path of report.txt).
    QString suggestedExportName(const QString& tag) const;
    // Fills a chart window from the Character ("char"), Word ("word") or
    // Line (anything else) table.
    void fillChart(const QString& kind, PieChartWindow* chart) const;

    static QUrl synonymUrl(const QString& word);
    // Where synonym addresses go; the desktop's browser unless replaced.
    static std::function<void(const QUrl&)>& urlOpener();

    QTabWidget* PageControl1;
    QTableView* S1;
    QTableView* S2;
    QTableView* S3;
    QTableView* S4;
    QTreeView* ListView2Word;
    QTreeView* ListView3Word;
    QTreeView* ListView4Word;
    QStatusBar* StatusBar1;
    QMenu* PopupMenu1;
    QAction* Synonyms1;
    QTimer* Timer1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* Button8;
    QPushButton* Button9;
    QPushButton* Button10;
    QChar CsvSeparator;

    QString statusText() const;

signals:
    void statusChanged(const QString& status);
    void analysisFinished();

public slots:
    void Timer1Timer();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Synonyms1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormResize();
    void exportTable(const TextTable* table, const QString& tag);
    void openChart(const QString& kind);
    void showResults();

    TextLines lines_;
    QString wordCharacters_;
    std::unique_ptr<AnalysisResults> results_;
    TextTableModel* models_[7] = {};
    QLabel* statusLabel_ = nullptr;
    bool running_ = false;
    bool closeRequested_ = false;
    bool placed_ = false;
};
