#include "wordlettersfile.h"

#include "ansicodepage.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

bool WordLettersFile::load(const QString& path, QString* text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder strict(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = strict.decode(body);
    if (strict.hasError()) {
        if (bytes.startsWith("\xFF\xFE")) {
            decoded = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
        } else if (bytes.startsWith("\xFE\xFF")) {
            decoded = QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
        } else if (bytes.startsWith("\xEF\xBB\xBF")) {
            decoded = QString::fromUtf8(body);
        } else {
            decoded = AnsiCodePage::decode(bytes, AnsiCodePage::forLocale());
        }
    }
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    *text = decoded.split(breaks).join(u'\n');
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
