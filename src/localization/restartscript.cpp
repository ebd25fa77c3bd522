#include "localization/restartscript.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace RestartScript {

QByteArray contents(const QString& programPath) {
    // Inside single quotes the shell takes every byte literally but the
    // quote itself, which is closed, escaped and reopened.
    QByteArray path = QFile::encodeName(programPath);
    path.replace('\'', QByteArrayLiteral("'\\''"));
    return QByteArrayLiteral("#!/bin/sh\n"
                             "# This file was created automatically to restart the program.\n"
                             "# It is safe to delete this file.\n"
                             "sleep 1\n"
                             "exec '") +
           path + QByteArrayLiteral("'\n");
}

bool write(const QString& folder, const QString& programPath, QString* scriptPath, QString* error) {
    const QString path = QDir(folder).filePath(QStringLiteral("start.sh"));
    if (scriptPath) *scriptPath = path;
    QSaveFile file(path);
    const QByteArray bytes = contents(programPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace RestartScript
