#pragma once

#include "analysis/jobs/workqueue.h"

// The analysis worker: the work queue that runs every analysis job, one at
// a time (each already uses the cores it is given). It belongs to the
// application object, made with the first job and gone with the
// application, its worker joined; quitting stops the job under way, a PDF
// conversion included.
class AnalysisQueue : public WorkQueue {
    Q_OBJECT

public:
    static AnalysisQueue& ofApplication();
    ~AnalysisQueue() override;

private:
    explicit AnalysisQueue(QObject* application);
    void stopEverything();
};
