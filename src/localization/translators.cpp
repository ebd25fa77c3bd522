#include "localization/translators.h"

#include "localization/translation.h"
#include "text/linesplitter.h"
#include "text/textfile.h"
#include "text/textrules.h"

namespace Translators {

QStringList ofLanguage(const QString& languagesFolder, const QString& languageName) {
    QString text;
    if (languageName == u"English") {
        text = QStringLiteral("Brellix");
    } else {
        TextFile::Text file;
        const QString path = languagesFolder + u'/' + languageName + QStringLiteral(".lang.txt");
        if (TextFile::readUtf8(path, file, nullptr, TextFile::Utf8Check::Lenient))
            text = Translation::lookupText(QStringLiteral("INFO:Translated By"),
                                           LineSplitter::lines(file.utf8));
    }
    QStringList names;
    if (text.isEmpty()) return names;
    for (const QString& part : text.split(u',', Qt::KeepEmptyParts))
        names << TextRules::trimmed(part).toString();
    return names;
}

} // namespace Translators
