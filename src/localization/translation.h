#pragma once

#include <QString>
#include <QStringList>

// The loaded language: set at most once, at start-up, and only read after.
class Translation {
public:
    // Loads a language file (UTF-8, BOM skipped, any line breaks). Returns
    // false and sets error (naming the file and the reason) when the file
    // cannot be read; nothing is loaded then.
    static bool load(const QString& path, QString* error = nullptr);
    static QString languageFilePath();
    static const QStringList& languageLines();
    // For tests: forget the loaded language.
    static void reset();
};

// The text to show for an English text: the loaded language's translation, or
// the English text itself.
QString translateText(const QString& english);
