#include "analysis/jobs/analysisjob.h"

#include "analysis/jobs/analysisqueue.h"

AnalysisJob::AnalysisJob(AnalysisRequest request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {
    qRegisterMetaType<AnalysisProgress>();
    qRegisterMetaType<std::shared_ptr<const AnalysisResults>>();
}

AnalysisJob::~AnalysisJob() {
    cancel();
}

void AnalysisJob::start(bool first) {
    AnalysisQueue::instance().submit(this, first);
}

void AnalysisJob::cancel() {
    if (done_) return;
    done_ = true;
    AnalysisQueue::instance().cancel(this);
}
