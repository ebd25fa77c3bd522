#include "online/clientidentity.h"
#include "online/servicerequest.h"

#include "envguard.h"
#include "testservice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using ServiceRequest::Fields;
using Reply = TestService::Reply;

class TestServiceRequest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formEncoding_data();
    void formEncoding();
    void bodyArrivesIntact();
    void headers_data();
    void headers();
    void secureErrorPageIsTheAnswer();
    void plainErrorStatusFails();
    void secureFallsBackToPlain_data();
    void secureFallsBackToPlain();
    void capitalSchemeTakesSecurePath();
    void answerCharset_data();
    void answerCharset();
    void unknownCharsetIsASecureAnswer();
    void overlongAnswerFails_data();
    void overlongAnswerFails();
    void secureOnlyNeverGoesPlain_data();
    void secureOnlyNeverGoesPlain();
    void slowAnswerTimesOut();
    void drippingAnswerEndsAtTheTimeLimit_data();
    void drippingAnswerEndsAtTheTimeLimit();
    void closedPortFails();
    void hangUpFails();
    void stopAbortsTransfer();

    void machineId();
    void machineIdWithoutUsableFile_data();
    void machineIdWithoutUsableFile();
    void machineIdMalformedThrows();
    void describeOs_data();
    void describeOs();
    void describeOsFromFiles();
    void localeCode();

private:
    static QString url(const QString& scheme, const TestService& service) {
        return scheme + service.hostAndPort() + QStringLiteral("/php/check2.php");
    }

    std::optional<EnvGuard> caGuard_;
    std::optional<EnvGuard> hostGuard_;
};

void TestServiceRequest::initTestCase() {
    ServiceRequest::initialize();
    TestService probe;
    QVERIFY2(probe.isListening(), qPrintable(probe.errorString()));
}

void TestServiceRequest::init() {
    caGuard_.emplace("LEXOMETER_CA_FILE");
    hostGuard_.emplace("LEXOMETER_SERVICE_HOST");
    qputenv("LEXOMETER_CA_FILE", TestService::caFile().toLocal8Bit());
}

void TestServiceRequest::cleanup() {
    caGuard_.reset();
    hostGuard_.reset();
}

void TestServiceRequest::formEncoding_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("space and ampersand")
        << Fields{"feedback=a b&c"} << QByteArray("feedback=a+b%26c");
    QTest::newRow("pairs in order")
        << Fields{"appname=A - B", "version=4.0"} << QByteArray("appname=A+-+B&version=4.0");
    QTest::newRow("empty value keeps its name")
        << Fields{"guid=", "local=xx"} << QByteArray("guid=&local=xx");
    QTest::newRow("split at the first equals") << Fields{"a=b=c"} << QByteArray("a=b%3Dc");
    QTest::newRow("kept and escaped marks")
        << Fields{"v=*-._~+%/"} << QByteArray("v=*-._%7E%2B%25%2F");
    QTest::newRow("utf-8 bytes upper case") << Fields{QStringLiteral("n\u00e4me=\u00e9\u20ac")}
                                            << QByteArray("n%C3%A4me=%C3%A9%E2%82%AC");
    QTest::newRow("line without equals") << Fields{"flag"} << QByteArray("flag=");
    QTest::newRow("no fields") << Fields{} << QByteArray();
}

void TestServiceRequest::formEncoding() {
    QFETCH(Fields, fields);
    QFETCH(QByteArray, body);
    QCOMPARE(ServiceRequest::encodeForm(fields), body);
}

void TestServiceRequest::bodyArrivesIntact() {
    TestService service;
    const Fields fields{QStringLiteral("feedback=a b&c = 100% \u00fcber"), "guid="};
    const QString answer = ServiceRequest::postServiceForm(url("https://", service), fields, 5000);
    QCOMPARE(answer, QStringLiteral("OK"));
    const auto requests = service.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].body, QByteArray("feedback=a+b%26c+%3D+100%25+%C3%BCber&guid="));
    QCOMPARE(requests[0].header("content-length"), QByteArray::number(requests[0].body.size()));
}

void TestServiceRequest::headers_data() {
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QByteArray>("contentType");
    QTest::newRow("secure") << QStringLiteral("https://")
                            << QList<QByteArray>{"connection", "content-length", "content-type",
                                                 "host"}
                            << QByteArray("application/x-www-form-urlencoded; charset=utf-8");
    QTest::newRow("plain") << QStringLiteral("http://")
                           << QList<QByteArray>{"content-length", "content-type", "host"}
                           << QByteArray("application/x-www-form-urlencoded");
}

void TestServiceRequest::headers() {
    QFETCH(QString, scheme);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QByteArray, contentType);
    TestService service;
    ServiceRequest::postServiceForm(url(scheme, service), {"version=4.0"}, 5000);
    const auto requests = service.requests();
    QCOMPARE(requests.size(), 1);
    const TestService::Request& request = requests[0];
    QCOMPARE(request.secure, scheme == QStringLiteral("https://"));
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/php/check2.php"));
    QCOMPARE(request.version, QByteArray("HTTP/1.1"));
    QList<QByteArray> sent = request.headerNames();
    std::sort(sent.begin(), sent.end());
    QCOMPARE(sent, names);
    QCOMPARE(request.header("content-type"), contentType);
    QCOMPARE(request.header("host"), service.hostAndPort().toLatin1());
    if (request.secure) QCOMPARE(request.header("connection"), QByteArray("close"));
}

void TestServiceRequest::secureErrorPageIsTheAnswer() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 500, "text/html", "<h1>broken</h1>", 0});
    qputenv("LEXOMETER_SERVICE_HOST", service.hostAndPort().toLatin1());
    const auto result = ServiceRequest::callService(ServiceRequest::endpoint("/php/check2.php"),
                                                    {"version=4.0"}, 5000);
    QCOMPARE(result.answer, std::optional<QString>(QStringLiteral("<h1>broken</h1>")));
    QVERIFY(!result.secureFailed);
    QVERIFY(!result.plainFailed);
    QCOMPARE(service.requests().size(), 1);
}

void TestServiceRequest::plainErrorStatusFails() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 500, "text/html", "<h1>broken</h1>", 0});
    QVERIFY_THROWS_EXCEPTION(ServiceRequest::Error,
                             ServiceRequest::postServiceForm(url("http://", service), {}, 5000));
    // Both attempts failing leaves the caller without an answer.
    service.setCertificate(TestService::Certificate::OtherHost);
    const auto result = ServiceRequest::callService(service.hostAndPort() + "/x", {}, 5000);
    QVERIFY(!result.answer);
    QVERIFY(result.secureFailed);
    QVERIFY(result.plainFailed);
}

void TestServiceRequest::secureFallsBackToPlain_data() {
    QTest::addColumn<bool>("otherHost");
    QTest::addColumn<bool>("trustTestRoot");
    QTest::addColumn<bool>("secureFails");
    QTest::newRow("trusted root, right name") << false << true << false;
    QTest::newRow("unknown root") << false << false << true;
    QTest::newRow("certificate for another host") << true << true << true;
    QTest::newRow("another host, unknown root") << true << false << true;
}

void TestServiceRequest::secureFallsBackToPlain() {
    QFETCH(bool, otherHost);
    QFETCH(bool, trustTestRoot);
    QFETCH(bool, secureFails);
    TestService service;
    if (otherHost) service.setCertificate(TestService::Certificate::OtherHost);
    if (!trustTestRoot) qunsetenv("LEXOMETER_CA_FILE");
    service.setDefaultReply({Reply::Kind::Answer, 200, "text/plain", "answer", 0});
    const auto result = ServiceRequest::callService(service.hostAndPort() + "/php/check2.php",
                                                    {"version=4.0"}, 5000);
    QCOMPARE(result.answer, std::optional<QString>(QStringLiteral("answer")));
    QCOMPARE(result.secureFailed, secureFails);
    QVERIFY(!result.plainFailed);
    // A rejected certificate ends the secure attempt before any request.
    const auto requests = service.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].secure, !secureFails);
    QCOMPARE(requests[0].body, QByteArray("version=4.0"));
}

void TestServiceRequest::capitalSchemeTakesSecurePath() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 404, "text/plain", "missing", 0});
    const QString answer =
        ServiceRequest::postServiceForm(url("HTTPS://", service), {"version=4.0"}, 5000);
    QCOMPARE(answer, QStringLiteral("missing"));
    const auto requests = service.requests();
    QCOMPARE(requests.size(), 1);
    QVERIFY(requests[0].secure);
    QCOMPARE(requests[0].header("connection"), QByteArray("close"));
}

void TestServiceRequest::answerCharset_data() {
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("answer");
    const QString text = QStringLiteral("\u20ac caf\u00e9\r\n");
    QTest::newRow("no content type") << QByteArray() << text.toUtf8() << text;
    QTest::newRow("no charset") << QByteArray("text/plain") << text.toUtf8() << text;
    QTest::newRow("utf-8") << QByteArray("text/plain; charset=UTF-8") << text.toUtf8() << text;
    QTest::newRow("windows-1252") << QByteArray("text/html; charset=\"windows-1252\"")
                                  << QByteArray("\x80 caf\xe9\r\n") << text;
    QTest::newRow("iso-8859-1") << QByteArray("text/plain;charset=iso-8859-1")
                                << QByteArray("caf\xe9") << QStringLiteral("caf\u00e9");
    // Read as UTF-8, what is not UTF-8 replaced.
    QTest::newRow("unknown charset")
        << QByteArray("text/plain; charset=x-klingon") << QByteArray("OK caf\xc3\xa9 \xff")
        << QStringLiteral("OK caf\u00e9 \ufffd");
}

void TestServiceRequest::answerCharset() {
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, answer);
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 200, contentType, body, 0});
    QCOMPARE(ServiceRequest::postServiceForm(url("https://", service), {}, 5000), answer);
    QCOMPARE(ServiceRequest::postServiceForm(url("http://", service), {}, 5000), answer);
}

void TestServiceRequest::unknownCharsetIsASecureAnswer() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 200, "text/plain; charset=x-klingon", "OK", 0});
    const auto result =
        ServiceRequest::callService(service.hostAndPort() + "/php/feedback.php", {}, 5000);
    QCOMPARE(result.answer, std::optional<QString>(QStringLiteral("OK")));
    QVERIFY(!result.secureFailed);
    // No plain repeat of the request.
    QCOMPARE(service.requests().size(), 1);
}

void TestServiceRequest::overlongAnswerFails_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("two megabytes") << int(Reply::Kind::Answer) << QByteArray(2 << 20, 'x');
    QTest::newRow("endless") << int(Reply::Kind::Endless) << QByteArray("<version>9.9</version>\n");
}

void TestServiceRequest::overlongAnswerFails() {
    QFETCH(int, kind);
    QFETCH(QByteArray, body);
    TestService service;
    service.setDefaultReply({Reply::Kind(kind), 200, "text/plain", body, 0});
    for (const char* scheme : {"https://", "http://"}) {
        try {
            ServiceRequest::postServiceForm(url(QLatin1String(scheme), service), {}, 30000);
            QFAIL("an answer over the limit was taken");
        } catch (const ServiceRequest::Error& error) {
            QVERIFY2(QByteArray(error.what()).contains("longer than 1048576 bytes"), error.what());
        }
    }
    const auto result = ServiceRequest::callService(service.hostAndPort() + "/x", {}, 30000);
    QVERIFY(!result.answer);
    QVERIFY(result.secureFailed);
    QVERIFY(result.plainFailed);
}

void TestServiceRequest::secureOnlyNeverGoesPlain_data() {
    QTest::addColumn<bool>("otherHost");
    QTest::addColumn<bool>("trustTestRoot");
    QTest::newRow("certificate for another host") << true << true;
    QTest::newRow("unknown root") << false << false;
}

void TestServiceRequest::secureOnlyNeverGoesPlain() {
    QFETCH(bool, otherHost);
    QFETCH(bool, trustTestRoot);
    TestService service;
    if (otherHost) service.setCertificate(TestService::Certificate::OtherHost);
    if (!trustTestRoot) qunsetenv("LEXOMETER_CA_FILE");
    const auto result = ServiceRequest::callSecureService(
        service.hostAndPort() + "/php/feedback.php", {"feedback=private"}, 5000);
    QVERIFY(!result.answer);
    QVERIFY(result.secureFailed);
    QVERIFY(!result.plainFailed);
    // The handshake failed before any request; nothing went in clear.
    QVERIFY(service.requests().isEmpty());

    // With a verified certificate the answer comes.
    service.setCertificate(TestService::Certificate::Localhost);
    qputenv("LEXOMETER_CA_FILE", TestService::caFile().toLocal8Bit());
    const auto verified = ServiceRequest::callSecureService(
        service.hostAndPort() + "/php/feedback.php", {"feedback=private"}, 5000);
    QCOMPARE(verified.answer, std::optional<QString>(QStringLiteral("OK")));
    QCOMPARE(service.requests().size(), 1);
    QVERIFY(service.requests()[0].secure);
}

void TestServiceRequest::slowAnswerTimesOut() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Answer, 200, "text/plain", "late", 20000});
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(ServiceRequest::Error,
                             ServiceRequest::postServiceForm(url("https://", service), {}, 500));
    // The answer may take twice the connection's time-out, and no longer.
    // libcurl rounds its own clock, which may end the wait a millisecond or
    // so before this one has counted the second: well past the connection's
    // time-out is what shows the answer's own.
    QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
}

void TestServiceRequest::drippingAnswerEndsAtTheTimeLimit_data() {
    QTest::addColumn<QString>("scheme");
    QTest::newRow("secure") << "https://";
    QTest::newRow("plain") << "http://";
}

void TestServiceRequest::drippingAnswerEndsAtTheTimeLimit() {
    QFETCH(QString, scheme);
    TestService service;
    // A byte at a time stays far below the size limit: only time ends it.
    service.setDefaultReply({Reply::Kind::Drip, 200, "text/plain", "x", 20});
    try {
        ServiceRequest::postServiceForm(url(scheme, service), {}, 500);
        QFAIL("a dripping answer was taken");
    } catch (const ServiceRequest::Error& error) {
        QVERIFY2(QByteArray(error.what()).contains("timed out"), error.what());
    }
}

void TestServiceRequest::closedPortFails() {
    QTcpServer reserve;
    QVERIFY(reserve.listen(QHostAddress::LocalHost));
    const QString endpoint = QStringLiteral("127.0.0.1:%1/x").arg(reserve.serverPort());
    reserve.close();
    const auto result = ServiceRequest::callService(endpoint, {"version=4.0"}, 2000);
    QVERIFY(!result.answer);
    QVERIFY(result.secureFailed);
    QVERIFY(result.plainFailed);
}

void TestServiceRequest::hangUpFails() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Close, 200, {}, {}, 0});
    QVERIFY_THROWS_EXCEPTION(ServiceRequest::Error,
                             ServiceRequest::postServiceForm(url("https://", service), {}, 5000));
    QVERIFY_THROWS_EXCEPTION(ServiceRequest::Error,
                             ServiceRequest::postServiceForm(url("http://", service), {}, 5000));
    QCOMPARE(service.requests().size(), 2);
}

void TestServiceRequest::stopAbortsTransfer() {
    TestService service;
    service.setDefaultReply({Reply::Kind::Silent, 200, {}, {}, 0});
    std::atomic<bool> stop = false;
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    QElapsedTimer clock;
    clock.start();
    const auto result = ServiceRequest::callService(service.hostAndPort() + "/x", {}, 60000, &stop);
    stopper.join();
    QVERIFY(!result.answer);
    QVERIFY(result.secureFailed);
    QVERIFY(result.plainFailed);
    // Stopped, not timed out: the stop came well before the time-out.
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(service.requests().size(), 1);
}

namespace {

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& content) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return {};
    return path;
}

} // namespace

void TestServiceRequest::machineId() {
    QTemporaryDir folder;
    // The value systemd-id128 gives for this machine id with our application id.
    const QString path = writeFile(folder, "machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    QCOMPARE(ClientIdentity::machineId(path),
             QStringLiteral("5d9219c0-bb40-4de8-9b31-cf6a739b3aa6"));
    const QString upper = writeFile(folder, "upper", "3D1219C7C4C5404AAA1F6D2A48ADFDA4");
    QCOMPARE(ClientIdentity::machineId(upper),
             QStringLiteral("5d9219c0-bb40-4de8-9b31-cf6a739b3aa6"));
}

void TestServiceRequest::machineIdWithoutUsableFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("uninitialized") << QByteArray("uninitialized\n") << true;
}

void TestServiceRequest::machineIdWithoutUsableFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QTemporaryDir folder;
    const QString path =
        create ? writeFile(folder, "machine-id", content) : folder.filePath("machine-id");
    QVERIFY(!path.isEmpty());
    QCOMPARE(ClientIdentity::machineId(path), QString());
}

void TestServiceRequest::machineIdMalformedThrows() {
    QTemporaryDir folder;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, ClientIdentity::machineId(writeFile(
                                                     folder, "short", "3d1219c7c4c5404a\n")));
    QVERIFY_THROWS_EXCEPTION(
        std::runtime_error,
        ClientIdentity::machineId(writeFile(folder, "nothex", "3d1219c7c4c5404aaa1f6d2a48adfdzz")));
    // A folder in place of the file cannot be read.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, ClientIdentity::machineId(folder.path()));
}

void TestServiceRequest::describeOs_data() {
    QTest::addColumn<QString>("prettyName");
    QTest::addColumn<QString>("release");
    QTest::addColumn<bool>("is64Bit");
    QTest::addColumn<QString>("description");
    QTest::newRow("debian") << "Debian GNU/Linux 12 (bookworm)"
                            << "6.1.0-18-amd64" << true
                            << "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 6.1.0-18-amd64, "
                               "64-bit Edition)";
    QTest::newRow("32-bit") << "Debian GNU/Linux 12 (bookworm)"
                            << "6.1.0-18-686" << false
                            << "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 6.1.0-18-686, "
                               "32-bit Edition)";
    QTest::newRow("two-digit minor") << "Arch Linux"
                                     << "6.18.44-fc-v1523" << true
                                     << "Arch Linux (Version 6.18, Build 6.18.44-fc-v1523, "
                                        "64-bit Edition)";
    QTest::newRow("no name") << ""
                             << "5.10.0" << true
                             << "Linux (Version 5.10, Build 5.10.0, 64-bit Edition)";
}

void TestServiceRequest::describeOs() {
    QFETCH(QString, prettyName);
    QFETCH(QString, release);
    QFETCH(bool, is64Bit);
    QFETCH(QString, description);
    QCOMPARE(ClientIdentity::describeOs(prettyName, release, is64Bit), description);
}

void TestServiceRequest::describeOsFromFiles() {
    QTemporaryDir folder;
    const QString osRelease = writeFile(
        folder, "os-release",
        "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n");
    const QString fallback = writeFile(folder, "fallback", "PRETTY_NAME='Fallback OS 1'\n");
    const QString missing = folder.filePath("missing");
    QVERIFY(ClientIdentity::describeOs(osRelease, missing)
                .startsWith(QStringLiteral("Debian GNU/Linux 12 (bookworm) (Version ")));
    QVERIFY(ClientIdentity::describeOs(missing, fallback)
                .startsWith(QStringLiteral("Fallback OS 1 (Version ")));
    const QString description = ClientIdentity::describeOs(osRelease, missing);
    QVERIFY2(description.contains(QRegularExpression(QStringLiteral(
                 "^.+ \\(Version \\d+\\.\\d+, Build \\S+, (64|32)-bit Edition\\)$"))),
             qPrintable(description));
}

void TestServiceRequest::localeCode() {
    const QString code = ClientIdentity::localeCode();
    QVERIFY2(code == QStringLiteral("xx") ||
                 code.contains(QRegularExpression(QStringLiteral("^[a-z]{2,3}(-[A-Za-z0-9]+)+$"))),
             qPrintable(code));
    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    QCOMPARE(ClientIdentity::localeCode(), code); // the system's, not the program's default
    QLocale::setDefault(saved);
}

QTEST_GUILESS_MAIN(TestServiceRequest)
#include "tst_servicerequest.moc"
