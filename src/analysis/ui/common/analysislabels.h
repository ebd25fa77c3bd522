#pragma once

#include "analysis/report/analysistext.h"

namespace AnalysisUi {

// The texts of an analysis run in the loaded language.
AnalysisLabels analysisLabels();

} // namespace AnalysisUi
