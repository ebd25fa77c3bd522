#pragma once

#include <QLocale>
#include <QString>

class AnalyzeLines;

// Reads text files the way the program reads every text file: strictly as
// UTF-8 first (a UTF-8 byte-order mark skipped); failing that, a byte-order
// mark selects UTF-8 or UTF-16, and without one the ANSI code page of the
// locale is used.
class TextFileReader {
public:
    // Replaces lines by the file's lines, split at CR LF, LF and CR; a break
    // at the very end starts no further line. On failure returns false, sets
    // error to a message naming the file and the reason, and leaves lines as
    // they were.
    static bool readLines(const QString& path, AnalyzeLines& lines, QString* error,
                          const QLocale& locale = QLocale());
};
