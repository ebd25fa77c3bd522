#pragma once

#include <QtGlobal>

#include <exception>

// Why a run cannot go on with a text, as data: which bound the text went
// past, the most that bound allows and, for a line too long, the line.
// Windows and the command-line tool word it; the engine never does.
class AnalysisError : public std::exception {
public:
    enum class Kind {
        TooManyLines,
        LineTooLong,
        TooManyDistinctWords,
        TooManyRepeatedPhrases,
        // Words (or distinct strings) beyond what the counters address.
        TooManyWords,
        TooManyRows,
        // The locale's collator could not be opened or copied.
        NoCollator,
    };

    explicit AnalysisError(Kind kind, qint64 most = 0, qint64 line = 0)
        : kind_(kind), most_(most), line_(line) {}

    Kind kind() const { return kind_; }
    qint64 most() const { return most_; }
    // 1-based; for LineTooLong.
    qint64 line() const { return line_; }
    // For logs and debuggers only.
    const char* what() const noexcept override { return "AnalysisError"; }

private:
    Kind kind_;
    qint64 most_;
    qint64 line_;
};
