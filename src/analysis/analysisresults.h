#pragma once

#include "analysis/frequencytable.h"
#include "analysis/overviewtable.h"
#include "analysis/phrasetable.h"

// Everything one analysis run produces.
struct AnalysisResults {
    OverviewTable overview;
    FrequencyTable characters;
    FrequencyTable words;
    FrequencyTable lines;
    PhraseTable phrases2; // phrases of two words that occur more than once
    PhraseTable phrases3;
    PhraseTable phrases4;
    bool noWords = false;
};
