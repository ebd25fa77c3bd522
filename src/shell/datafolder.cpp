#include "shell/datafolder.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

bool DataFolder::isFolderWritable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/chk.tmp"));
    // Created only if no such file exists, so an old one is never removed.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(path.constData());
    return true;
}

QString DataFolder::userConfigFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty()) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString DataFolder::decide(const QString& programFolder, const QString& companyName,
                           const QString& productName) {
    QString folder = programFolder;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    if (isFolderWritable(folder)) return folder + u'/';
    const QString home = userConfigFolder();
    // Only these two levels are created; failures show at the first save.
    QDir().mkdir(home + u'/' + companyName);
    QDir().mkdir(home + u'/' + companyName + u'/' + productName);
    return home + u'/' + companyName + u'/' + productName + u'/';
}
