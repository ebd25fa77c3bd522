#include "localization/translation.h"

#include <QFile>
#include <QStringDecoder>

namespace {

// Written once at start-up, read-only afterwards (also from the update
// check's thread), so no lock.
QString loadedPath;
QStringList loadedLines;

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start).toString());
    return lines;
}

} // namespace

bool Translation::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    // Only the first mark is skipped; bytes that are not UTF-8 become U+FFFD
    // rather than failing the load.
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    loadedLines = splitLines(QString(decoder.decode(bytes)));
    loadedPath = path;
    return true;
}

QString Translation::languageFilePath() {
    return loadedPath;
}

const QStringList& Translation::languageLines() {
    return loadedLines;
}

void Translation::reset() {
    loadedPath.clear();
    loadedLines.clear();
}

QString translateText(const QString& english) {
    if (loadedPath.isEmpty()) return english;
    const QString key = u'{' + english + u'}';
    for (const QString& line : std::as_const(loadedLines)) {
        if (!line.startsWith(key)) continue;
        const QString translation = line.mid(line.indexOf(u'}') + 1);
        return translation.isEmpty() ? english : translation;
    }
    return english;
}
