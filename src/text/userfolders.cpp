#include "text/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace UserFolders {

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

bool makePrivatePath(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makePrivatePath(parent)) return false;
    // Another process may have made it meanwhile.
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(path).isDir();
}

} // namespace UserFolders
