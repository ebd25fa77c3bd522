#include "shell/programsettings.h"

#include "shell/wordlettersfile.h"

#include <QDir>
#include <QFile>

namespace {

const QString Section = QStringLiteral("Settings");

} // namespace

void ProgramSettings::useDataFolder(const QString& folder) {
    dataFolder_ = folder;
    store_.openOrReset(dataFolder_ + QStringLiteral("settings.ini"));
}

QString ProgramSettings::value(const QString& key) const {
    return store_.read(Section, key);
}

bool ProgramSettings::save(const QString& key, const QString& value, FileError* error) {
    if (!hasDataFolder()) return true;
    store_.write(Section, key, value);
    return store_.save(error);
}

bool ProgramSettings::loadWordCharacters(QString* text) const {
    return hasDataFolder() && WordLettersFile::load(wordCharactersPath(), text);
}

void ProgramSettings::storeWordCharacters(const QString& boxText) const {
    if (hasDataFolder()) WordLettersFile::store(wordCharactersPath(), boxText);
}

void ProgramSettings::forgetWordCharacters() const {
    if (hasDataFolder()) QFile::remove(wordCharactersPath());
}

bool ProgramSettings::reset(FileError* error) const {
    // Without a data folder the names would be taken relative to the
    // working folder, and someone else's files would go.
    if (!hasDataFolder()) return false;
    for (const char* name : {"settings.ini", "wordletters.txt"}) {
        QFile file(dataFolder_ + QLatin1String(name));
        if (file.exists() && !file.remove()) {
            *error = FileError::system(FileError::Action::Delete,
                                       QDir::toNativeSeparators(file.fileName()),
                                       file.errorString());
            return false;
        }
    }
    return true;
}
