#pragma once

#include "analysis/engine/analysiserror.h"

#include <QString>

#include <exception>
#include <optional>

// Why a job on a worker ended without its result, as data: the window that
// started the job words it. Every job maps what it caught through of(), so
// that all of them take the same exceptions the same way.
struct JobFailure {
    enum class Kind { OutOfMemory, Analysis, Other };
    Kind kind = Kind::Other;
    std::optional<AnalysisError> analysis; // Kind::Analysis
    QString detail;                        // Kind::Other: what the exception said, if anything

    static JobFailure of(std::exception_ptr error);
};
