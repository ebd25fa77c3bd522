#include "envguard.h"
#include "shell/instancelock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

class TestInstanceLock : public QObject {
    Q_OBJECT

private slots:
    void linkIsNotFollowed_data();
    void linkIsNotFollowed();
    void createdForTheUserAlone();
    void notARegularFile_data();
    void notARegularFile();
    void folder_data();
    void folder();
};

void TestInstanceLock::linkIsNotFollowed_data() {
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link to a missing file") << false;
    QTest::newRow("link to an existing file") << true;
}

void TestInstanceLock::linkIsNotFollowed() {
    QFETCH(bool, targetExists);
    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    QVERIFY(folder.isValid() && elsewhere.isValid());
    const QString target = elsewhere.filePath(QStringLiteral("victim"));
    if (targetExists) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    }
    QVERIFY(QFile::link(target, folder.filePath(QStringLiteral("app.lock"))));

    const int fd = InstanceLock::acquire(folder.path(), QStringLiteral("app.lock"));
    if (fd >= 0) ::close(fd);
    QCOMPARE(fd, -1);
    QCOMPARE(QFileInfo::exists(target), targetExists);
    if (targetExists) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept"));
        QCOMPARE(file.permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::ReadOther);
    }
}

void TestInstanceLock::createdForTheUserAlone() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const int fd = InstanceLock::acquire(folder.path(), QStringLiteral("app.lock"));
    QVERIFY(fd >= 0);
    ::close(fd);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("app.lock"))).permissions() & others,
             QFile::Permissions());
}

void TestInstanceLock::notARegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("link to a FIFO") << "link to a fifo";
}

void TestInstanceLock::notARegularFile() {
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("app.lock")));
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (kind == u"folder") {
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
    } else {
        const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("fifo")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::symlink(fifo.constData(), path.constData()), 0);
    }

    FileError error;
    auto opened = std::async(std::launch::async, [&] {
        return InstanceLock::acquire(folder.path(), QStringLiteral("app.lock"), &error);
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Give the blocked open its writer, so that the test can end.
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        opened.wait();
        if (writer >= 0) ::close(writer);
        QFAIL("opening the lock file waited");
    }
    const int fd = opened.get();
    if (fd >= 0) ::close(fd);
    QCOMPARE(fd, -1);
    QCOMPARE(error.action, FileError::Action::Open);
    QCOMPARE(error.path, folder.filePath(QStringLiteral("app.lock")));
    QVERIFY2(error.reason == FileError::Reason::NotRegularFile || !error.detail.isEmpty(),
             qPrintable(FileErrorText::text(error)));
}

void TestInstanceLock::folder_data() {
    QTest::addColumn<QString>("runtime"); // below the temporary folder; empty: unset
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_RUNTIME_DIR") << "/run"
                                     << "/run";
    QTest::newRow("no XDG_RUNTIME_DIR") << QString() << "/config/Maker/App";
    QTest::newRow("XDG_RUNTIME_DIR missing") << "/gone"
                                             << "/config/Maker/App";
}

void TestInstanceLock::folder() {
    QFETCH(QString, runtime);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    QVERIFY(temp.isValid() && QDir(temp.path()).mkdir(QStringLiteral("run")));
    EnvGuard runtimeGuard("XDG_RUNTIME_DIR");
    EnvGuard configGuard("XDG_CONFIG_HOME");
    if (runtime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(temp.path() + runtime));
    // The config folder does not exist yet either.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));

    const QString folder = InstanceLock::folder(QStringLiteral("Maker"), QStringLiteral("App"));
    QCOMPARE(folder, temp.path() + expected);
    QVERIFY(QFileInfo(folder).isDir());
}

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
