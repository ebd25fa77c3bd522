#pragma once

#include "analysis/concordance/concordance.h"
#include "analysis/engine/analysisresults.h"
#include "analysis/jobs/concordancejob.h"

#include <QChar>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class ConcordanceModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

// A concordance window: every place where one item of an analysis occurs,
// a row each with the line number, the text before it, the item and the
// text after it. The hits are found and sorted on a worker; the count in
// the status bar grows while they come. Another word or phrase can be typed
// into the search field.
//
// Its widgets are private; each has an objectName naming its role
// ("searchEdit", "searchButton", "widthBox", "sortBox", "hitList",
// "copyButton", "exportButton", "statusLabel"), by which tests find them.
class ConcordanceWindow : public QWidget {
    Q_OBJECT

public:
    // The width the contexts start with, kept in the settings.
    static constexpr int MinWidth = 1;
    static constexpr int MaxWidth = 500;
    static int savedWidth();

    // The results keep the lines alive while the window lives, even once
    // their own window has closed. `exportCaption` is the caption of the
    // results window, by which the export's file name is suggested.
    ConcordanceWindow(std::shared_ptr<const AnalysisResults> results,
                      const Concordance::Query& query, const QString& exportCaption,
                      QWidget* centreOver = nullptr);
    ~ConcordanceWindow() override;

    const Concordance::Query& query() const { return query_; }
    // The hits shown, in the order shown.
    const std::vector<Concordance::Hit>& hits() const;
    // Finding or sorting.
    bool isBusy() const;
    QString statusText() const;
    // NAME_Concordance.csv, or Concordance.csv, as the tables suggest theirs.
    QString suggestedExportName() const;

signals:
    // Every hit is shown, in the order chosen.
    void hitsReady();

public slots:
    // Shows the hits of the typed text, or says why it cannot be looked up.
    void search();
    void showQuery(const Concordance::Query& query);
    // Puts the hits in the order chosen in the sort box.
    void sortHits();
    // The selected rows as tab-separated text, one line each.
    void copyRows();
    // Asks for a file name and writes every hit there as CSV.
    void exportHits();
    void setContextWidth(int width);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildSearchStrip();
    void buildHitList();
    void buildButtonStrip();
    void connectJob();
    void startSort();
    Concordance::Order chosenOrder() const;
    void showCount();
    void showProblem(const QString& message);
    void fitColumns();
    void setBusy(bool busy);

    std::shared_ptr<const AnalysisResults> results_;
    Concordance::Query query_;
    QString exportCaption_;
    QChar csvSeparator_;
    ConcordanceJob* job_ = nullptr;
    ConcordanceModel* model_ = nullptr;
    bool finding_ = false;
    bool sorting_ = false;

    QLineEdit* searchEdit_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QSpinBox* widthBox_ = nullptr;
    QComboBox* sortBox_ = nullptr;
    QTableView* hitList_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};
