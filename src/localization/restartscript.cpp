#include "localization/restartscript.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// Inside single quotes the shell takes every byte literally but the quote
// itself, which is closed, escaped and reopened.
QByteArray quoted(const QString& path) {
    QByteArray bytes = QFile::encodeName(path);
    bytes.replace('\'', QByteArrayLiteral("'\\''"));
    return '\'' + bytes + '\'';
}

} // namespace

namespace RestartScript {

QByteArray contents(const QString& programPath, const QString& workingFolder) {
    // The program comes back in the folder it was started from, where its
    // file dialogs begin; a bare "cd" goes home.
    const QByteArray changeFolder =
        workingFolder.isEmpty()
            ? QByteArrayLiteral("cd\n")
            : "cd " + quoted(workingFolder) + QByteArrayLiteral(" 2>/dev/null || cd\n");
    return QByteArrayLiteral("#!/bin/sh\n"
                             "# This file was created automatically to restart the program.\n"
                             "# It is safe to delete this file.\n"
                             "sleep 1\n") +
           changeFolder + "exec " + quoted(programPath) + '\n';
}

bool write(const QString& folder, const QString& programPath, const QString& workingFolder,
           QString* scriptPath, FileError* error) {
    const QString path = QDir(folder).filePath(QStringLiteral("start.sh"));
    if (scriptPath) *scriptPath = path;
    QSaveFile file(path);
    const auto fail = [&](FileError::Action action) {
        if (error)
            *error = FileError::system(action, QDir::toNativeSeparators(path), file.errorString());
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(FileError::Action::Create);
    const QByteArray bytes = contents(programPath, workingFolder);
    if (file.write(bytes) != bytes.size() || !file.commit()) return fail(FileError::Action::Write);
    return true;
}

} // namespace RestartScript
