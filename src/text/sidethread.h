#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

// A job run on a second thread beside the owner's own work.
//
// The thread is joined on every path, so a throw on the owner's side while
// the job runs unwinds normally instead of ending the process. What the job
// throws is kept and rethrown on the owner's thread by join(). When no thread
// can be started (the system is short of resources), the job runs in join()
// instead.
class SideThread {
public:
    explicit SideThread(std::function<void()> job) : job_(std::move(job)) {
        try {
            thread_ = std::thread([this] { runJob(); });
        } catch (const std::system_error&) {
        }
    }
    ~SideThread() {
        if (thread_.joinable()) thread_.join();
    }
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;

    // Waits for the job and rethrows what it threw.
    void join() {
        if (thread_.joinable())
            thread_.join();
        else if (job_)
            runJob();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    void runJob() {
        try {
            std::exchange(job_, nullptr)();
        } catch (...) {
            error_ = std::current_exception();
        }
    }

    std::function<void()> job_;
    std::exception_ptr error_;
    std::thread thread_;
};
