#pragma once

#include "text/fileerror.h"
#include "text/inistore.h"

#include <QString>

// The program's own files in its data folder: "settings.ini", whose
// settings are saved the moment they change, and "wordletters.txt", the
// word-character set. Without a data folder nothing is read, written or
// deleted.
class ProgramSettings {
public:
    // Binds to a folder (with a trailing separator) and opens its settings.
    void useDataFolder(const QString& folder);
    QString dataFolder() const { return dataFolder_; }
    bool hasDataFolder() const { return !dataFolder_.isEmpty(); }
    IniStore& store() { return store_; }

    // A value of the section "Settings".
    QString value(const QString& key) const;
    // Writes the value and saves the file; false with the reason.
    bool save(const QString& key, const QString& value, FileError* error);

    // The word-character set, when the file holds one.
    bool loadWordCharacters(QString* text) const;
    // The word-character box's text; failures are ignored.
    void storeWordCharacters(const QString& boxText) const;
    // The built-in set needs no file.
    void forgetWordCharacters() const;

    // Deletes both files; false with the reason of the first that stays.
    bool reset(FileError* error) const;

private:
    QString wordCharactersPath() const { return dataFolder_ + QStringLiteral("wordletters.txt"); }

    QString dataFolder_;
    IniStore store_;
};
