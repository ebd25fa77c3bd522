#include "shell/instancelock.h"

#include "shell/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>

namespace InstanceLock {

QString folder(const QString& companyName, const QString& productName) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) return runtime;
    return DataFolder::userFolder(companyName, productName);
}

int acquire(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return -1;
    const QByteArray path = QFile::encodeName(folder + u'/' + name);
    // A link planted at the path would otherwise make us create or open
    // whatever it points to.
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) ::flock(fd, LOCK_SH | LOCK_NB);
    return fd;
}

} // namespace InstanceLock
