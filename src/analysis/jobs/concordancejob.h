#pragma once

#include "analysis/concordance/concordance.h"
#include "analysis/engine/analysisresults.h"
#include "analysis/jobs/jobfailure.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// Finds or sorts the hits of a concordance on a thread of its own, one task
// at a time, and reports to the thread that made it by queued calls. A new
// task, stop() and the job's end cancel the task under way and wait for it;
// the engine looks at the cancel flag often, so that the wait is short.
// Whatever a cancelled task still sends is dropped.
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
    void failed(JobFailure failure, const QString& message);

private:
    using Task = std::function<void(int run)>;
    void launch(Task task);
    // Runs `deliver` on the thread that made the job, unless a later task
    // has begun by then.
    void post(int run, std::function<void()> deliver);
    void postFailure(int run, std::exception_ptr error);

    std::shared_ptr<const AnalysisResults> results_;
    std::atomic<bool> cancel_ = false;
    int run_ = 0; // read and written on the thread that made the job only
    bool running_ = false;
    std::vector<Concordance::Hit> sorted_;
    std::thread thread_;
};
