#pragma once

#include "text/fileerror.h"

#include <QLocale>
#include <QString>

#include <string>

// Reading text files whole, into generalized UTF-8.
namespace TextFile {

struct Text {
    std::string utf8;           // line breaks as the file has them
    bool byteOrderMark = false; // the file began with one
};

// Reads a file the way the program reads every text file: strictly as UTF-8
// first (a UTF-8 byte-order mark skipped); failing that, a byte-order mark
// selects UTF-8 or UTF-16 little or big endian, and without one the ANSI code
// page of the locale is used. On failure returns false, sets error to what
// failed on the file and why, and leaves text as it was.
bool read(const QString& path, Text& text, FileError* error, const QLocale& locale = QLocale());

enum class Utf8Check {
    Strict,  // bytes that are not UTF-8 fail the read
    Lenient, // they become U+FFFD
};

// Reads a file that is UTF-8 whatever its bytes say, a leading UTF-8
// byte-order mark skipped. Fails like read(), and a strict read also when the
// bytes are not valid UTF-8.
bool readUtf8(const QString& path, Text& text, FileError* error,
              Utf8Check check = Utf8Check::Strict);

} // namespace TextFile
