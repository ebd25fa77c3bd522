#include "online/updatestore.h"

#include "text/userfolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QString Section = QStringLiteral("Settings");

// Ties the mark of a verified address to that address alone.
QString digestOf(const QString& url) {
    return QString::fromLatin1(
        QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// A signed decimal number with nothing else around it but blanks.
bool parseInt(const QString& text, int* value) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (ok) *value = number;
    return ok;
}

// The file's lines, less those over MaxLineBytes and those past
// MaxFileBytes; `dropped` tells whether any went.
QByteArray readBounded(QFile& file, bool* dropped) {
    QByteArray kept;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(UpdateStore::MaxLineBytes + 1);
        if (line.isEmpty()) break; // a read error: what was read is all there is
        bool overlong = line.size() > UpdateStore::MaxLineBytes;
        // Cut short: skip the rest of the line without holding it.
        while (!line.endsWith('\n') && !file.atEnd()) {
            overlong = true;
            line = file.readLine(64 * 1024);
            if (line.isEmpty()) break;
        }
        if (overlong || kept.size() + line.size() > UpdateStore::MaxFileBytes) {
            *dropped = true;
            continue;
        }
        kept += line;
    }
    return kept;
}

} // namespace

QString UpdateStore::defaultPath(const QString& companyName, const QString& productName) {
    return UserFolders::configHome() + u'/' + companyName + u'/' + productName + u'/' +
           QLatin1String(FileName);
}

bool UpdateStore::open(const QString& path, QString* error) {
    path_ = path;
    lines_.clear();
    open_ = false;
    QFile file(path);
    if (!file.exists()) {
        if (!UserFolders::makePrivatePath(QFileInfo(path).path())) {
            if (error) *error = QStringLiteral("cannot create the folder of \"%1\"").arg(path);
            return false;
        }
        lines_ << QLatin1Char('[') + Section + QLatin1Char(']');
        if (!save(error)) {
            lines_.clear();
            return false;
        }
        open_ = true;
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    bool dropped = false;
    QString text = QString::fromUtf8(readBounded(file, &dropped));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    lines_ = text.split(u'\n');
    if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
    open_ = true;
    // Heals a file that an earlier version let grow; a failure only means
    // the next read drops the same lines again.
    if (dropped) save();
    return true;
}

int UpdateStore::sectionLine() const {
    for (int i = 0; i < lines_.size(); ++i) {
        const QString line = lines_[i].trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']') &&
            line.mid(1, line.size() - 2).trimmed().compare(Section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int UpdateStore::keyLine(int section, const QString& key) const {
    if (section < 0) return -1;
    for (int i = section + 1; i < lines_.size(); ++i) {
        const QString line = lines_[i].trimmed();
        if (line.startsWith(u'[')) break;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString UpdateStore::value(const QString& key) const {
    const int line = keyLine(sectionLine(), key);
    if (line < 0) return {};
    const QString& text = lines_[line];
    return text.mid(text.indexOf(u'=') + 1);
}

bool UpdateStore::setValues(const QList<QPair<QString, QString>>& values) {
    if (!open_) return false;
    const QStringList before = lines_;
    for (const auto& [key, text] : values) {
        int section = sectionLine();
        if (section < 0) {
            lines_ << QLatin1Char('[') + Section + QLatin1Char(']');
            section = int(lines_.size()) - 1;
        }
        const QString line = key + u'=' + text;
        const int existing = keyLine(section, key);
        if (existing >= 0) {
            lines_[existing] = line;
            continue;
        }
        // After the section's last entry, before any blank lines that end it.
        int end = section + 1;
        while (end < lines_.size() && !lines_[end].trimmed().startsWith(u'['))
            ++end;
        while (end > section + 1 && lines_[end - 1].trimmed().isEmpty())
            --end;
        lines_.insert(end, line);
    }
    if (save()) return true;
    lines_ = before;
    return false;
}

bool UpdateStore::save(QString* error) const {
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    QByteArray bytes;
    for (const QString& line : lines_)
        bytes += line.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

int UpdateStore::intValue(const QString& key, int fallback) const {
    int number = fallback;
    return parseInt(value(key), &number) ? number : fallback;
}

int UpdateStore::showUpdate() const {
    return intValue(QStringLiteral("ShowUpdate"), 1);
}

bool UpdateStore::setShowUpdate(int value) {
    return setValues({{QStringLiteral("ShowUpdate"), QString::number(value)}});
}

QString UpdateStore::lastUpdateCheck() const {
    return value(QStringLiteral("LastUpdateCheck"));
}

int UpdateStore::lastUpdateCheckCount() const {
    return intValue(QStringLiteral("LastUpdateCheckCount"), 0);
}

bool UpdateStore::setLastUpdateCheck(const QString& date, int count) {
    return setValues({{QStringLiteral("LastUpdateCheck"), date},
                      {QStringLiteral("LastUpdateCheckCount"), QString::number(count)}});
}

QString UpdateStore::currentVersion() const {
    return value(QStringLiteral("CurrentVersion"));
}

bool UpdateStore::setCurrentVersion(const QString& version) {
    return setValues({{QStringLiteral("CurrentVersion"), version}});
}

QString UpdateStore::currentUrl() const {
    return decodeText(value(QStringLiteral("CurrentURL")));
}

bool UpdateStore::currentUrlVerified() const {
    const QString url = currentUrl();
    return !url.isEmpty() && value(QStringLiteral("CurrentURLVerified")).trimmed() == digestOf(url);
}

bool UpdateStore::setCurrentUrl(const QString& url, bool verified) {
    // Both in one write, so that neither is ever seen without the other.
    return setValues(
        {{QStringLiteral("CurrentURL"), encodeText(url)},
         {QStringLiteral("CurrentURLVerified"), verified ? digestOf(url) : QString()}});
}

QString UpdateStore::encodeText(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString UpdateStore::decodeText(const QString& encoded) {
    const QString trimmed = encoded.trimmed();
    for (QChar c : trimmed)
        if (c.unicode() > 0x7F) return {};
    const auto decoded =
        QByteArray::fromBase64Encoding(trimmed.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return {};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(*decoded);
    return utf8.hasError() ? QString() : text;
}

QString UpdateStore::shortDate(const QDate& date, const QLocale& locale) {
    return locale.toString(date, QLocale::ShortFormat);
}
