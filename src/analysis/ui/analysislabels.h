#pragma once

#include "analysis/analysisrun.h"

namespace AnalysisUi {

// The texts of an analysis run in the loaded language.
AnalysisLabels analysisLabels();

} // namespace AnalysisUi
