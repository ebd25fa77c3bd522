#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

// The update check's bookkeeping: an INI file of its own, section
// "Settings", in the per-user folder whatever the data folder is. Every
// change is written at once and replaces the file only when complete.
// Section and key names match without regard to letter case.
class UpdateStore {
public:
    static constexpr const char* FileName = "update.ini";
    // Lines longer than this, and lines past the total, are dropped when the
    // file is read: no value the check writes comes near either, and a file
    // that grew out of bounds must not cost every start-up its size.
    static constexpr qsizetype MaxLineBytes = 16 * 1024;
    static constexpr qsizetype MaxFileBytes = 256 * 1024;

    // $XDG_CONFIG_HOME (when absolute, else ~/.config)/company/product/update.ini.
    static QString defaultPath(const QString& companyName, const QString& productName);

    // Reads the file, creating it and the folders above it when missing.
    // False when it can be neither read nor created; the store then reads
    // its defaults and writes nothing. A file that had lines dropped is
    // written back without them.
    bool open(const QString& path, QString* error = nullptr);
    bool isOpen() const { return open_; }
    QString path() const { return path_; }

    // 1 when missing or not a number.
    int showUpdate() const;
    bool setShowUpdate(int value);
    // The date of the last check that made a request, and how many did so
    // that day; the count is 0 when missing or not a number.
    QString lastUpdateCheck() const;
    int lastUpdateCheckCount() const;
    bool setLastUpdateCheck(const QString& date, int count);
    QString currentVersion() const;
    bool setCurrentVersion(const QString& version);
    // Kept encoded; a value that does not decode reads as empty. `verified`
    // says that the address came in an answer over verified HTTPS; it is
    // kept as a digest of the address beside it, so that an address written
    // without one, by an earlier version among others, reads as unverified.
    QString currentUrl() const;
    bool currentUrlVerified() const;
    bool setCurrentUrl(const QString& url, bool verified = false);

    // Base64 of the UTF-8 bytes, and back (empty for anything else).
    static QString encodeText(const QString& text);
    static QString decodeText(const QString& encoded);
    // A date as the locale writes it in its short format.
    static QString shortDate(const QDate& date, const QLocale& locale);

    QString value(const QString& key) const;
    bool setValues(const QList<QPair<QString, QString>>& values);

private:
    int sectionLine() const;
    int keyLine(int section, const QString& key) const;
    int intValue(const QString& key, int fallback) const;
    bool save(QString* error = nullptr) const;

    QString path_;
    QStringList lines_;
    bool open_ = false;
};
