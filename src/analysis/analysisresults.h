#pragma once

#include "analysis/frequencytable.h"
#include "analysis/overviewtable.h"
#include "analysis/phrasetable.h"

// Everything one analysis run produces.
struct AnalysisResults {
    OverviewTable overview;    // S1
    FrequencyTable characters; // S2
    FrequencyTable words;      // S3
    FrequencyTable lines;      // S4
    PhraseTable phrases2;      // ListView2Word
    PhraseTable phrases3;      // ListView3Word
    PhraseTable phrases4;      // ListView4Word
    bool noWords = false;
};
