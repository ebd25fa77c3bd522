#include "envguard.h"
#include "shell/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestDataFolder : public QObject {
    Q_OBJECT

private slots:
    void freshAccount_data();
    void freshAccount();
};

namespace {

enum ProgramFolder { ReadOnlyFolder, ProcFolder };
enum ConfigHome { MissingXdgFolder, MissingHome, RelativeXdg };

} // namespace

void TestDataFolder::freshAccount_data() {
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("config");
    QTest::addColumn<QString>("expected"); // below the temporary folder

    const QString data = QStringLiteral("/Maker Ltd/Lexometer/");
    QTest::newRow("read-only program folder, no XDG_CONFIG_HOME folder")
        << int(ReadOnlyFolder) << int(MissingXdgFolder) << "/new/config" + data;
    QTest::newRow("read-only program folder, no home folder")
        << int(ReadOnlyFolder) << int(MissingHome) << "/home/.config" + data;
    // Nothing can be created under /proc, not even by root.
    QTest::newRow("program folder in /proc, no XDG_CONFIG_HOME folder")
        << int(ProcFolder) << int(MissingXdgFolder) << "/new/config" + data;
    QTest::newRow("program folder in /proc, no home folder")
        << int(ProcFolder) << int(MissingHome) << "/home/.config" + data;
    QTest::newRow("relative XDG_CONFIG_HOME ignored")
        << int(ProcFolder) << int(RelativeXdg) << "/home/.config" + data;
}

void TestDataFolder::freshAccount() {
    QFETCH(int, program);
    QFETCH(int, config);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    QTemporaryDir programDir;
    QVERIFY(temp.isValid() && programDir.isValid());

    QString programFolder = QStringLiteral("/proc/self");
    if (program == ReadOnlyFolder) {
        if (::geteuid() == 0) QSKIP("root may create files in a read-only folder");
        programFolder = programDir.path();
        QVERIFY(QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner |
                                                         QFile::ReadGroup | QFile::ExeGroup |
                                                         QFile::ReadOther | QFile::ExeOther));
    } else if (!QFileInfo(programFolder).isDir()) {
        QSKIP("/proc is not mounted");
    }

    EnvGuard xdg("XDG_CONFIG_HOME");
    EnvGuard home("HOME");
    qputenv("HOME", QFile::encodeName(temp.filePath(QStringLiteral("home"))));
    if (config == MissingXdgFolder)
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("new/config"))));
    else if (config == RelativeXdg)
        qputenv("XDG_CONFIG_HOME", "relative/config");
    else
        qunsetenv("XDG_CONFIG_HOME");

    const QString folder =
        DataFolder::decide(programFolder, QStringLiteral("Maker Ltd"), QStringLiteral("Lexometer"));
    QFile::setPermissions(programDir.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(folder, temp.path() + expected);
    // Saving the settings is what failed with "No such file or directory".
    QFile settings(folder + QStringLiteral("settings.ini"));
    QVERIFY2(settings.open(QIODevice::WriteOnly), qPrintable(settings.errorString()));
    // Every folder made on the way is the user's alone.
    for (QString made = folder.chopped(1); made != temp.path(); made = QFileInfo(made).path()) {
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY2(!(QFileInfo(made).permissions() & others), qPrintable(made));
    }
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
