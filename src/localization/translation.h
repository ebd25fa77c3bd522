#pragma once

#include <QString>
#include <QStringList>

// The loaded language: set at most once, at start-up, and only read after.
namespace Translation {

// Loads a language file: UTF-8 whatever its bytes (a byte-order mark
// skipped, bytes that are not UTF-8 read as U+FFFD), lines ending in CR LF,
// LF or CR. Returns false and sets error (naming the file and the reason)
// when the file cannot be read; nothing is loaded then.
bool load(const QString& path, QString* error = nullptr);
QString languageFilePath();
const QStringList& languageLines();
// For tests: forget the loaded language.
void reset();

// The text of the first of a language file's lines that begins with
// "{key}", empty when the entry is; the key itself when no line has it.
QString lookupText(const QString& key, const QStringList& lines);

} // namespace Translation

// The text to show for an English text: the loaded language's translation, or
// the English text itself.
QString translateText(const QString& english);
