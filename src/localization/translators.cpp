#include "localization/translators.h"

#include "text/linesplitter.h"
#include "text/textfile.h"

namespace {

// Removes leading and trailing characters with codes up to U+0020.
QString trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin).toString();
}

} // namespace

namespace Translators {

QString lookupText(const QString& key, const QStringList& lines) {
    const QString prefix = u'{' + key + u'}';
    for (const QString& line : lines)
        if (line.startsWith(prefix)) return line.mid(line.indexOf(u'}') + 1);
    return key;
}

QStringList ofLanguage(const QString& languagesFolder, const QString& languageName) {
    QString text;
    if (languageName == u"English") {
        text = QStringLiteral("Brellix");
    } else {
        TextFile::Text file;
        const QString path = languagesFolder + u'/' + languageName + QStringLiteral(".lang.txt");
        if (TextFile::readUtf8(path, file, nullptr, TextFile::Utf8Check::Lenient))
            text = lookupText(QStringLiteral("INFO:Translated By"), LineSplitter::lines(file.utf8));
    }
    QStringList names;
    if (text.isEmpty()) return names;
    for (const QString& part : text.split(u',', Qt::KeepEmptyParts))
        names << trimmed(part);
    return names;
}

} // namespace Translators
