#include "analysis/jobs/concordancejob.h"

#include "analysis/engine/listcollator.h"

#include <algorithm>
#include <span>
#include <tuple>

ConcordanceJob::ConcordanceJob(std::shared_ptr<const AnalysisResults> results, QObject* parent)
    : QObject(parent), results_(std::move(results)) {}

ConcordanceJob::~ConcordanceJob() {
    stop();
}

void ConcordanceJob::stop() {
    queue_.cancel(task_);
    task_.reset();
    running_ = false;
}

void ConcordanceJob::find(const Concordance::Query& query) {
    launch([this, query](WorkQueue::Task& task) {
        // A collator serves one thread; this one is the task's own.
        const std::unique_ptr<ListCollator> collator =
            ListCollator::forIcuLocale(results_->collation);
        Concordance::Finder finder(results_->text, results_->wordCharacters, *collator);
        const bool whole = finder.find(
            query,
            [this, &task](std::span<const Concordance::Hit> hits) {
                queue_.post(task,
                            [this, batch = std::vector<Concordance::Hit>(hits.begin(), hits.end())] {
                                emit hitsFound(batch);
                            });
                return true;
            },
            &task.stopFlag());
        if (!whole) return;
        queue_.post(task, [this] {
            running_ = false;
            emit findingFinished();
        });
    });
}

void ConcordanceJob::sort(std::vector<Concordance::Hit> hits, const Concordance::Order& order) {
    auto shared = std::make_shared<std::vector<Concordance::Hit>>(std::move(hits));
    launch([this, shared, order](WorkQueue::Task& task) {
        std::vector<Concordance::Hit>& all = *shared;
        // The engine orders hits that stand in text order.
        const auto textOrder = [](const Concordance::Hit& a, const Concordance::Hit& b) {
            return std::tie(a.line, a.begin) < std::tie(b.line, b.begin);
        };
        if (!std::is_sorted(all.begin(), all.end(), textOrder))
            std::sort(all.begin(), all.end(), textOrder);
        if (task.stopped()) return;
        if (order.side != Concordance::Side::Position) {
            const std::unique_ptr<ListCollator> collator =
                ListCollator::forIcuLocale(results_->collation);
            if (!Concordance::sortHits(all, results_->text, order, *collator, &task.stopFlag()))
                return;
        }
        queue_.post(task, [this, shared] {
            running_ = false;
            sorted_ = std::move(*shared);
            emit sorted();
        });
    });
}

void ConcordanceJob::launch(WorkQueue::Body body) {
    stop();
    running_ = true;
    task_ = queue_.submit(std::move(body), [this](WorkQueue::Task& task, const JobFailure& failure) {
        queue_.post(task, [this, failure] {
            running_ = false;
            emit failed(failure);
        });
    });
}
