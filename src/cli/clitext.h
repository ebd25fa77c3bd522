#pragma once

#include <QString>

#include <exception>

// How the command-line tool writes names and messages: one line each, with
// quotes, backslashes and control characters escaped, however a name was
// made.
namespace CliText {

// The name in double quotes, escaped.
QString quoted(const QString& name);
// The name as it is, unless it needs escaping.
QString shownName(const QString& name);
// A message of the engine that names `path` in plain quotes, with the name
// escaped there and any control character left escaped too.
QString escapedMessage(QString message, const QString& path);
// The engine's CR breaks as LF, which a terminal does not print over.
QString plainBreaks(QString text);
// What an exception says, in English: an analysis's own failure in words,
// anything else as its what().
QString exceptionText(const std::exception& error);

} // namespace CliText
