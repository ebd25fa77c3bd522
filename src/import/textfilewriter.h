#pragma once

#include "text/fileerror.h"

#include <QString>

#include <string_view>

// Writes a text as a UTF-8 file in one piece: the file is replaced only once
// every byte is written, so a failed write leaves an existing file as it was.
namespace TextFileWriter {

// Writes `utf8` with each of its line breaks (CR LF, LF or CR) replaced by
// `separator`, after a UTF-8 byte-order mark if `byteOrderMark`; a break at
// the end is written too. On failure returns false and sets error to what
// failed on the file and the system's reason.
bool write(const QString& path, std::string_view utf8, std::string_view separator,
           bool byteOrderMark, FileError* error);

} // namespace TextFileWriter
