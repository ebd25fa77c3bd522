#include "shell/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Like QDir::mkpath, but the folders it adds are the user's alone, as the
// XDG base directory rules ask for ~/.config.
bool makePath(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makePath(parent)) return false;
    // Another process may have made it meanwhile.
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(path).isDir();
}

} // namespace

namespace DataFolder {

bool isFolderWritable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/chk.tmp"));
    // Created only if no such file exists, so an old one is never removed.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.constData());
    return true;
}

QString userConfigFolder() {
    // A relative value is to be ignored, not taken from the current folder.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString userFolder(const QString& companyName, const QString& productName) {
    const QString folder = userConfigFolder() + u'/' + companyName + u'/' + productName;
    return makePath(folder) ? folder : QString();
}

QString decide(const QString& programFolder, const QString& companyName,
               const QString& productName) {
    QString folder = programFolder;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    if (isFolderWritable(folder)) return folder + u'/';
    // A fresh account may not have ~/.config yet. A folder that cannot be
    // made still names the data folder; the first save then reports it.
    userFolder(companyName, productName);
    return userConfigFolder() + u'/' + companyName + u'/' + productName + u'/';
}

} // namespace DataFolder
