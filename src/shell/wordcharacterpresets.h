#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The word-character presets offered for five languages, and the forming of
// the word-character string from the lines the user edits.
class WordCharacterPresets {
public:
    enum Preset { English, French, Turkish, Russian, Hebrew };

    // The lines a preset puts into the word-character box, in order. English
    // is also the built-in set used when nothing has been saved.
    static QStringList lines(Preset preset);
    // Lower-case name ("english", "french", ...); fromName ignores case.
    static QString name(Preset preset);
    static std::optional<Preset> fromName(const QString& name);
    static QList<Preset> all();

    // Every non-empty line appended unchanged: line breaks separate nothing,
    // while blanks typed into a line are word characters like any other.
    static QString wordCharacters(const QStringList& lines);
};
