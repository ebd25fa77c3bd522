#include "analysis/ui/common/analysislabels.h"

#include "localization/translation.h"

namespace AnalysisUi {

AnalysisLabels analysisLabels() {
    AnalysisLabels labels;
    labels.loadingPercent = translateText("Loading: %s");
    labels.loading = translateText("Loading...");
    labels.fileSize = translateText("File Size:");
    labels.bytes = translateText("(bytes)");
    labels.character = translateText("Character");
    labels.occurrence = translateText("Occurrence");
    labels.totalCharacters = translateText("Total Characters:");
    labels.uniqueCharacters = translateText("Unique Characters:");
    labels.word = translateText("Word");
    labels.totalWords = translateText("Total Words:");
    labels.uniqueWords = translateText("Unique Words:");
    labels.line = translateText("Line");
    labels.totalLines = translateText("Total Lines:");
    labels.uniqueLines = translateText("Unique Lines:");
    labels.noWords = translateText("No words found using the specified characters:");
    labels.elapsedTime = translateText("Elapsed Time: %s sec");
    return labels;
}

} // namespace AnalysisUi
