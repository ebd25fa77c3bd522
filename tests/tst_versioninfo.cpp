#include "info/versioninfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

// Byte i of value in little-endian order; bytes past the eighth are zero (a
// shift by 64 or more would be undefined).
char littleByte(quint64 value, int i) {
    return i < 8 ? static_cast<char>(value >> (8 * i) & 0xFF) : '\0';
}

void putLittle(QByteArray& out, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(littleByte(value, i));
}

void patchLittle(QByteArray& out, qsizetype at, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = littleByte(value, i);
}

QByteArray entry(const QByteArray& key, const QByteArray& value) {
    QByteArray out;
    putLittle(out, key.size(), 2);
    putLittle(out, 0, 2);
    putLittle(out, value.size(), 4);
    return out + key + value;
}

QByteArray block(const QByteArrayList& entries) {
    const QByteArray body = entries.join();
    QByteArray out("LXVI");
    putLittle(out, 8 + body.size(), 4);
    return out + body;
}

QByteArray fixedInfo(quint16 major, quint16 minor, quint16 patch, quint16 tweak,
                     quint32 signature = 0xFEEF04BD) {
    QByteArray value;
    for (quint32 word :
         {signature, 0x00010000u, quint32(major) << 16 | minor, quint32(patch) << 16 | tweak,
          quint32(major) << 16 | minor, quint32(patch) << 16 | tweak})
        putLittle(value, word, 4);
    return entry("\\", value);
}

QByteArray translations(const QList<QPair<quint16, quint16>>& pairs) {
    QByteArray value;
    for (const auto& [language, codePage] : pairs) {
        putLittle(value, language, 2);
        putLittle(value, codePage, 2);
    }
    return entry("\\VarFileInfo\\Translation", value);
}

QByteArray text(const QByteArray& table, const QByteArray& key, const QByteArray& value) {
    return entry("\\StringFileInfo\\" + table + "\\" + key, value + '\0');
}

const QByteArrayList keys = {"CompanyName",      "FileDescription", "FileVersion",
                             "InternalName",     "LegalCopyright",  "LegalTrademarks",
                             "OriginalFileName", "ProductName",     "ProductVersion",
                             "Comments",         "PrivateBuild",    "SpecialBuild"};

// One string per key: "<key> <tag>", so that a value read from the wrong table shows.
QByteArrayList stringTable(const QByteArray& table, const QByteArray& tag,
                           const QByteArrayList& leftOut = {}) {
    QByteArrayList out;
    for (const QByteArray& key : keys)
        if (!leftOut.contains(key)) out << text(table, key, key + ' ' + tag);
    return out;
}

QStringList expected(const QString& tag, const QByteArrayList& leftOut = {}) {
    QStringList out;
    for (const QByteArray& key : keys)
        out << (leftOut.contains(key) ? QString() : QString::fromLatin1(key) + ' ' + tag);
    return out;
}

QStringList fields(const VersionData& d) {
    return {d.companyName,    d.fileDescription, d.fileVersion,      d.internalName,
            d.legalCopyright, d.legalTrademarks, d.originalFileName, d.productName,
            d.productVersion, d.comments,        d.privateBuild,     d.specialBuild};
}

struct ElfShape {
    char fileClass = 2;    // 64-bit
    char byteOrder = 1;    // little-endian
    quint64 extraSize = 0; // added to the section's declared size
    quint32 type = 1;      // PROGBITS
};

// A minimal ELF file: header, the one section's contents, the section names, and the
// section table (null, names, the section).
QByteArray elf(const QByteArray& sectionName, const QByteArray& contents, ElfShape shape = {}) {
    const QByteArray names = QByteArray(1, '\0') + ".shstrtab" + '\0' + sectionName + '\0';
    const quint64 contentsAt = 64, namesAt = contentsAt + contents.size(),
                  tableAt = namesAt + names.size();

    QByteArray out(64, '\0');
    out[0] = '\x7F';
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = shape.fileClass;
    out[5] = shape.byteOrder;
    out[6] = 1;
    patchLittle(out, 0x10, 2, 2);  // executable
    patchLittle(out, 0x12, 62, 2); // x86-64
    patchLittle(out, 0x14, 1, 4);
    patchLittle(out, 0x28, tableAt, 8);
    patchLittle(out, 0x34, 64, 2);
    patchLittle(out, 0x3A, 64, 2);
    patchLittle(out, 0x3C, 3, 2);
    patchLittle(out, 0x3E, 1, 2);
    out += contents + names;

    auto section = [&](quint32 name, quint32 type, quint64 offset, quint64 size) {
        QByteArray header;
        putLittle(header, name, 4);
        putLittle(header, type, 4);
        putLittle(header, 0, 8 * 2);
        putLittle(header, offset, 8);
        putLittle(header, size, 8);
        header.append(24, '\0');
        return header;
    };
    out += QByteArray(64, '\0');
    out += section(1, 3, namesAt, names.size());
    out += section(11, shape.type, contentsAt, contents.size() + shape.extraSize);
    return out;
}

QByteArray versionElf(const QByteArrayList& entries) {
    return elf(".lexometer_version", block(entries));
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;

    QString write(const QByteArray& contents) {
        const QString path = dir_.filePath(QStringLiteral("file%1").arg(++files_));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // The block embedded at build time, read back from this test's own file.
    void ownExecutable() {
        const QString path = QCoreApplication::applicationFilePath();
        const VersionData data = VersionInfo::readVersionData(path);
        QCOMPARE(data.companyName, QStringLiteral("BRELLIX"));
        QCOMPARE(data.productName, QStringLiteral("Lexometer"));
        QCOMPARE(data.fileVersion, QStringLiteral("4.0.0.0"));
        QCOMPARE(data.productVersion, QStringLiteral("4.0.0.0"));
        QCOMPARE(data.originalFileName, QStringLiteral("tst_versioninfo"));
        QVERIFY(!data.fileDescription.isEmpty());
        QVERIFY(data.privateBuild.isEmpty());
        QVERIFY(data.specialBuild.isEmpty());

        const quint32 number = VersionInfo::fileVersionNumber(path);
        QCOMPARE(number, 0x00040000u);
        QCOMPARE(VersionInfo::appVersion(number), QStringLiteral("4.0"));
        QCOMPARE(VersionInfo::appTitle(data), QStringLiteral("BRELLIX - Lexometer"));
    }

    void programExecutable() {
        const QString path = QStringLiteral(LEXO_BINARY_DIR "/bin/lexometer");
        if (!QFile::exists(path)) QSKIP("the program has not been built");
        const VersionData data = VersionInfo::readVersionData(path);
        QCOMPARE(VersionInfo::appTitle(data), QStringLiteral("BRELLIX - Lexometer"));
        QCOMPARE(data.originalFileName, QStringLiteral("lexometer"));
        QCOMPARE(VersionInfo::appVersion(VersionInfo::fileVersionNumber(path)),
                 QStringLiteral("4.0"));
    }

    void readStrings_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("fields");

        const QByteArray fixed = fixedInfo(4, 0, 0, 0);
        const QByteArray usEnglish = translations({{0x0409, 0x04E4}});
        QTest::newRow("all twelve")
            << versionElf(QByteArrayList{fixed, usEnglish} + stringTable("040904E4", "us"))
            << expected("us");
        QTest::newRow("Comments missing") << versionElf(QByteArrayList{fixed, usEnglish} +
                                                        stringTable("040904E4", "us", {"Comments"}))
                                          << expected("us", {"Comments"});
        QTest::newRow("first of two translations")
            << versionElf(
                   QByteArrayList{fixed, translations({{0x0409, 0x04E4}, {0x0407, 0x04B0}})} +
                   stringTable("040704B0", "de") + stringTable("040904E4", "us"))
            << expected("us");
        QTest::newRow("second translation never tried")
            << versionElf(
                   QByteArrayList{fixed, translations({{0x0407, 0x04B0}, {0x0409, 0x04E4}})} +
                   stringTable("040904E4", "us"))
            << expected("", keys);
        QTest::newRow("translation names another code page")
            << versionElf(QByteArrayList{fixed, translations({{0x0409, 0x04B0}})} +
                          stringTable("040904E4", "us"))
            << expected("", keys);
        QTest::newRow("translation names another language")
            << versionElf(QByteArrayList{fixed, translations({{0x0407, 0x04E4}})} +
                          stringTable("040904E4", "us"))
            << expected("", keys);
        // Hex digits below ten and above it, each half padded to four digits.
        QTest::newRow("table name padded and upper-case")
            << versionElf(QByteArrayList{fixed, translations({{0x0C0A, 0x00B5}})} +
                          stringTable("0C0A00B5", "es"))
            << expected("es");
        QTest::newRow("key letter case ignored")
            << versionElf({fixed, usEnglish, text("040904e4", "COMPANYNAME", "BRELLIX")})
            << QStringList{"BRELLIX", "", "", "", "", "", "", "", "", "", "", ""};

        // A value is read up to its NUL, not to the length its entry gives.
        QStringList cut(12);
        cut[0] = QStringLiteral("BRELLIX");
        cut[7] = QStringLiteral("Lexometer");
        cut[9] = QStringLiteral("Ölçer");
        QTest::newRow("text ends at its NUL")
            << versionElf({fixed, usEnglish,
                           entry("\\StringFileInfo\\040904E4\\CompanyName",
                                 QByteArray("BRELLIX\0junk\0", 13)),
                           entry("\\StringFileInfo\\040904E4\\ProductName", "Lexometer"),
                           text("040904E4", "Comments", "Ölçer")})
            << cut;
    }

    void readStrings() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, fields);
        QCOMPARE(::fields(VersionInfo::readVersionData(write(file))), fields);
    }

    void readErrors_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<quint32>("fileVersion");

        const QByteArray fixed = fixedInfo(4, 0, 0, 0);
        const QByteArray usEnglish = translations({{0x0409, 0x04E4}});
        const QByteArray good =
            block(QByteArrayList{fixed, usEnglish} + stringTable("040904E4", "us"));
        const quint32 none = 0xFFFFFFFF;

        QTest::newRow("empty file") << QByteArray() << none;
        QTest::newRow("text file") << QByteArray("Lexometer 4.0\n") << none;
        QTest::newRow("32-bit ELF") << elf(".lexometer_version", good, {.fileClass = 1}) << none;
        QTest::newRow("big-endian ELF")
            << elf(".lexometer_version", good, {.byteOrder = 2}) << none;
        QTest::newRow("no version section") << elf(".lexometer_versions", good) << none;
        QTest::newRow("section without file data")
            << elf(".lexometer_version", good, {.type = 8}) << none;
        QTest::newRow("section cut off by the file's end")
            << elf(".lexometer_version", good, {.extraSize = 4096}) << none;
        QTest::newRow("section table cut off") << versionElf({fixed, usEnglish}).chopped(1) << none;
        QTest::newRow("wrong magic") << elf(".lexometer_version", "LXVX" + good.mid(4)) << none;

        QByteArray longer = good;
        patchLittle(longer, 4, good.size() + 1, 4);
        QTest::newRow("block longer than its section") << elf(".lexometer_version", longer) << none;

        // The last entry claims one byte more than the block holds.
        const QByteArray last = text("040904E4", "Comments", "x");
        QByteArray overrun = block({fixed, usEnglish, last});
        patchLittle(overrun, overrun.size() - last.size() + 4, 3, 4);
        QTest::newRow("entry runs past the block") << elf(".lexometer_version", overrun) << none;

        // Without a translation the strings cannot be found, but the version can.
        QTest::newRow("no translation table")
            << versionElf(QByteArrayList{fixed} + stringTable("040904E4", "us")) << 0x00040000u;
        QTest::newRow("translation table too short")
            << versionElf({fixed, entry("\\VarFileInfo\\Translation", "\x09\x04")}) << 0x00040000u;
    }

    void readErrors() {
        QFETCH(QByteArray, file);
        QFETCH(quint32, fileVersion);
        const QString path = write(file);
        try {
            VersionInfo::readVersionData(path);
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            // The text is what the user sees: it names the file.
            QVERIFY2(QString::fromUtf8(e.what()).contains(path), e.what());
        }
        QCOMPARE(VersionInfo::fileVersionNumber(path), fileVersion);
    }

    void unreadableFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << dir_.filePath(QStringLiteral("missing"));
        QTest::newRow("folder") << dir_.path();
    }

    void unreadableFiles() {
        QFETCH(QString, path);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, VersionInfo::readVersionData(path));
        QCOMPARE(VersionInfo::fileVersionNumber(path), 0xFFFFFFFFu);
        QCOMPARE(VersionInfo::appVersion(VersionInfo::fileVersionNumber(path)),
                 QStringLiteral("65535.65535"));
    }

    void fileVersionNumber_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<quint32>("number");
        QTest::addColumn<QString>("appVersion");

        const QByteArray usEnglish = translations({{0x0409, 0x04E4}});
        QTest::newRow("4.0.0.0") << versionElf({fixedInfo(4, 0, 0, 0), usEnglish}) << 0x00040000u
                                 << "4.0";
        QTest::newRow("third and fourth parts left out")
            << versionElf({fixedInfo(10, 12, 3, 4), usEnglish}) << 0x000A000Cu << "10.12";
        QTest::newRow("halves unsigned") << versionElf({fixedInfo(65535, 40000, 1, 1), usEnglish})
                                         << 0xFFFF9C40u << "65535.40000";
        QTest::newRow("no fixed information")
            << versionElf({usEnglish}) << 0xFFFFFFFFu << "65535.65535";
        QTest::newRow("wrong signature")
            << versionElf({fixedInfo(4, 0, 0, 0, 0x12345678), usEnglish}) << 0xFFFFFFFFu
            << "65535.65535";
        QTest::newRow("fixed information too short")
            << versionElf({entry("\\", fixedInfo(4, 0, 0, 0).mid(8, 12)), usEnglish}) << 0xFFFFFFFFu
            << "65535.65535";
    }

    void fileVersionNumber() {
        QFETCH(QByteArray, file);
        QFETCH(quint32, number);
        QFETCH(QString, appVersion);
        const quint32 read = VersionInfo::fileVersionNumber(write(file));
        QCOMPARE(read, number);
        QCOMPARE(VersionInfo::appVersion(read), appVersion);
    }
};

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
