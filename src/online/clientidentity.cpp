#include "online/clientidentity.h"

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>
#include <QSysInfo>

#include <sys/utsname.h>

#include <stdexcept>

namespace {

// Our application's own id: machine ids derived with it match no other
// program's.
constexpr unsigned char applicationId[16] = {0xfb, 0x36, 0x1f, 0xf5, 0xbf, 0x38, 0x4f, 0xa3,
                                             0xc0, 0xa9, 0xde, 0x6c, 0x44, 0xc1, 0x71, 0x99};

QString prettyNameFrom(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.startsWith(QStringLiteral("PRETTY_NAME="))) continue;
        QString value = line.mid(12);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value.replace(QStringLiteral("\\\""), QStringLiteral("\""));
    }
    return {};
}

} // namespace

QString ClientIdentity::describeOs(const QString& prettyName, const QString& kernelRelease,
                                   bool is64Bit) {
    static const QRegularExpression majorMinor(QStringLiteral("^(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch match = majorMinor.match(kernelRelease);
    const QString version =
        match.hasMatch() ? match.captured(1) + u'.' + match.captured(2) : QStringLiteral("0.0");
    return QStringLiteral("%1 (Version %2, Build %3, %4)")
        .arg(prettyName.isEmpty() ? QStringLiteral("Linux") : prettyName, version, kernelRelease,
             is64Bit ? QStringLiteral("64-bit Edition") : QStringLiteral("32-bit Edition"));
}

QString ClientIdentity::describeOs(const QString& osReleasePath,
                                   const QString& fallbackOsReleasePath) {
    QString prettyName = prettyNameFrom(osReleasePath);
    if (prettyName.isEmpty()) prettyName = prettyNameFrom(fallbackOsReleasePath);
    utsname system{};
    const QString release =
        uname(&system) == 0 ? QString::fromLocal8Bit(system.release) : QString();
    // The machine's architecture, not this build's: a 32-bit build on a
    // 64-bit system still reports 64 bits, as the system itself does.
    const bool is64Bit = QSysInfo::currentCpuArchitecture().contains(QStringLiteral("64"));
    return describeOs(prettyName, release, is64Bit);
}

QString ClientIdentity::localeCode() {
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C) return QStringLiteral("xx");
    QString name = locale.name();
    if (name.isEmpty() || name == QStringLiteral("C")) return QStringLiteral("xx");
    return name.replace(u'_', u'-');
}

QString ClientIdentity::machineId(const QString& machineIdPath) {
    QFile file(machineIdPath);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + machineIdPath.toStdString() + ": " +
                                 file.errorString().toStdString());
    const QByteArray text = file.read(4096).trimmed();
    if (text.isEmpty() || text == "uninitialized") return {};
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9a-fA-F]{32}$"));
    if (!hexDigits.match(QString::fromLatin1(text)).hasMatch())
        throw std::runtime_error("no machine id in " + machineIdPath.toStdString());

    const QByteArray key = QByteArray::fromHex(text);
    const QByteArray message(reinterpret_cast<const char*>(applicationId), sizeof applicationId);
    QByteArray id =
        QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256).left(16);
    // Marked as a random (version 4) UUID, as systemd marks its derived ids.
    id[6] = static_cast<char>(0x40 | (id[6] & 0x0F));
    id[8] = static_cast<char>(0x80 | (id[8] & 0x3F));
    const QByteArray hex = id.toHex();
    return QString::fromLatin1(hex.left(8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
                               hex.mid(16, 4) + '-' + hex.mid(20));
}
