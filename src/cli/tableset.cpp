#include "cli/tableset.h"

#include "cli/cliconsole.h"
#include "cli/clitext.h"
#include "text/fileerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

TableSet::TableSet(const QDir& dir, const QString& stem, const QStringList& tags) {
    const QString partTag = QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    for (const QString& tag : tags) {
        const QString target = dir.filePath(stem + u'_' + tag + QStringLiteral(".csv"));
        const QFileInfo info(target);
        targets_.append(target);
        // A folder in the way fails when its table is written, before any
        // table is replaced.
        parts_.append(info.exists() && !info.isFile()
                          ? target
                          : dir.filePath(u'.' + info.fileName() + partTag));
    }
}

QString TableSet::targetNamed(QString message) const {
    for (qsizetype i = 0; i < parts_.size(); ++i)
        message.replace(parts_[i], targets_[i]);
    return message;
}

void TableSet::discard() const {
    for (qsizetype i = 0; i < parts_.size(); ++i)
        if (parts_[i] != targets_[i]) QFile::remove(parts_[i]);
}

bool TableSet::replaceTargets(CliConsole& console) const {
    bool allReplaced = true;
    for (qsizetype i = 0; i < parts_.size(); ++i) {
        if (parts_[i] == targets_[i]) continue;
        const QFileInfo target(targets_[i]);
        if (target.exists()) QFile::setPermissions(parts_[i], target.permissions());
        if (std::rename(QFile::encodeName(parts_[i]).constData(),
                        QFile::encodeName(targets_[i]).constData()) != 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            const FileError error =
                FileError::system(FileError::Action::Write, targets_[i], reason);
            console.printError(CliText::escapedMessage(FileErrorText::text(error), targets_[i]));
            QFile::remove(parts_[i]);
            allReplaced = false;
        }
    }
    return allReplaced;
}
