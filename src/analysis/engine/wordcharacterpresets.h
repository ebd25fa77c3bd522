#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The word-character presets offered for five languages, and the forming of
// the word-character string from the lines the user edits.
namespace WordCharacterPresets {

enum Preset { English, French, Turkish, Russian, Hebrew };

// The lines a preset puts into the word-character box, in order. English
// is also the built-in set used when nothing has been saved.
QStringList lines(Preset preset);
// Lower-case name ("english", "french", ...); fromName ignores case.
QString name(Preset preset);
std::optional<Preset> fromName(const QString& name);
QList<Preset> all();

// Every non-empty line appended unchanged: line breaks separate nothing,
// while blanks typed into a line are word characters like any other.
QString wordCharacters(const QStringList& lines);

} // namespace WordCharacterPresets
