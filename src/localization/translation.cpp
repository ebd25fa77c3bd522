#include "localization/translation.h"

#include "text/linesplitter.h"
#include "text/textfile.h"

namespace {

// Written once at start-up, read-only afterwards (also from the update
// check's thread), so no lock.
QString loadedPath;
QStringList loadedLines;

} // namespace

namespace Translation {

bool load(const QString& path, QString* error) {
    TextFile::Text text;
    FileError readError;
    if (!TextFile::readUtf8(path, text, &readError, TextFile::Utf8Check::Lenient)) {
        // No language is loaded to word it in.
        if (error) *error = FileErrorText::text(readError);
        return false;
    }
    loadedLines = LineSplitter::lines(text.utf8);
    loadedPath = path;
    return true;
}

QString languageFilePath() {
    return loadedPath;
}

const QStringList& languageLines() {
    return loadedLines;
}

void reset() {
    loadedPath.clear();
    loadedLines.clear();
}

QString lookupText(const QString& key, const QStringList& lines) {
    const QString prefix = u'{' + key + u'}';
    for (const QString& line : lines)
        if (line.startsWith(prefix)) return line.mid(line.indexOf(u'}') + 1);
    return key;
}

} // namespace Translation

QString translateText(const QString& english) {
    if (loadedPath.isEmpty()) return english;
    const QString translation = Translation::lookupText(english, loadedLines);
    return translation.isEmpty() ? english : translation;
}
