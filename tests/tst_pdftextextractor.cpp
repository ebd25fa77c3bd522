#include "import/pdftextextractor.h"
#include "testpdf.h"
#include "text/programfolder.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString DataDir = QStringLiteral(LEXO_SOURCE_DIR "/tests/data/pdf");

// The path of the file that holds the loaded library containing `symbol`.
QString libraryHolding(const char* name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(name)) return QString::fromLocal8Bit(line.mid(slash));
    }
    return {};
}

} // namespace

class TstPdfTextExtractor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void inProcessPages_data();
    void inProcessPages();
    void inProcessErrors_data();
    void inProcessErrors();
    void errorTexts();
    void documentFileStaysOpen();
    void hostileDocumentIsAbandoned();
    void endedConverterIsReplaced();
    void programFolderFromBytes();
    void moduleNeverFromWorkingFolder();
    void missingModule();
    void moduleWithoutFunctions();
    void toolReadsPathsWithBlanksAndQuotes();
    void toolMissingFallsBack();
    void toolStartedDirectly();
    void toolOutputInAnsiCodePage();
    void toolRunTooLongFallsBack();
    void toolRunsWithoutAnEventLoop();
    void cliReadsPdf_data();
    void cliReadsPdf();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    // A folder with a shell script as the tool.
    QString fakeTool(const QByteArray& script);

    QTemporaryDir dir_;
    int fakeTools_ = 0;
};

void TstPdfTextExtractor::initTestCase() {
    QVERIFY(dir_.isValid());
    // The code page of the output file's second reading follows the locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY2(QFile::exists(PdfTextExtractor::modulePath()),
             qPrintable(PdfTextExtractor::modulePath()));
    QVERIFY2(PdfTextExtractor::toolExists(), qPrintable(PdfTextExtractor::toolPath()));
}

QString TstPdfTextExtractor::writeFile(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

QString TstPdfTextExtractor::fakeTool(const QByteArray& script) {
    const QString folder = dir_.filePath(QStringLiteral("tool%1").arg(++fakeTools_));
    const QString path =
        writeFile(QStringLiteral("tool%1/pdftotext").arg(fakeTools_), "#!/bin/sh\n" + script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

void TstPdfTextExtractor::inProcessPages_data() {
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("text");
    QTest::newRow("one page") << QStringList{"Only page"} << QStringLiteral("Only page");
    // Pages before the first with text add nothing; an empty page after
    // text adds its separator.
    QTest::newRow("blank pages around text") << QStringList{"", "", "First", "", "Second", ""}
                                             << QStringLiteral("First\r\r\r\rSecond\r\r");
    QTest::newRow("all blank") << QStringList{"", ""} << QString();
}

void TstPdfTextExtractor::inProcessPages() {
    QFETCH(QStringList, pages);
    QFETCH(QString, text);
    const QString path = writeFile(QStringLiteral("pages.pdf"), TestPdf::makePdf(pages));
    PdfTextExtractor extractor;
    QString error;
    QString result = QStringLiteral("old");
    QVERIFY2(extractor.extractInProcess(path, result, &error), qPrintable(error));
    QCOMPARE(result, text);
}

void TstPdfTextExtractor::inProcessErrors_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QByteArray good = TestPdf::makePdf({"Some text", "More text"});
    QTest::newRow("missing") << dir_.filePath(QStringLiteral("missing.pdf"))
                             << QStringLiteral("File not found or can't be opened");
    QTest::newRow("damaged") << writeFile(QStringLiteral("damaged.pdf"), good.left(200))
                             << QStringLiteral("File is not a PDF document or is corrupted");
    QTest::newRow("not a PDF") << writeFile(QStringLiteral("text.pdf"), "just some text\n")
                               << QStringLiteral("File is not a PDF document or is corrupted");
    QTest::newRow("password") << DataDir + QStringLiteral("/password.pdf")
                              << QStringLiteral("Password required or invalid password");
}

void TstPdfTextExtractor::inProcessErrors() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    PdfTextExtractor extractor;
    QString text = QStringLiteral("kept");
    QString error;
    QVERIFY(!extractor.extractInProcess(path, text, &error));
    QCOMPARE(error, message);
    QCOMPARE(text, QStringLiteral("kept"));

    // A document of no pages is no error.
    QVERIFY2(extractor.extractInProcess(DataDir + QStringLiteral("/empty.pdf"), text, &error),
             qPrintable(error));
    QCOMPARE(text, QString());
}

void TstPdfTextExtractor::errorTexts() {
    QCOMPARE(PdfTextExtractor::errorText(PdfModule::PasswordError),
             QStringLiteral("Password required or invalid password"));
    QCOMPARE(PdfTextExtractor::errorText(PdfModule::SecurityError),
             QStringLiteral("Security scheme is not supported"));
}

void TstPdfTextExtractor::documentFileStaysOpen() {
    PdfTextExtractor extractor;
    // The converter process holds the document, as the module does.
    auto isOpen = [&](const QString& path) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(extractor.converterProcessId()));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == path) return true;
        return false;
    };
    const QString first = writeFile(QStringLiteral("open/first.pdf"), TestPdf::makePdf({"one"}));
    const QString second = writeFile(QStringLiteral("open/second.pdf"), TestPdf::makePdf({"two"}));
    QString text;
    QVERIFY(extractor.extractInProcess(first, text, nullptr));
    QVERIFY(isOpen(first));
    QVERIFY(extractor.extractInProcess(second, text, nullptr));
    QVERIFY(!isOpen(first));
    QVERIFY(isOpen(second));
}

void TstPdfTextExtractor::hostileDocumentIsAbandoned() {
    const QString looping =
        writeFile(QStringLiteral("hostile/loop.pdf"), TestPdf::makeLoopingPdf());
    const QString good = writeFile(QStringLiteral("hostile/good.pdf"), TestPdf::makePdf({"Fine"}));
    PdfTextExtractor extractor;
    extractor.setStepTimeLimit(std::chrono::seconds(2));
    QString text = QStringLiteral("kept");
    QString error;
    QVERIFY(!extractor.extractInProcess(looping, text, &error));
    QCOMPARE(error, QStringLiteral("Converting the PDF took too long and was abandoned"));
    QCOMPARE(text, QStringLiteral("kept"));
    QCOMPARE(extractor.converterProcessId(), 0);

    // The next document gets a new converter.
    QVERIFY2(extractor.extractInProcess(good, text, &error), qPrintable(error));
    QCOMPARE(text, QStringLiteral("Fine"));
}

void TstPdfTextExtractor::endedConverterIsReplaced() {
    const QString pdf = writeFile(QStringLiteral("ended/one.pdf"), TestPdf::makePdf({"One"}));
    PdfTextExtractor extractor;
    QString text;
    QString error;
    QVERIFY2(extractor.extractInProcess(pdf, text, &error), qPrintable(error));
    const pid_t first = extractor.converterProcessId();
    QVERIFY(first > 0);
    QCOMPARE(::kill(first, SIGKILL), 0);
    // Dead and not yet reaped: its state in /proc/PID/stat is Z.
    const auto state = [first] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(first));
        if (!stat.open(QIODevice::ReadOnly)) return QByteArray();
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1);
    };
    QTRY_COMPARE(state(), QByteArray("Z"));
    text.clear();
    QVERIFY2(extractor.extractInProcess(pdf, text, &error), qPrintable(error));
    QCOMPARE(text, QStringLiteral("One"));
    QVERIFY(extractor.converterProcessId() != first);
}

void TstPdfTextExtractor::programFolderFromBytes() {
    QString error;
    QCOMPARE(ProgramFolder::fromBytes(QFile::encodeName(dir_.path()), &error), dir_.path());

    // A name that is not UTF-8 is reached through a descriptor.
    const QByteArray odd = QFile::encodeName(dir_.path()) + "/odd \xff\xfe name";
    QCOMPARE(::mkdir(odd.constData(), 0700), 0);
    const QString folder = ProgramFolder::fromBytes(odd, &error);
    QVERIFY2(folder.startsWith(QStringLiteral("/proc/self/fd/")), qPrintable(folder + error));
    QFile file(folder + QStringLiteral("/inside.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(::access((odd + "/inside.txt").constData(), F_OK), 0);
    // QDir cannot name these for the temporary folder's removal.
    QCOMPARE(::unlink((odd + "/inside.txt").constData()), 0);
    QCOMPARE(::rmdir(odd.constData()), 0);

    // Nothing relative, nothing empty.
    for (const QByteArray& bad : {QByteArray(), QByteArray("."), QByteArray("bin")}) {
        error.clear();
        QCOMPARE(ProgramFolder::fromBytes(bad, &error), QString());
        QVERIFY(!error.isEmpty());
    }
}

void TstPdfTextExtractor::moduleNeverFromWorkingFolder() {
    // The program, its module and its converter in a folder whose name is
    // not UTF-8; a library of the module's name in the working folder.
    const QByteArray programFolder = QFile::encodeName(dir_.path()) + "/prog \xff\xfe";
    QCOMPARE(::mkdir(programFolder.constData(), 0700), 0);
    const QString bin = QCoreApplication::applicationDirPath();
    for (const char* name : {"lexometer-analyze", "liblexo_pdfmodule.so", "lexometer-pdftext"}) {
        const QByteArray target = programFolder + '/' + name;
        QVERIFY2(::link(QFile::encodeName(bin + u'/' + QLatin1String(name)).constData(),
                        target.constData()) == 0 ||
                     QProcess::execute(QStringLiteral("cp"), {bin + u'/' + QLatin1String(name),
                                                              QString::fromLocal8Bit(target)}) == 0,
                 name);
    }
    const QString work = dir_.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(work));
    QVERIFY(QFile::copy(QStringLiteral(LEXO_PLANTED_MODULE),
                        work + QStringLiteral("/liblexo_pdfmodule.so")));
    const QString pdf = writeFile(QStringLiteral("work/text.pdf"), TestPdf::makePdf({"alpha"}));

    // Started through a descriptor of the folder: QProcess takes QString paths.
    const int folderFd = ::open(programFolder.constData(), O_PATH | O_DIRECTORY);
    QVERIFY(folderFd >= 0);
    QProcess process;
    process.setWorkingDirectory(work);
    process.start(QStringLiteral("/proc/self/fd/%1/lexometer-analyze").arg(folderFd),
                  {QStringLiteral("--quiet"), QStringLiteral("--out"), work, pdf});
    QVERIFY(process.waitForFinished(60000));
    ::close(folderFd);
    for (const char* name : {"lexometer-analyze", "liblexo_pdfmodule.so", "lexometer-pdftext"})
        ::unlink((programFolder + '/' + name).constData());
    ::rmdir(programFolder.constData());
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QVERIFY(!QFileInfo::exists(work + QStringLiteral("/planted-module-ran")));
    QFile words(work + QStringLiteral("/text_Word.csv"));
    QVERIFY(words.open(QIODevice::ReadOnly));
    QVERIFY(words.readAll().contains("alpha,1,"));
}

void TstPdfTextExtractor::missingModule() {
    const QString path = dir_.filePath(QStringLiteral("nowhere/liblexo_pdfmodule.so"));
    PdfTextExtractor extractor;
    QString error;
    QVERIFY(!extractor.loadModule(path, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(!extractor.isModuleLoaded());

    // Extracting repeats the load error, on either road.
    const QString pdf = writeFile(QStringLiteral("nomodule.pdf"), TestPdf::makePdf({"text"}));
    QString text = QStringLiteral("kept");
    QString extractError;
    QVERIFY(!extractor.extractInProcess(pdf, text, &extractError));
    QCOMPARE(extractError, error);
    extractor.setToolFolder(dir_.filePath(QStringLiteral("no tool")));
    extractError.clear();
    QVERIFY(!extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &extractError));
    QCOMPARE(extractError, error);
    QCOMPARE(text, QStringLiteral("kept"));
}

void TstPdfTextExtractor::moduleWithoutFunctions() {
    const QString library = libraryHolding("libQt6Core");
    QVERIFY(!library.isEmpty());
    PdfTextExtractor extractor;
    QString error;
    QVERIFY(!extractor.loadModule(library, &error));
    QVERIFY2(error.contains(QStringLiteral("lexoPdfInitialize")), qPrintable(error));
    QVERIFY2(error.contains(library), qPrintable(error));
}

void TstPdfTextExtractor::toolReadsPathsWithBlanksAndQuotes() {
    const QString pdf = writeFile(QStringLiteral("a \"quoted\" folder/my book.pdf"),
                                  TestPdf::makePdf({"", "Hello world", "", "Last page"}));
    QVERIFY(!pdf.isEmpty());
    PdfTextExtractor extractor;
    QString log = QStringLiteral("earlier run\n");
    extractor.setLog(&log);
    QString text;
    QString error;
    QVERIFY2(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &error),
             qPrintable(error));
    // pdftotext's own layout: a form feed ends each page.
    QCOMPARE(text, QStringLiteral("\fHello world\r\n\r\n\f\fLast page\r\n\r\n\f\r\n"));

    const QStringList lines = log.split(u'\n');
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QStringLiteral("earlier run"));
    const QRegularExpression command(
        QStringLiteral("^pdftotext -enc UTF-8 \"(.*)\" \"(/.*/temp\\.txt)\"$"));
    const QRegularExpressionMatch match = command.match(lines[1]);
    QVERIFY2(match.hasMatch(), qPrintable(lines[1]));
    QCOMPARE(match.captured(1), pdf);
    QCOMPARE(lines.mid(2),
             QStringList({"Commencing processing...", "Processing completed successfully.",
                          QString(34, u'*'), "", ""}));
    // The output file and its folder are gone.
    QVERIFY(!QFileInfo::exists(QFileInfo(match.captured(2)).path()));
}

void TstPdfTextExtractor::toolMissingFallsBack() {
    const QString pdf =
        writeFile(QStringLiteral("fallback.pdf"), TestPdf::makePdf({"", "Hello world", "", "End"}));
    PdfTextExtractor extractor;
    extractor.setToolFolder(dir_.filePath(QStringLiteral("no tool here")));
    QString log;
    extractor.setLog(&log);
    QString text;
    QString error;
    QVERIFY2(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &error),
             qPrintable(error));
    QCOMPARE(text, QStringLiteral("Hello world\r\r\r\rEnd"));
    QVERIFY2(log.endsWith(QStringLiteral("Commencing processing...\nProcessing completed "
                                         "successfully.\n**********************************\n\n")),
             qPrintable(log));

    // A tool that fails leaves no file either; its errors fall back the same way.
    extractor.setToolFolder(fakeTool("echo 'Syntax Error: broken' >&2\nexit 1\n"));
    const QString password = DataDir + QStringLiteral("/password.pdf");
    QVERIFY(!extractor.extract(password, PdfTextExtractor::Engine::Tool, text, &error));
    QCOMPARE(error, QStringLiteral("Password required or invalid password"));
    QVERIFY(log.contains(QStringLiteral("Syntax Error: broken\n")));
}

void TstPdfTextExtractor::toolStartedDirectly() {
    // No shell: every argument arrives as one, quotes, blanks and $ intact.
    const QString folder = fakeTool("pwd > \"$4.cwd\"\n"
                                    "for a in \"$@\"; do echo \"[$a]\"; done > \"$4.args\"\n"
                                    "cp \"$4.args\" \"$4\"\n"
                                    "cp \"$4.args\" \"$4.cwd\" \"" +
                                    dir_.path().toUtf8() + "/\"\n");
    const QString pdf =
        writeFile(QStringLiteral("it's \"$HOME\" `x`.pdf"), TestPdf::makePdf({"x"}));
    PdfTextExtractor extractor;
    extractor.setToolFolder(folder);
    QString text;
    QString error;
    QVERIFY2(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &error),
             qPrintable(error));
    const QStringList arguments = text.split(QStringLiteral("\r\n"));
    QCOMPARE(arguments.size(), 5);
    QCOMPARE(arguments.mid(0, 3), QStringList({"[-enc]", "[UTF-8]", u'[' + pdf + u']'}));
    QVERIFY(QFileInfo(arguments[3].mid(1).chopped(1)).isAbsolute());
    QFile cwd(dir_.filePath(QStringLiteral("temp.txt.cwd")));
    QVERIFY(cwd.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(cwd.readAll()).trimmed(), folder);
}

void TstPdfTextExtractor::toolOutputInAnsiCodePage() {
    // Not UTF-8, so read again in the locale's code page (1252); every line,
    // the last too, ends with CR LF.
    const QString folder = fakeTool("printf 'caf\\351\\r\\nna\\357ve\\rend' > \"$4\"\n"
                                    "printf 'stdout line\\n'\nprintf 'stderr line\\n' >&2\n");
    const QString pdf = writeFile(QStringLiteral("ansi.pdf"), TestPdf::makePdf({"x"}));
    PdfTextExtractor extractor;
    extractor.setToolFolder(folder);
    QString log;
    extractor.setLog(&log);
    QString text;
    QString error;
    QVERIFY2(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &error),
             qPrintable(error));
    QCOMPARE(text, QStringLiteral("caf\u00e9\r\nna\u00efve\r\nend\r\n"));
    QVERIFY2(log.contains(QStringLiteral("Commencing processing...\nstdout line\nstderr line\n"
                                         "Processing completed successfully.\n")),
             qPrintable(log));
}

void TstPdfTextExtractor::toolRunTooLongFallsBack() {
    const QString folder = fakeTool("echo partial > \"$4\"\nexec sleep 60\n");
    const QString pdf = writeFile(QStringLiteral("slow.pdf"), TestPdf::makePdf({"Whole text"}));
    PdfTextExtractor extractor;
    extractor.setToolFolder(folder);
    extractor.setToolTimeLimit(std::chrono::milliseconds(300));
    QString log;
    extractor.setLog(&log);
    QString text;
    QString error;
    QVERIFY2(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, &error),
             qPrintable(error));
    QCOMPARE(text, QStringLiteral("Whole text"));
    QVERIFY(log.endsWith(QStringLiteral("Processing completed successfully.\n"
                                        "**********************************\n\n")));
}

void TstPdfTextExtractor::toolRunsWithoutAnEventLoop() {
    // Nothing of the caller's thread runs while the tool works: a timer due
    // meanwhile fires only afterwards.
    const QString folder = fakeTool("sleep 1\necho done > \"$4\"\n");
    const QString pdf = writeFile(QStringLiteral("blocked.pdf"), TestPdf::makePdf({"x"}));
    bool fired = false;
    QTimer::singleShot(100, [&] { fired = true; });
    PdfTextExtractor extractor;
    extractor.setToolFolder(folder);
    QString text;
    QVERIFY(extractor.extract(pdf, PdfTextExtractor::Engine::Tool, text, nullptr));
    QCOMPARE(text, QStringLiteral("done\r\n"));
    QVERIFY(!fired);
    QTRY_VERIFY(fired);
}

void TstPdfTextExtractor::cliReadsPdf_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("default") << QStringList();
    QTest::newRow("pdfium") << QStringList{"--pdf-engine", "pdfium"};
    QTest::newRow("xpdf") << QStringList{"--pdf-engine", "xpdf"};
}

void TstPdfTextExtractor::cliReadsPdf() {
    QFETCH(QStringList, options);
    const QString pdf = writeFile(QStringLiteral("cli/Report.PDF"),
                                  TestPdf::makePdf({"alpha beta", "", "beta gamma"}));
    const QString damaged = writeFile(QStringLiteral("cli/bad \"one\".pdf"), "%PDF-1.4\nbroken");
    const QString out = dir_.filePath(QStringLiteral("cli/out"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lexometer-analyze"),
                  options + QStringList{"--quiet", "--out", out, damaged, pdf});
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(err, QStringLiteral("lexometer-analyze: \"%1/cli/bad \\\"one\\\".pdf\": File is not "
                                 "a PDF document or is corrupted\n")
                      .arg(dir_.path()));
    QFile words(out + QStringLiteral("/Report_Word.csv"));
    QVERIFY(words.open(QIODevice::ReadOnly));
    QCOMPARE(words.readAll(),
             "\xEF\xBB\xBFWord,Occurrence,%\r\nalpha,1,25.00\r\nbeta,2,50.00\r\ngamma,1,25.00\r\n");
}

QTEST_GUILESS_MAIN(TstPdfTextExtractor)
#include "tst_pdftextextractor.moc"
