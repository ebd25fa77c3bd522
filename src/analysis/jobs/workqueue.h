#pragma once

#include "analysis/jobs/jobfailure.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The one way work that a window starts runs off the interface thread: a
// worker thread that runs tasks one at a time, in the order they came, tasks
// put first ahead of the others. The queue lives on the thread that made it
// as an object; what a task reports reaches that thread by queued calls, and
// only while the task has not been stopped. The worker is started with the
// first task and joined when the queue goes.
class WorkQueue : public QObject {
    Q_OBJECT

public:
    class Task : public std::enable_shared_from_this<Task> {
    public:
        virtual ~Task() = default;
        // On the worker. What it throws is handed to failed() as a
        // JobFailure, so that every task takes exceptions the same way.
        virtual void run(WorkQueue& queue) = 0;
        // On the worker, after run() threw; reports with queue.post().
        virtual void failed(WorkQueue& queue, const JobFailure& failure) = 0;

        // Raised by cancel() or the queue's end; the task looks at it often.
        const std::atomic<bool>& stopFlag() const { return stop_; }
        bool stopped() const { return stop_; }

    private:
        friend class WorkQueue;
        std::atomic<bool> stop_{false};
        bool first_ = false;
    };

    // A task made of a function: `body` runs on the worker, `failed`
    // reports a failure (on the worker, through post()).
    using Body = std::function<void(Task& task)>;
    using FailureHandler = std::function<void(Task& task, const JobFailure& failure)>;

    explicit WorkQueue(QObject* parent = nullptr);
    ~WorkQueue() override;

    void submit(std::shared_ptr<Task> task, bool first = false);
    std::shared_ptr<Task> submit(Body body, FailureHandler failed, bool first = false);
    // Stops the task: dropped while it waits, told to end while it runs.
    // Whatever it still reports is dropped. On the queue's thread.
    void cancel(const std::shared_ptr<Task>& task);
    // Runs `deliver` on the queue's thread, unless the task is stopped by
    // then. From the worker.
    void post(Task& task, std::function<void()> deliver);

    // Tasks waiting or running.
    int pending() const;
    // Stops every task and joins the worker; later submissions are dropped.
    void stopAll();

private slots:
    // Runs the reports posted since the last time, in order.
    void deliverPosted();

private:
    void work();

    struct Posted {
        std::shared_ptr<Task> task;
        std::function<void()> deliver;
    };
    // Reports travel through this box under a mutex of the standard
    // library, not through Qt's event queue alone, whose futex locks
    // ThreadSanitizer cannot follow; the queued call only wakes the box.
    std::mutex postedMutex_;
    std::deque<Posted> posted_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Task>> waiting_;
    std::shared_ptr<Task> running_;
    bool quit_ = false;
    std::thread worker_;
};
