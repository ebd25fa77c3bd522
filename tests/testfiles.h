#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QtGlobal>

// Fixture files for the tests.
namespace TestFiles {

// Makes `bytes` the whole file; a fixture that cannot be written ends the
// test program.
inline void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture %s", qPrintable(path));
}

// The whole file; empty when it cannot be read.
inline QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Text in UTF-16 with its byte-order mark.
inline QByteArray utf16(const QString& text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace TestFiles
