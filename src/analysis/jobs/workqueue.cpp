#include "analysis/jobs/workqueue.h"

#include <QMetaObject>
#include <QPointer>

namespace {

class FunctionTask : public WorkQueue::Task {
public:
    FunctionTask(WorkQueue::Body body, WorkQueue::FailureHandler failed)
        : body_(std::move(body)), failed_(std::move(failed)) {}
    void run(WorkQueue&) override { body_(*this); }
    void failed(WorkQueue&, const JobFailure& failure) override {
        if (failed_) failed_(*this, failure);
    }

private:
    WorkQueue::Body body_;
    WorkQueue::FailureHandler failed_;
};

} // namespace

WorkQueue::WorkQueue(QObject* parent) : QObject(parent) {}

WorkQueue::~WorkQueue() {
    stopAll();
}

void WorkQueue::stopAll() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        for (const std::shared_ptr<Task>& task : waiting_)
            task->stop_ = true;
        waiting_.clear();
        if (running_) running_->stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void WorkQueue::submit(std::shared_ptr<Task> task, bool first) {
    task->first_ = first;
    {
        const std::lock_guard lock(mutex_);
        if (quit_) {
            task->stop_ = true;
            return;
        }
        auto at = waiting_.end();
        if (first) {
            at = waiting_.begin();
            while (at != waiting_.end() && (*at)->first_)
                ++at;
        }
        waiting_.insert(at, task);
        if (!worker_.joinable()) {
            try {
                worker_ = std::thread([this] { work(); });
            } catch (...) {
                // No thread to run it: the task fails here, as it would there.
                waiting_.clear();
                const JobFailure failure = JobFailure::of(std::current_exception());
                QMetaObject::invokeMethod(
                    this, [this, task, failure] { task->failed(*this, failure); },
                    Qt::QueuedConnection);
                return;
            }
        }
    }
    wake_.notify_one();
}

std::shared_ptr<WorkQueue::Task> WorkQueue::submit(Body body, FailureHandler failed, bool first) {
    auto task = std::make_shared<FunctionTask>(std::move(body), std::move(failed));
    submit(task, first);
    return task;
}

void WorkQueue::cancel(const std::shared_ptr<Task>& task) {
    if (!task) return;
    task->stop_ = true;
    const std::lock_guard lock(mutex_);
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (*it == task) {
            waiting_.erase(it);
            break;
        }
    }
}

void WorkQueue::post(Task& task, std::function<void()> deliver) {
    bool wake = false;
    {
        const std::lock_guard lock(postedMutex_);
        wake = posted_.empty();
        posted_.push_back({task.shared_from_this(), std::move(deliver)});
    }
    if (wake) QMetaObject::invokeMethod(this, "deliverPosted", Qt::QueuedConnection);
}

void WorkQueue::deliverPosted() {
    std::deque<Posted> posted;
    {
        const std::lock_guard lock(postedMutex_);
        posted.swap(posted_);
    }
    // A report may close the window that owns this queue.
    const QPointer<WorkQueue> alive(this);
    for (Posted& report : posted) {
        if (!alive) return;
        if (!report.task->stopped()) report.deliver();
    }
}

int WorkQueue::pending() const {
    const std::lock_guard lock(mutex_);
    return int(waiting_.size()) + (running_ ? 1 : 0);
}

void WorkQueue::work() {
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
            if (quit_) return;
            task = waiting_.front();
            waiting_.pop_front();
            running_ = task;
        }
        try {
            task->run(*this);
        } catch (...) {
            const JobFailure failure = JobFailure::of(std::current_exception());
            try {
                task->failed(*this, failure);
            } catch (...) {
                // Not even the report fits in memory: the task ends unheard.
            }
        }
        const std::lock_guard lock(mutex_);
        running_.reset();
    }
}
