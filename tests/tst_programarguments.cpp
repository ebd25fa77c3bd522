#include "shell/programarguments.h"

#include <QDir>
#include <QtTest>

using ProgramArguments::Request;

class TestProgramArguments : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestProgramArguments::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Request>("request");
    QTest::addColumn<QStringList>("files"); // relative ones against the working folder
    QTest::addColumn<QString>("badOption");
    QTest::newRow("nothing") << QStringList{} << Request::Open << QStringList{} << "";
    QTest::newRow("files in order")
        << QStringList{"b.txt", "/data/a.pdf", "sub/../c.txt", ""} << Request::Open
        << QStringList{"b.txt", "/data/a.pdf", "c.txt"} << "";
    QTest::newRow("help after a file")
        << QStringList{"a.txt", "--help"} << Request::Help << QStringList{"a.txt"} << "";
    QTest::newRow("short help") << QStringList{"-h"} << Request::Help << QStringList{} << "";
    QTest::newRow("version") << QStringList{"--version"} << Request::Version << QStringList{} << "";
    // Before QApplication has taken its own options out.
    QTest::newRow("version after Qt's options")
        << QStringList{"-platform", "offscreen", "-v"} << Request::Version
        << QStringList{"offscreen"} << "-platform";
    QTest::newRow("unknown option") << QStringList{"a.txt", "--open", "-x"} << Request::BadOption
                                    << QStringList{"a.txt"} << "--open";
    QTest::newRow("files after --") << QStringList{"--", "--help", "-x.txt"} << Request::Open
                                    << QStringList{"--help", "-x.txt"} << "";
    QTest::newRow("lone dash is a name")
        << QStringList{"-"} << Request::Open << QStringList{"-"} << "";
}

void TestProgramArguments::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(Request, request);
    QFETCH(QStringList, files);
    QFETCH(QString, badOption);
    arguments.prepend(QStringLiteral("lexometer"));
    const ProgramArguments::Parsed parsed = ProgramArguments::parse(arguments);
    QCOMPARE(parsed.request, request);
    for (QString& file : files)
        file = QDir::current().absoluteFilePath(file);
    QCOMPARE(parsed.files, files);
    QCOMPARE(parsed.badOption, badOption);
}

QTEST_MAIN(TestProgramArguments)
#include "tst_programarguments.moc"
