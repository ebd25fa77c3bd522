#include "analysis/jobs/concordancejob.h"

#include "analysis/engine/listcollator.h"

#include <QMetaObject>

#include <algorithm>
#include <new>
#include <span>
#include <stdexcept>
#include <system_error>
#include <tuple>

ConcordanceJob::ConcordanceJob(std::shared_ptr<const AnalysisResults> results, QObject* parent)
    : QObject(parent), results_(std::move(results)) {}

ConcordanceJob::~ConcordanceJob() {
    stop();
}

void ConcordanceJob::stop() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
    ++run_;
    running_ = false;
}

void ConcordanceJob::find(const Concordance::Query& query) {
    launch([this, query](int run) {
        // A collator serves one thread; this one is the task's own.
        const std::unique_ptr<ListCollator> collator =
            ListCollator::forIcuLocale(results_->collation);
        Concordance::Finder finder(results_->text, results_->wordCharacters, *collator);
        const bool whole = finder.find(
            query,
            [this, run](std::span<const Concordance::Hit> hits) {
                post(run, [this, batch = std::vector<Concordance::Hit>(hits.begin(), hits.end())] {
                    emit hitsFound(batch);
                });
                return true;
            },
            &cancel_);
        if (!whole) return;
        post(run, [this] {
            running_ = false;
            emit findingFinished();
        });
    });
}

void ConcordanceJob::sort(std::vector<Concordance::Hit> hits, const Concordance::Order& order) {
    auto shared = std::make_shared<std::vector<Concordance::Hit>>(std::move(hits));
    launch([this, shared, order](int run) {
        std::vector<Concordance::Hit>& all = *shared;
        // The engine orders hits that stand in text order.
        const auto textOrder = [](const Concordance::Hit& a, const Concordance::Hit& b) {
            return std::tie(a.line, a.begin) < std::tie(b.line, b.begin);
        };
        if (!std::is_sorted(all.begin(), all.end(), textOrder))
            std::sort(all.begin(), all.end(), textOrder);
        if (cancel_) return;
        if (order.side != Concordance::Side::Position) {
            const std::unique_ptr<ListCollator> collator =
                ListCollator::forIcuLocale(results_->collation);
            if (!Concordance::sortHits(all, results_->text, order, *collator, &cancel_)) return;
        }
        post(run, [this, shared] {
            running_ = false;
            sorted_ = std::move(*shared);
            emit sorted();
        });
    });
}

void ConcordanceJob::launch(Task task) {
    stop();
    const int run = ++run_;
    running_ = true;
    try {
        thread_ = std::thread([this, run, task = std::move(task)] {
            try {
                task(run);
            } catch (...) {
                postFailure(run, std::current_exception());
            }
        });
    } catch (const std::system_error&) {
        postFailure(run, std::current_exception());
    }
}

void ConcordanceJob::post(int run, std::function<void()> deliver) {
    QMetaObject::invokeMethod(
        this,
        [this, run, deliver = std::move(deliver)] {
            if (run == run_) deliver();
        },
        Qt::QueuedConnection);
}

void ConcordanceJob::postFailure(int run, std::exception_ptr error) {
    post(run, [this, error] {
        running_ = false;
        // Rethrown here, on the thread that shows it.
        try {
            std::rethrow_exception(error);
        } catch (const std::bad_alloc&) {
            emit failed(JobFailure::OutOfMemory, {});
        } catch (const std::exception& e) {
            emit failed(JobFailure::Other, QString::fromUtf8(e.what()));
        } catch (...) {
            emit failed(JobFailure::Other, {});
        }
    });
}
