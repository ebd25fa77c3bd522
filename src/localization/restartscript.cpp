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

bool write(const QString& folder, const QString& programPath, QString* scriptPath,
           FileError* error) {
    const QString path = QDir(folder).filePath(QStringLiteral("start.sh"));
    if (scriptPath) *scriptPath = path;
    QSaveFile file(path);
    const auto fail = [&](FileError::Action action) {
        if (error)
            *error = FileError::system(action, QDir::toNativeSeparators(path), file.errorString());
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(FileError::Action::Create);
    const QByteArray bytes = contents(programPath);
    if (file.write(bytes) != bytes.size() || !file.commit()) return fail(FileError::Action::Write);
    return true;
}

} // namespace RestartScript
