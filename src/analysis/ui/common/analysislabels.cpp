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
    labels.tooManyLines =
        translateText("The text has more lines than can be analyzed (at most %1).");
    labels.lineTooLong = translateText(
        "Line %1 of the text is longer than can be analyzed (at most %2 characters).");
    labels.tooManyDistinctWords =
        translateText("The text has more distinct words than can be analyzed (at most %1).");
    labels.tooManyRepeatedPhrases =
        translateText("The text has more repeated phrases than can be analyzed (at most %1).");
    labels.tooManyWords =
        translateText("The text has more words than can be analyzed (at most %1).");
    labels.tooManyRows =
        translateText("A table would have more rows than can be shown (at most %1).");
    labels.noCollator = translateText("The sorting rules of the language could not be opened.");
    return labels;
}

QString failureMessage(const JobFailure& failure, const QString& outOfMemory) {
    switch (failure.kind) {
    case JobFailure::Kind::OutOfMemory:
        return outOfMemory;
    case JobFailure::Kind::Analysis:
        return AnalysisText::errorMessage(*failure.analysis, analysisLabels());
    case JobFailure::Kind::Other:
        break;
    }
    return failure.detail;
}

} // namespace AnalysisUi
