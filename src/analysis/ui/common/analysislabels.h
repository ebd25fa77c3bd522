#pragma once

#include "analysis/jobs/jobfailure.h"
#include "analysis/report/analysistext.h"

namespace AnalysisUi {

// The texts of an analysis run in the loaded language.
AnalysisLabels analysisLabels();

// What the error box says when a job failed; outOfMemory is the window's own
// words for that case, already translated.
QString failureMessage(const JobFailure& failure, const QString& outOfMemory);

} // namespace AnalysisUi
