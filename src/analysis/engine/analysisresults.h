#pragma once

#include "analysis/engine/frequencytable.h"
#include "analysis/engine/phrasetable.h"
#include "analysis/engine/textlines.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <string>

// The Overview's counts.
struct AnalysisOverview {
    // The text's size as the Overview shows it: UTF-16 code units of its
    // lines joined with CR LF.
    qint64 fileSize = 0;
    std::uint64_t totalCharacters = 0;
    std::uint64_t uniqueCharacters = 0;
    std::uint64_t totalWords = 0;
    std::uint64_t uniqueWords = 0;
    std::uint64_t totalLines = 0;
    std::uint64_t uniqueLines = 0;

    bool operator==(const AnalysisOverview&) const = default;
};

// Everything one analysis run produces: counts and items, no text for the
// eye. Windows and the command-line tool format them.
struct AnalysisResults {
    AnalysisOverview overview;
    FrequencyTable characters;
    FrequencyTable words;
    FrequencyTable lines;
    PhraseTable phrases2; // phrases of two words that occur more than once
    PhraseTable phrases3;
    PhraseTable phrases4;
    bool noWords = false;
    // The lines as analysed, shared with whoever handed them in and never
    // changed, so that an item can be found where it occurs.
    TextLines text;
    // The word characters and the collation (an ICU locale id) the tables
    // were counted with, by which the same items are found again.
    QString wordCharacters;
    std::string collation;
};
