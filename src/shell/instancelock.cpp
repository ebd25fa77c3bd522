#include "shell/instancelock.h"

#include "shell/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InstanceLock {

QString folder(const QString& companyName, const QString& productName) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) return runtime;
    return DataFolder::userFolder(companyName, productName);
}

int acquire(const QString& folder, const QString& name, FileError* error) {
    if (folder.isEmpty()) {
        if (error) *error = FileError::message(QStringLiteral("No folder for the lock file"));
        return -1;
    }
    const QString filePath = folder + u'/' + name;
    const QByteArray path = QFile::encodeName(filePath);
    // A link planted at the path would otherwise make us create or open
    // whatever it points to; O_NONBLOCK keeps a FIFO there from waiting for
    // a writer for ever.
    const int fd =
        ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        if (error) *error = FileError::system(FileError::Action::Open, filePath, reason);
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        if (error)
            *error = FileError::own(FileError::Action::Open, filePath,
                                    FileError::Reason::NotRegularFile);
        return -1;
    }
    ::flock(fd, LOCK_SH | LOCK_NB);
    return fd;
}

} // namespace InstanceLock
