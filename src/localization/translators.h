#pragma once

#include <QString>
#include <QStringList>

// Who translated a language, as its file says.
namespace Translators {

// The names of the "INFO:Translated By" entry of `languageName`'s file in
// `languagesFolder`, one a part between commas, each trimmed, empty parts
// kept. The maker for English; the key itself for a file without the
// entry; none when the file cannot be read.
QStringList ofLanguage(const QString& languagesFolder, const QString& languageName);

} // namespace Translators
