#pragma once

#include <QLocale>
#include <QString>

#include <string>

class TextLines;

// Reads text files the way the program reads every text file: strictly as
// UTF-8 first (a UTF-8 byte-order mark skipped); failing that, a byte-order
// mark selects UTF-8 or UTF-16, and without one the ANSI code page of the
// locale is used.
class TextFileReader {
public:
    struct Text {
        std::string utf8;           // generalized UTF-8, breaks as the file has them
        bool byteOrderMark = false; // the file began with one
    };
    // The file's text. On failure returns false, sets error to a message
    // naming the file and the reason, and leaves text as it was.
    static bool readText(const QString& path, Text& text, QString* error,
                         const QLocale& locale = QLocale());
    // Replaces lines by the file's lines, split at CR LF, LF and CR; a break
    // at the very end starts no further line. On failure returns false, sets
    // error to a message naming the file and the reason, and leaves lines as
    // they were.
    static bool readLines(const QString& path, TextLines& lines, QString* error,
                          const QLocale& locale = QLocale());
};
