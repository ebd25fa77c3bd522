#pragma once

#include <QString>

// The word-character set kept in "wordletters.txt".
namespace WordLettersFile {

// Strictly UTF-8 first (a byte-order mark skipped); else a byte-order mark
// selects UTF-8 or UTF-16, and without one the locale's Windows code page is
// used. The text comes back with LF between its lines, a final break kept.
// False when the file is missing or unreadable.
bool load(const QString& path, QString* text);
// The word-character box's text: lines joined with CR LF, no break after the last,
// UTF-8 with a byte-order mark. An empty text deletes the file. Failures
// are ignored: the set then lives in the box for this run only.
void store(const QString& path, const QString& boxText);

} // namespace WordLettersFile
