#include "text/programfolder.h"

#include <QByteArray>
#include <QStringDecoder>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

namespace ProgramFolder {

QString fromBytes(const QByteArray& folder, QString* error) {
    if (!folder.startsWith('/')) {
        if (error) *error = QStringLiteral("The program's folder cannot be found");
        return {};
    }
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = strict(folder);
    if (!strict.hasError() && !decoded.contains(QChar(0))) return decoded;

    // QString cannot hold the name; a descriptor of the folder stands in for
    // it. It is inherited on purpose, so that a child given a path under it
    // reaches the same folder.
    const int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY);
    if (fd < 0) {
        if (error)
            *error =
                QStringLiteral("The program's folder cannot be opened: %1").arg(systemError(errno));
        return {};
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

QString path(QString* error) {
    static std::once_flag once;
    static QString folder;
    static QString failure;
    std::call_once(once, [] {
        QByteArray target(4096, Qt::Uninitialized);
        for (;;) {
            const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
            if (length < 0) {
                failure = QStringLiteral("The program's folder cannot be found: %1")
                              .arg(systemError(errno));
                return;
            }
            if (length < target.size()) {
                target.truncate(length);
                break;
            }
            target.resize(target.size() * 2);
        }
        // A deleted or replaced executable reads back with this mark.
        if (target.endsWith(" (deleted)")) target.chop(10);
        const qsizetype slash = target.lastIndexOf('/');
        folder =
            fromBytes(slash > 0 ? target.left(slash) : QByteArray(slash == 0 ? "/" : ""), &failure);
    });
    if (folder.isEmpty() && error) *error = failure;
    return folder;
}

QString filePath(const QString& name) {
    const QString folder = path();
    if (folder.isEmpty()) return {};
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace ProgramFolder
