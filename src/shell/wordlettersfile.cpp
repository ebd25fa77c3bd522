#include "shell/wordlettersfile.h"

#include "import/textfilereader.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

bool WordLettersFile::load(const QString& path, QString* text) {
    // Read the way every text file is: strict UTF-8, else by byte-order mark,
    // else in the ANSI code page.
    TextFileReader::Text read;
    if (!TextFileReader::readText(path, read, nullptr)) return false;
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    *text =
        QString::fromUtf8(read.utf8.data(), qsizetype(read.utf8.size())).split(breaks).join(u'\n');
    return true;
}

void WordLettersFile::store(const QString& path, const QString& memoText) {
    if (memoText.isEmpty()) {
        QFile::remove(path);
        return;
    }
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QSaveFile file(path);
    // Unbuffered, so a short write (a full disk) shows in write()'s count and
    // the old file stays.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
    const QByteArray bytes =
        "\xEF\xBB\xBF" + memoText.split(breaks).join(QStringLiteral("\r\n")).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
