#pragma once

#include "analysis/engine/analysiserror.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class ListCollator;

// The counts of a corpus travel as a stream of sorted entries, section by
// section, from sources (a partial result on disk, the counts in memory) to
// sinks (a partial result, the seven tables). The types they share are here.

// The sections in the order a stream carries them.
enum class CorpusSection { Characters, Words, Lines, Phrases2, Phrases3, Phrases4 };
inline constexpr int CorpusSections = 6;

inline bool isPhraseSection(CorpusSection section) {
    return section >= CorpusSection::Phrases2;
}

// What shapes the counts: partials that differ in any of these cannot be
// added up, since the items, their classes and their order would differ.
struct CorpusSettings {
    QString wordCharacters;
    // The collation's ICU locale id, keywords included ("es_ES@collation=traditional").
    std::string collation;
    // ucol_getVersion of the collator and the UCA version of the ICU library.
    std::array<std::uint8_t, 4> collatorVersion{};
    std::array<std::uint8_t, 4> ucaVersion{};
    // How PDF files became text: "pdfium" or "xpdf".
    std::string pdfEngine;

    // The settings of counts made with this collator.
    static CorpusSettings of(const ListCollator& collator, const QString& wordCharacters,
                             const std::string& pdfEngine);

    // Empty when equal; otherwise what differs first, with this side's
    // value and the other's, as the user reads them.
    struct Difference {
        QString what;
        QString ours;
        QString theirs;
    };
    Difference differenceFrom(const CorpusSettings& other) const;

    bool operator==(const CorpusSettings&) const = default;
};

// The numbers that head a stream: its files and what they add up to.
struct CorpusTotals {
    std::uint64_t files = 0;
    // The sum of the File Size each file shows alone.
    std::uint64_t fileSize = 0;
    // The sum of the counts of each section.
    std::array<std::uint64_t, CorpusSections> counts{};

    CorpusTotals& operator+=(const CorpusTotals& other);
    bool operator==(const CorpusTotals&) const = default;
};

struct CorpusHeader {
    CorpusSettings settings;
    CorpusTotals totals;
};

// One item of a section. Items are ordered by their collation sort key,
// then by the UTF-16 code units of their text, which is the order of the
// tables; a phrase class is named by its key alone.
struct CorpusEntry {
    std::string_view key;  // the collation sort key of the text
    std::string_view text; // the item, or the phrase's first form (generalized UTF-8)
    std::uint64_t count = 0;
    std::uint64_t files = 0; // in how many files it occurs
    // For phrases, where the form first occurred: the file's number within
    // the stream (from 0) and the index of the phrase's first word among
    // that file's words.
    std::uint64_t firstFile = 0;
    std::uint64_t firstWord = 0;
};

// Hands over the sections in order: beginSection() moves to the next one,
// whose entries next() gives in table order until it returns false, each
// item (each phrase class) once. An entry's views stay valid until the next
// call.
class CorpusSource {
public:
    virtual ~CorpusSource() = default;
    virtual const CorpusHeader& header() const = 0;
    virtual void beginSection(CorpusSection section) = 0;
    virtual bool next(CorpusEntry& entry) = 0;
};

// Takes a stream: begin(), then per section beginSection(), add() for each
// entry in order and endSection(), then finish().
class CorpusSink {
public:
    virtual ~CorpusSink() = default;
    virtual void begin(const CorpusHeader& header) = 0;
    virtual void beginSection(CorpusSection section) = 0;
    virtual void add(const CorpusEntry& entry) = 0;
    virtual void endSection(CorpusSection section) = 0;
    virtual void finish() = 0;
};

// A failure of a corpus run, in words for the user. `diskFull` marks a
// write that found no room.
class CorpusError : public std::runtime_error {
public:
    explicit CorpusError(const QString& message, bool diskFull = false)
        : std::runtime_error(message.toStdString()), diskFull_(diskFull) {}
    // The analysis's own failure, for the caller to word after the message.
    CorpusError(const QString& message, const AnalysisError& cause)
        : std::runtime_error(message.toStdString()), diskFull_(false), cause_(cause) {}
    QString message() const { return QString::fromUtf8(what()); }
    bool diskFull() const { return diskFull_; }
    const std::optional<AnalysisError>& cause() const { return cause_; }

private:
    bool diskFull_;
    std::optional<AnalysisError> cause_;
};

namespace CorpusOrder {

// Sort keys compared as unsigned bytes.
int compareKeys(std::string_view a, std::string_view b);
// Generalized UTF-8 texts compared by their UTF-16 code units.
int compareUtf16(std::string_view a, std::string_view b);
// The order of entries within a section; phrases of one class compare equal.
int compare(CorpusSection section, const CorpusEntry& a, const CorpusEntry& b);

} // namespace CorpusOrder
