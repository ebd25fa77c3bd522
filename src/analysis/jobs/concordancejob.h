#pragma once

#include "analysis/concordance/concordance.h"
#include "analysis/engine/analysisresults.h"
#include "analysis/jobs/jobfailure.h"
#include "analysis/jobs/workqueue.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// Finds or sorts the hits of a concordance on a work queue of its own, one
// task at a time, and reports to the thread that made it by queued calls. A
// new task, stop() and the job's end stop the task under way; the engine
// looks at its stop flag often, so that it ends soon. Whatever a stopped
// task still sends is dropped.
class ConcordanceJob : public QObject {
    Q_OBJECT

public:
    // The results keep the lines alive while the job lives.
    explicit ConcordanceJob(std::shared_ptr<const AnalysisResults> results,
                            QObject* parent = nullptr);
    ~ConcordanceJob() override;

    // Finds the hits in text order, handed over in batches.
    void find(const Concordance::Query& query);
    // Orders hits found by find(), in whatever order they now stand.
    void sort(std::vector<Concordance::Hit> hits, const Concordance::Order& order);
    void stop();
    bool isRunning() const { return running_; }

    // The hits of the last sort, once sorted() has come.
    std::vector<Concordance::Hit> takeSorted() { return std::move(sorted_); }

signals:
    void hitsFound(const std::vector<Concordance::Hit>& hits);
    void findingFinished();
    void sorted();
    void failed(const JobFailure& failure);

private:
    void launch(WorkQueue::Body body);

    std::shared_ptr<const AnalysisResults> results_;
    bool running_ = false;
    std::vector<Concordance::Hit> sorted_;
    std::shared_ptr<WorkQueue::Task> task_;
    // Last, so that it goes first: its worker is joined while the members
    // its tasks read still stand.
    WorkQueue queue_;
};
