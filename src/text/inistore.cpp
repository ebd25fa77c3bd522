#include "text/inistore.h"

#include "text/byteordermark.h"
#include "text/linesplitter.h"
#include "text/textfile.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool isSection(const QString& line) {
    const QString t = line.trimmed();
    return t.startsWith(u'[') && t.endsWith(u']');
}

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    return t.mid(1, t.size() - 2).trimmed();
}

bool isComment(const QString& line) {
    const QString t = line.trimmed();
    return t.startsWith(u';') || t.startsWith(u'#');
}

} // namespace

bool IniStore::open(const QString& path, FileError* error) {
    path_ = path;
    lines_.clear();
    if (!QFile::exists(path)) return true;
    TextFile::Text text;
    if (!TextFile::readUtf8(path, text, error)) return false;
    lines_ = LineSplitter::lines(text.utf8);
    return true;
}

void IniStore::openOrReset(const QString& path) {
    if (!open(path)) {
        // Moved aside, not deleted: a file edited by hand in another encoding
        // may hold the user's own notes.
        const QString kept = path + QStringLiteral(".unreadable");
        QFile::remove(kept);
        QFile::rename(path, kept);
        open(path);
    }
}

int IniStore::findSection(const QString& section) const {
    for (int i = 0; i < lines_.size(); ++i)
        if (isSection(lines_[i]) &&
            sectionName(lines_[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniStore::findKey(int sectionLine, const QString& key) const {
    for (int i = sectionLine + 1; i < lines_.size() && !isSection(lines_[i]); ++i) {
        if (isComment(lines_[i])) continue;
        const qsizetype eq = lines_[i].indexOf(u'=');
        if (eq > 0 && lines_[i].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString IniStore::read(const QString& section, const QString& key, const QString& def) const {
    const int s = findSection(section);
    if (s < 0) return def;
    const int k = findKey(s, key);
    if (k < 0) return def;
    // Blanks around the value are layout, as in any INI reader.
    return lines_[k].mid(lines_[k].indexOf(u'=') + 1).trimmed();
}

void IniStore::write(const QString& section, const QString& key, const QString& value) {
    int s = findSection(section);
    if (s < 0) {
        lines_ << u'[' + section + u']';
        s = int(lines_.size()) - 1;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        const QString name = lines_[k].left(lines_[k].indexOf(u'='));
        lines_[k] = name + u'=' + value;
        return;
    }
    // After the section's last entry: blank lines and remarks that follow it
    // belong to the next section.
    int last = s;
    for (int i = s + 1; i < lines_.size() && !isSection(lines_[i]); ++i)
        if (!lines_[i].trimmed().isEmpty() && !isComment(lines_[i])) last = i;
    lines_.insert(last + 1, key + u'=' + value);
}

bool IniStore::save(FileError* error) const {
    QSaveFile file(path_);
    // Unbuffered, so a short write (a full disk) shows in write()'s count;
    // QSaveFile only notices errors of writes it sees itself.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error) *error = FileError::system(FileError::Action::Create, path_, file.errorString());
        return false;
    }
    QByteArray bytes(ByteOrderMark::Utf8Bytes.data(), qsizetype(ByteOrderMark::Utf8Bytes.size()));
    for (const QString& line : lines_)
        bytes += line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size()) {
        if (error) {
            *error = file.error() != QFileDevice::NoError
                         ? FileError::system(FileError::Action::Write, path_, file.errorString())
                         : FileError::own(FileError::Action::Write, path_,
                                          FileError::Reason::NotAllWritten);
        }
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = FileError::system(FileError::Action::Write, path_, file.errorString());
        return false;
    }
    return true;
}
