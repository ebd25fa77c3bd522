#pragma once

#include "text/fileerror.h"

#include <QString>
#include <QStringList>

// An INI file held in memory: section and key names match without regard to
// letter case, values exactly; entries the program does not know are kept.
class IniStore {
public:
    // Reads the file as UTF-8 (a byte-order mark skipped); a missing file
    // gives an empty store. False for a file that is not valid UTF-8 or
    // cannot be read.
    bool open(const QString& path, FileError* error = nullptr);
    // Opens the settings; a file that cannot be opened is kept as
    // path + ".unreadable" (replacing an older copy) and the store starts
    // empty, silently.
    void openOrReset(const QString& path);

    QString read(const QString& section, const QString& key, const QString& def = {}) const;
    void write(const QString& section, const QString& key, const QString& value);
    // Rewrites the whole file: UTF-8 with a byte-order mark, CR LF after
    // every line. The new file replaces the old one only once it is
    // complete, so a crash or a full disk never leaves half a file.
    bool save(FileError* error = nullptr) const;

    QString path() const { return path_; }

private:
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;

    QString path_;
    QStringList lines_;
};
