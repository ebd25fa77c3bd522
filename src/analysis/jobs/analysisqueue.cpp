#include "analysis/jobs/analysisqueue.h"

#include "import/pdfconverterprocess.h"

#include <QCoreApplication>

AnalysisQueue& AnalysisQueue::ofApplication() {
    QCoreApplication* application = QCoreApplication::instance();
    auto* queue = application->findChild<AnalysisQueue*>(QString(), Qt::FindDirectChildrenOnly);
    return queue ? *queue : *new AnalysisQueue(application);
}

AnalysisQueue::AnalysisQueue(QObject* application) : WorkQueue(application) {
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &AnalysisQueue::stopEverything);
}

AnalysisQueue::~AnalysisQueue() {
    stopEverything();
}

void AnalysisQueue::stopEverything() {
    // A PDF conversion under way gives up too, so that the worker ends at once.
    PdfConverterProcess::abandonAll();
    stopAll();
}
