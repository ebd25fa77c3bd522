#include "info/versioninfo.h"

#include <QDir>
#include <QFile>

#include <optional>
#include <stdexcept>

namespace {

// Larger sections are not ours; reading them whole would only waste memory.
constexpr quint64 maxBlockSize = 1 << 20;
constexpr quint32 fixedInfoSignature = 0xFEEF04BD;

quint64 little(const char* bytes, int count) {
    quint64 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

[[noreturn]] void fail(const QString& text) {
    throw std::runtime_error(text.toUtf8().toStdString());
}

QString shown(const QString& path) {
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

// Reads `size` bytes at `offset`; false when the file ends first.
bool readAt(QFile& file, quint64 offset, quint64 size, QByteArray& out) {
    if (!file.seek(static_cast<qint64>(offset))) return false;
    out = file.read(static_cast<qint64>(size));
    return static_cast<quint64>(out.size()) == size;
}

// The contents of the section ".lexometer_version"; empty when the file has none.
QByteArray readVersionSection(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read %1: %2").arg(shown(path), file.errorString()));
    const QString notElf = QStringLiteral("%1 is not a 64-bit little-endian ELF file");
    const QString damaged = QStringLiteral("The file %1 is damaged");

    QByteArray header;
    if (!readAt(file, 0, 64, header) ||
        !header.startsWith("\x7F"
                           "ELF") ||
        header[4] != 2 || header[5] != 1)
        fail(notElf.arg(shown(path)));
    const char* h = header.constData();
    const quint64 sectionTable = little(h + 0x28, 8);
    const quint64 entrySize = little(h + 0x3A, 2);
    quint64 sectionCount = little(h + 0x3C, 2);
    quint64 namesIndex = little(h + 0x3E, 2);
    if (sectionTable == 0) return {};
    if (entrySize < 64) fail(damaged.arg(shown(path)));

    auto sectionHeader = [&](quint64 index) {
        QByteArray entry;
        if (!readAt(file, sectionTable + index * entrySize, 64, entry))
            fail(damaged.arg(shown(path)));
        return entry;
    };
    // Files with very many sections keep the count and the names' index in section 0.
    if (sectionCount == 0 || namesIndex == 0xFFFF) {
        const QByteArray first = sectionHeader(0);
        if (sectionCount == 0) sectionCount = little(first.constData() + 32, 8);
        if (namesIndex == 0xFFFF) namesIndex = little(first.constData() + 40, 4);
    }
    if (namesIndex >= sectionCount || sectionCount > 0xFFFFFF) fail(damaged.arg(shown(path)));

    auto contents = [&](const QByteArray& entry, quint64 limit) {
        const quint64 offset = little(entry.constData() + 24, 8);
        const quint64 size = little(entry.constData() + 32, 8);
        QByteArray data;
        if (size > limit || !readAt(file, offset, size, data)) fail(damaged.arg(shown(path)));
        return data;
    };
    const QByteArray names = contents(sectionHeader(namesIndex), 16 * maxBlockSize);
    static const QByteArray wanted = QByteArrayLiteral(".lexometer_version");
    for (quint64 i = 1; i < sectionCount; ++i) {
        const QByteArray entry = sectionHeader(i);
        const quint64 nameAt = little(entry.constData(), 4);
        if (nameAt >= static_cast<quint64>(names.size())) continue;
        const char* name = names.constData() + nameAt;
        if (qstrnlen(name, names.size() - nameAt) != static_cast<size_t>(wanted.size()) ||
            wanted != name)
            continue;
        constexpr quint32 noBits = 8;
        if (little(entry.constData() + 4, 4) == noBits) fail(damaged.arg(shown(path)));
        return contents(entry, maxBlockSize);
    }
    return {};
}

// The block's entries checked end to end; false when one runs past the block.
bool wellFormed(const QByteArray& block) {
    if (block.size() < 8 || !block.startsWith("LXVI")) return false;
    const quint64 size = little(block.constData() + 4, 4);
    if (size < 8 || size > static_cast<quint64>(block.size())) return false;
    quint64 at = 8;
    while (at < size) {
        if (size - at < 8) return false;
        const char* entry = block.constData() + at;
        const quint64 length = 8 + little(entry, 2) + little(entry + 4, 4);
        if (length > size - at) return false;
        at += length;
    }
    return true;
}

bool sameKey(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), b.data(), a.size()) == 0;
}

// The value stored under a query path; the path's letter case does not matter, and a
// trailing backslash is ignored. Expects a well-formed block.
std::optional<QByteArrayView> query(const QByteArray& block, QByteArrayView path) {
    if (path.size() > 1 && path.endsWith('\\')) path.chop(1);
    const quint64 size = little(block.constData() + 4, 4);
    quint64 at = 8;
    while (at < size) {
        const char* entry = block.constData() + at;
        const qsizetype keyLength = static_cast<qsizetype>(little(entry, 2));
        const qsizetype valueLength = static_cast<qsizetype>(little(entry + 4, 4));
        if (sameKey(QByteArrayView(entry + 8, keyLength), path))
            return QByteArrayView(entry + 8 + keyLength, valueLength);
        at += 8 + keyLength + valueLength;
    }
    return std::nullopt;
}

// The block of a file, or nothing when it has none or a damaged one.
std::optional<QByteArray> versionBlock(const QString& path, QString* error) {
    QByteArray block;
    try {
        block = readVersionSection(path);
    } catch (const std::runtime_error& e) {
        if (error) *error = QString::fromUtf8(e.what());
        return std::nullopt;
    }
    if (block.isEmpty()) {
        if (error)
            *error = QStringLiteral("The file %1 has no version information").arg(shown(path));
        return std::nullopt;
    }
    if (!wellFormed(block)) {
        if (error)
            *error = QStringLiteral("The version information of %1 is damaged").arg(shown(path));
        return std::nullopt;
    }
    return block;
}

} // namespace

VersionData VersionInfo::readVersionData(const QString& exePath) {
    QString error;
    const std::optional<QByteArray> block = versionBlock(exePath, &error);
    if (!block) fail(error);

    const std::optional<QByteArrayView> translation = query(*block, "\\VarFileInfo\\Translation\\");
    if (!translation || translation->size() < 4)
        fail(QStringLiteral("The version information of %1 has no translation table")
                 .arg(shown(exePath)));
    // Only the first translation names the string table; later ones are never tried.
    const QByteArray table =
        QString::asprintf("\\StringFileInfo\\%.4X%.4X",
                          static_cast<unsigned>(little(translation->data(), 2)),
                          static_cast<unsigned>(little(translation->data() + 2, 2)))
            .toLatin1();

    VersionData data;
    const std::pair<QString*, const char*> fields[] = {
        {&data.companyName, "\\CompanyName"},
        {&data.fileDescription, "\\FileDescription"},
        {&data.fileVersion, "\\FileVersion"},
        {&data.internalName, "\\InternalName"},
        {&data.legalCopyright, "\\LegalCopyright"},
        {&data.legalTrademarks, "\\LegalTrademarks"},
        {&data.originalFileName, "\\OriginalFileName"},
        {&data.productName, "\\ProductName"},
        {&data.productVersion, "\\ProductVersion"},
        {&data.comments, "\\Comments"},
        {&data.privateBuild, "\\PrivateBuild"},
        {&data.specialBuild, "\\SpecialBuild"},
    };
    for (const auto& [field, key] : fields) {
        const std::optional<QByteArrayView> value = query(*block, table + key);
        if (!value) continue;
        // The text ends at its NUL, whatever length the entry gives.
        *field = QString::fromUtf8(value->data(), qstrnlen(value->data(), value->size()));
    }
    return data;
}

quint32 VersionInfo::fileVersionNumber(const QString& exePath) noexcept {
    try {
        const std::optional<QByteArray> block = versionBlock(exePath, nullptr);
        if (!block) return 0xFFFFFFFF;
        const std::optional<QByteArrayView> fixed = query(*block, "\\");
        if (!fixed || fixed->size() < 24 || little(fixed->data(), 4) != fixedInfoSignature)
            return 0xFFFFFFFF;
        return static_cast<quint32>(little(fixed->data() + 8, 4));
    } catch (...) {
        return 0xFFFFFFFF;
    }
}

QString VersionInfo::appVersion(quint32 fileVersionNumber) {
    return QString::asprintf("%d.%d", static_cast<int>(fileVersionNumber >> 16),
                             static_cast<int>(fileVersionNumber & 0xFFFF));
}

QString VersionInfo::appTitle(const VersionData& data) {
    return data.companyName + QStringLiteral(" - ") + data.productName;
}
