#include "testfiles.h"
#include "testpdf.h"
#include "testservice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The Debian package as a user gets it, unpacked into a temporary root: what it holds,
// and its programs running from there. The package is built by the package_build test
// that CTest runs first.
class TestPackage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void controlFields_data();
    void controlFields();
    void dependencies();
    void holdsItsFiles_data();
    void holdsItsFiles();
    void links_data();
    void links();
    void holdsTheLanguages();
    void icons_data();
    void icons();
    void toolAnalyzes_data();
    void toolAnalyzes();
    void programAnswersWithoutADisplay_data();
    void programAnswersWithoutADisplay();
    void programStartsUp();

private:
    QString installed(const QString& path) const { return root_.filePath(path); }

    QString package_;
    QTemporaryDir root_;
};

namespace {

const QString Version = QStringLiteral(LEXO_VERSION);

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        result.err = "did not end normally: " + process.errorString().toUtf8();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString architecture() {
    return QString::fromLatin1(run(QStringLiteral("dpkg"), {"--print-architecture"}).out.trimmed());
}

} // namespace

void TestPackage::initTestCase() {
    package_ = QStringLiteral(LEXO_PACKAGE_DIR "/lexometer_%1_%2.deb").arg(Version, architecture());
    QVERIFY2(QFileInfo::exists(package_), qPrintable(package_ + " is missing"));
    QVERIFY(root_.isValid());
    const Run extract = run(QStringLiteral("dpkg-deb"), {"-x", package_, root_.path()});
    QVERIFY2(extract.exitCode == 0, extract.err.constData());
}

void TestPackage::controlFields_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("name") << "Package"
                          << "lexometer";
    QTest::newRow("version") << "Version" << Version;
    QTest::newRow("architecture") << "Architecture" << architecture();
    QTest::newRow("section") << "Section"
                             << "text";
    QTest::newRow("maintainer") << "Maintainer"
                                << "BRELLIX <info@brellix.com>";
}

void TestPackage::controlFields() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    const Run fields = run(QStringLiteral("dpkg-deb"), {"-f", package_, field});
    QCOMPARE(fields.exitCode, 0);
    QCOMPARE(QString::fromUtf8(fields.out.trimmed()), value);
}

void TestPackage::dependencies() {
    const Run depends = run(QStringLiteral("dpkg-deb"), {"-f", package_, "Depends"});
    QCOMPARE(depends.exitCode, 0);
    QStringList names;
    for (const QByteArray& entry : depends.out.split(','))
        names << QString::fromUtf8(entry.trimmed().split(' ').first());
    // By hand: the PDF tool the xpdf link points to, the certificates of the
    // secure requests and the cluster driver's Python. From the binaries: the
    // module's Qt PDF, the program's widgets.
    for (const char* name :
         {"poppler-utils", "ca-certificates", "python3", "libqt6pdf6", "libqt6widgets6"})
        QVERIFY2(names.contains(QLatin1String(name)), qPrintable(names.join(", ")));
    // The description has a summary and a body.
    const Run description = run(QStringLiteral("dpkg-deb"), {"-f", package_, "Description"});
    QVERIFY(description.out.count('\n') > 2);
}

void TestPackage::holdsItsFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("sameAs"); // a source file with the same bytes, if any
    QTest::newRow("program") << "usr/lib/lexometer/lexometer" << true << "";
    QTest::newRow("tool") << "usr/lib/lexometer/lexometer-analyze" << true << "";
    QTest::newRow("PDF module") << "usr/lib/lexometer/liblexo_pdfmodule.so" << false << "";
    QTest::newRow("licence") << "usr/lib/lexometer/license.txt" << false << "LICENSE";
    QTest::newRow("converter") << "usr/lib/lexometer/lexometer-pdftext" << true << "";
    QTest::newRow("cluster driver")
        << "usr/lib/lexometer/lexometer-cluster" << true << "scripts/lexometer-cluster";
    QTest::newRow("copyright") << "usr/share/doc/lexometer/copyright" << false
                               << "packaging/copyright";
    QTest::newRow("changelog") << "usr/share/doc/lexometer/changelog.gz" << false << "";
    QTest::newRow("program's man page") << "usr/share/man/man1/lexometer.1.gz" << false << "";
    QTest::newRow("menu entry") << "usr/share/applications/lexometer.desktop" << false
                                << "packaging/lexometer.desktop";
    QTest::newRow("metainfo") << "usr/share/metainfo/com.brellix.Lexometer.metainfo.xml" << false
                              << "packaging/com.brellix.Lexometer.metainfo.xml";
    QTest::newRow("man page") << "usr/share/man/man1/lexometer-analyze.1.gz" << false << "";
    QTest::newRow("cluster driver's man page")
        << "usr/share/man/man1/lexometer-cluster.1.gz" << false << "";
    QTest::newRow("scalable icon") << "usr/share/icons/hicolor/scalable/apps/lexometer.svg" << false
                                   << "src/info/ui/pictures/programicon.svg";
}

void TestPackage::holdsItsFiles() {
    QFETCH(QString, path);
    QFETCH(bool, executable);
    QFETCH(QString, sameAs);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile() && !file.isSymLink(), qPrintable(path));
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
    if (!sameAs.isEmpty())
        QVERIFY(TestFiles::read(file.filePath()) ==
                TestFiles::read(QStringLiteral(LEXO_SOURCE_DIR "/") + sameAs));
}

void TestPackage::links_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("target");
    // Relative, so that they hold wherever the root is.
    QTest::newRow("program") << "usr/bin/lexometer"
                             << "../lib/lexometer/lexometer";
    QTest::newRow("tool") << "usr/bin/lexometer-analyze"
                          << "../lib/lexometer/lexometer-analyze";
    QTest::newRow("cluster driver") << "usr/bin/lexometer-cluster"
                                    << "../lib/lexometer/lexometer-cluster";
    // To poppler-utils' tool, outside the package.
    QTest::newRow("pdftotext") << "usr/lib/lexometer/xpdf/pdftotext"
                               << "../../../bin/pdftotext";
}

void TestPackage::links() {
    QFETCH(QString, path);
    QFETCH(QString, target);
    const QFileInfo link(installed(path));
    QVERIFY2(link.isSymLink(), qPrintable(path));
    const QString written =
        QString::fromUtf8(run(QStringLiteral("readlink"), {link.filePath()}).out.trimmed());
    QCOMPARE(written, target);
    // Resolved as it will be once installed under /.
    const QString resolved =
        QDir::cleanPath(QFileInfo(u'/' + path).path() + u'/' + written);
    const QString inPackage = installed(resolved.mid(1));
    QVERIFY2(QFileInfo(inPackage).isFile() ||
                 (resolved == u"/usr/bin/pdftotext" && QFileInfo(resolved).isFile()),
             qPrintable(resolved));
}

void TestPackage::holdsTheLanguages() {
    const QDir source(QStringLiteral(LEXO_SOURCE_DIR "/Languages"));
    const QStringList names = source.entryList(QDir::Files);
    QVERIFY(names.contains("LanguageCodes.csv"));
    for (const QString& name : names) {
        const QString path = installed("usr/lib/lexometer/Languages/" + name);
        QVERIFY2(QFileInfo::exists(path), qPrintable(name));
        QVERIFY2(TestFiles::read(path) == TestFiles::read(source.filePath(name)), qPrintable(name));
    }
}

void TestPackage::icons_data() {
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestPackage::icons() {
    QFETCH(int, size);
    const QString path =
        installed(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/lexometer.png").arg(size));
    const QImage icon(path);
    QVERIFY2(!icon.isNull(), qPrintable(path));
    QCOMPARE(icon.size(), QSize(size, size));
    // Drawn: the page's middle is opaque, the corner above the page's fold clear.
    QCOMPARE(icon.pixelColor(size / 2, size / 2).alpha(), 255);
    QCOMPARE(icon.pixelColor(size - 1, 0).alpha(), 0);
}

void TestPackage::toolAnalyzes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("engine");
    QTest::newRow("text") << "small.txt"
                          << "";
    // The PDF module and the tool link are found beside the tool's real file.
    QTest::newRow("PDF, in-process") << "small.pdf"
                                     << "pdfium";
    QTest::newRow("PDF, pdftotext") << "small.pdf"
                                    << "xpdf";
}

void TestPackage::toolAnalyzes() {
    QFETCH(QString, name);
    QFETCH(QString, engine);
    const QString tool = installed("usr/bin/lexometer-analyze");
    const Run version = run(tool, {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(QString::fromUtf8(version.out), "lexometer-analyze (Lexometer) " + Version + "\n");

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name.endsWith(".pdf"))
        TestFiles::write(path, TestPdf::makePdf({"one two two three"}));
    else
        TestFiles::write(path, "one two two three\n");
    QStringList arguments{"--locale", "en_US", path};
    if (!engine.isEmpty()) arguments.prepend("--pdf-engine=" + engine);
    const Run analysis = run(tool, arguments);
    QVERIFY2(analysis.exitCode == 0, analysis.err.constData());
    QVERIFY2(analysis.err.isEmpty(), analysis.err.constData());
    const QString overview = QString::fromUtf8(analysis.out);
    QVERIFY2(overview.contains(QRegularExpression("Total Words:\\s+4\\n")), qPrintable(overview));
    QVERIFY2(overview.contains(QRegularExpression("Unique Words:\\s+3\\n")), qPrintable(overview));
}

void TestPackage::programAnswersWithoutADisplay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("start");
    QTest::newRow("version") << "--version"
                             << "Lexometer " + Version + "\n";
    QTest::newRow("help") << "--help"
                          << "Usage: lexometer [OPTION]... [FILE]...\n";
}

void TestPackage::programAnswersWithoutADisplay() {
    QFETCH(QString, option);
    QFETCH(QString, start);
    // With no display and no platform named, QApplication would abort.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QLatin1String(name));
    const Run answer = run(installed("usr/bin/lexometer"), {option}, environment);
    QVERIFY2(answer.exitCode == 0, answer.err.constData());
    QVERIFY2(answer.out.startsWith(start.toUtf8()), answer.out.constData());
}

void TestPackage::programStartsUp() {
    // The update check is the first thing the program does once its window is shown
    // after a start-up without errors; its request says the program is up and
    // carries the version read from its own file.
    TestService service;
    QVERIFY2(service.isListening(), qPrintable(service.errorString()));
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir("config") && QDir(home.path()).mkdir("runtime"));
    QFile::setPermissions(home.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TestFiles::write(home.filePath("given.txt"), "given on the command line\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    environment.insert("LEXOMETER_SERVICE_HOST", service.hostAndPort());
    environment.insert("LEXOMETER_CA_FILE", TestService::caFile());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(installed("usr/bin/lexometer"), {home.filePath("given.txt")});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(
        !service.requests().isEmpty() || program.state() == QProcess::NotRunning, 60000);
    const bool running = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished();
    QVERIFY2(running, program.readAllStandardError().constData());
    const QByteArray body = service.requests().first().body;
    QVERIFY2(body.contains("cmd=check"), body.constData());
    const QString shortVersion = Version.section(u'.', 0, 1);
    QVERIFY2(body.contains("version=" + shortVersion.toLatin1()), body.constData());
}

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
