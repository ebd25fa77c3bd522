#pragma once

#include "analysis/jobs/analysisjob.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The analysis worker: one thread that runs the jobs one at a time (each
// already uses the cores it is given), in the order they were queued, jobs
// queued first ahead of the others. It lives on the user-interface thread
// as an object, so that what the worker reports reaches the jobs by queued
// calls, and only jobs that still exist.
class AnalysisQueue : public QObject {
    Q_OBJECT

public:
    static AnalysisQueue& instance();
    ~AnalysisQueue() override;

    void submit(AnalysisJob* job, bool first);
    void cancel(AnalysisJob* job);

    // Jobs queued or running, for tests.
    int pending() const;
    // For tests: called on the worker at each progress report of a run; what
    // it throws ends the run as a failure there would.
    static void setProgressProbe(std::function<void(const AnalysisProgress&)> probe);

private:
    struct Task {
        AnalysisRequest request;
        bool first = false;
        std::atomic<bool> stop{false};
        AnalysisJob* job = nullptr; // touched on the user-interface thread only
    };

    AnalysisQueue();
    void work();
    void run(const std::shared_ptr<Task>& task);
    template <typename Deliver> void post(const std::shared_ptr<Task>& task, Deliver deliver);
    void stopAll();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Task>> waiting_;
    std::shared_ptr<Task> running_;
    bool quit_ = false;
    std::thread worker_;
};
