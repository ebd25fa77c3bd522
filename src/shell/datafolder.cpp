#include "shell/datafolder.h"

#include "text/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

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

QString userFolder(const QString& companyName, const QString& productName) {
    const QString folder = UserFolders::configHome() + u'/' + companyName + u'/' + productName;
    return UserFolders::makePrivatePath(folder) ? folder : QString();
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
    return UserFolders::configHome() + u'/' + companyName + u'/' + productName + u'/';
}

} // namespace DataFolder
