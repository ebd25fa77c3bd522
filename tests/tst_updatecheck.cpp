#include "envguard.h"
#include "online/ui/updatecontroller.h"
#include "online/ui/updatenotice.h"
#include "online/updatecheck.h"
#include "online/updatestore.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <memory>
#include <new>
#include <stdexcept>

#include <unistd.h>

namespace {

const QString AppVersion = QStringLiteral("4.0");
const QDate Today(2026, 12, 10);

// Answers each request with the next scripted result; records the requests.
struct ScriptedService {
    std::deque<ServiceRequest::Result> results;
    QList<ServiceRequest::Fields> requests;
    QStringList endpoints;
    QList<int> timeouts;
    bool stopGiven = true;
};

ServiceRequest::Result answered(const QString& text) {
    ServiceRequest::Result result;
    result.answer = text;
    return result;
}

QString answer(const QString& version, const QString& url = QStringLiteral("https://d.example/"),
               const QString& eol = QStringLiteral("\r\n")) {
    return QStringLiteral("<version>%1</version>").arg(version) + eol +
           QStringLiteral("<url>%1</url>").arg(url) + eol + QStringLiteral("<news></news>") + eol +
           QStringLiteral("<result>1</result>") + eol;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

Q_DECLARE_METATYPE(ServiceRequest::Result)

class TestUpdateCheck : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::shared_ptr<ScriptedService> service_;
    std::function<QString()> machineId_;

    QString storePath() const { return dir_->filePath(QStringLiteral("update.ini")); }

    UpdateCheck::Inputs inputs(const QLocale& locale = QLocale::c()) {
        UpdateCheck::Inputs in;
        in.appTitle = QStringLiteral("BRELLIX - Lexometer");
        in.appVersion = AppVersion;
        in.describeOs = [] { return QStringLiteral("Debian GNU/Linux 12"); };
        in.localeCode = [] { return QStringLiteral("en-US"); };
        in.machineId = machineId_;
        in.storePath = storePath();
        in.dateLocale = locale;
        in.today = [] { return Today; };
        auto service = service_;
        in.callService = [service](const QString& endpoint, const ServiceRequest::Fields& fields,
                                   int timeoutMs, const std::atomic<bool>* stop) {
            service->requests << fields;
            service->endpoints << endpoint;
            service->timeouts << timeoutMs;
            service->stopGiven = service->stopGiven && stop;
            if (service->results.empty()) return ServiceRequest::Result{{}, true, true};
            ServiceRequest::Result result = service->results.front();
            service->results.pop_front();
            return result;
        };
        return in;
    }

    // One run of the check with the store as the test left it.
    UpdateCheck::Result run(const QLocale& locale = QLocale::c()) {
        UpdateCheck check(inputs(locale));
        check.checkNow();
        return check.result();
    }

    UpdateStore store() {
        UpdateStore store;
        store.open(storePath());
        return store;
    }

    QString today() const { return UpdateStore::shortDate(Today, QLocale::c()); }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        service_ = std::make_shared<ScriptedService>();
        machineId_ = [] { return QStringLiteral("0b7c-guid"); };
    }

    void storeReadsDefaultsForMissingAndUnreadableValues_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("url");
        QTest::newRow("no file") << QByteArray() << 1 << 0 << QString();
        QTest::newRow("values") << QByteArray("[settings]\nshowupdate=0\nLastUpdateCheckCount=4\n"
                                              "CurrentURL=aHR0cHM6Ly94Lw==\n")
                                << 0 << 4 << QStringLiteral("https://x/");
        QTest::newRow("not numbers, not base64")
            << QByteArray("[Settings]\nShowUpdate=yes\nLastUpdateCheckCount=4x\nCurrentURL=h:/x\n")
            << 1 << 0 << QString();
        QTest::newRow("base64 of bytes that are not UTF-8")
            << QByteArray("[Settings]\r\nCurrentURL=/w==\r\n") << 1 << 0 << QString();
        QTest::newRow("another section")
            << QByteArray("[Other]\nShowUpdate=0\n") << 1 << 0 << QString();
    }
    void storeReadsDefaultsForMissingAndUnreadableValues() {
        QFETCH(QByteArray, contents);
        const QString path = dir_->filePath(QStringLiteral("BRELLIX/Lexometer/update.ini"));
        if (!contents.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            writeFile(path, contents);
        }
        UpdateStore store;
        QVERIFY(store.open(path));
        QVERIFY(QFile::exists(path));
        QTEST(store.showUpdate(), "showUpdate");
        QTEST(store.lastUpdateCheckCount(), "count");
        QTEST(store.currentUrl(), "url");
        QCOMPARE(store.lastUpdateCheck(), QString());
        QCOMPARE(store.currentVersion(), QString());
    }

    void storeKeepsTheAddressEncodedAndReplacesTheFileWhole() {
        UpdateStore first;
        QVERIFY(first.open(storePath()));
        QVERIFY(first.setShowUpdate(0));
        // A second name for the old file keeps the old contents when the
        // new file replaces it rather than being written over it.
        const QString older = dir_->filePath(QStringLiteral("older.ini"));
        QCOMPARE(::link(QFile::encodeName(storePath()).constData(),
                        QFile::encodeName(older).constData()),
                 0);
        const QByteArray before = readFile(older);
        const QString url = QStringLiteral("https://d.example/ä?a=b&c");
        QVERIFY(first.setCurrentUrl(url));
        QVERIFY(first.setLastUpdateCheck(QStringLiteral("12/10/26"), 2));
        QCOMPARE(readFile(older), before);

        const QByteArray text = readFile(storePath());
        QVERIFY(text.contains("CurrentURL=" + url.toUtf8().toBase64() + "\n"));
        QVERIFY(!text.contains("d.example"));
        const UpdateStore second = store();
        QCOMPARE(second.currentUrl(), url);
        QCOMPARE(second.showUpdate(), 0);
        QCOMPARE(second.lastUpdateCheck(), QStringLiteral("12/10/26"));
        QCOMPARE(second.lastUpdateCheckCount(), 2);
    }

    void defaultPathIsThePerUserFolder() {
        qputenv("XDG_CONFIG_HOME", dir_->path().toUtf8());
        QCOMPARE(UpdateStore::defaultPath(QStringLiteral("BRELLIX"), QStringLiteral("Lexometer")),
                 dir_->path() + QStringLiteral("/BRELLIX/Lexometer/update.ini"));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void programInputsNameTheProgramAndItsStore() {
        qputenv("XDG_CONFIG_HOME", dir_->path().toUtf8());
        const UpdateCheck::Inputs in = UpdateCheck::programInputs(
            QStringLiteral("BRELLIX"), QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(in.appTitle, QStringLiteral("BRELLIX - Lexometer"));
        QCOMPARE(in.appVersion, QStringLiteral("4.0"));
        QCOMPARE(in.storePath, dir_->path() + QStringLiteral("/BRELLIX/Lexometer/update.ini"));
        QVERIFY(in.describeOs && in.localeCode && in.machineId);
        QVERIFY(!in.callService); // the real service, filled in by the check
    }

    void requestCarriesTheIdentity() {
        service_->results.push_back(answered(answer(QStringLiteral("4.1"))));
        run();
        QCOMPARE(service_->requests.size(), 1);
        QCOMPARE(service_->requests[0],
                 (QStringList{"cmd=check", "appname=BRELLIX - Lexometer", "version=4.0",
                              "os=Debian GNU/Linux 12", "local=en-US", "guid=0b7c-guid"}));
        QVERIFY(service_->endpoints[0].endsWith(QLatin1String("/php/check2.php")));
        QVERIFY(!service_->endpoints[0].contains(QLatin1String("://")));
        QCOMPARE(service_->timeouts[0], 10000);
        QVERIFY(service_->stopGiven);
    }

    void runsOfOneDay_data() {
        QTest::addColumn<bool>("sameDay");
        QTest::addColumn<int>("storedCount");
        QTest::addColumn<bool>("requested");
        QTest::addColumn<bool>("noticeDue");
        QTest::addColumn<int>("countAfter");
        QTest::newRow("first run ever") << false << 0 << true << true << 1;
        QTest::newRow("new day after five runs") << false << 5 << true << true << 1;
        QTest::newRow("second") << true << 1 << true << true << 2;
        QTest::newRow("third") << true << 2 << true << true << 3;
        QTest::newRow("fourth") << true << 3 << true << false << 4;
        QTest::newRow("fifth") << true << 4 << true << false << 5;
        QTest::newRow("sixth") << true << 5 << false << false << 5;
        QTest::newRow("later") << true << 9 << false << false << 9;
    }
    void runsOfOneDay() {
        QFETCH(bool, sameDay);
        QFETCH(int, storedCount);
        QFETCH(int, countAfter);
        if (sameDay || storedCount > 0) {
            UpdateStore setUp = store();
            setUp.setLastUpdateCheck(sameDay ? today() : QStringLiteral("12/9/26"), storedCount);
        }
        service_->results.push_back(answered(answer(QStringLiteral("4.1"))));
        const UpdateCheck::Result result = run();
        QTEST(service_->requests.size() == 1, "requested");
        QTEST(result.noticeDue, "noticeDue");
        QCOMPARE(store().lastUpdateCheck(), today());
        QCOMPARE(store().lastUpdateCheckCount(), countAfter);
    }

    void noticeOffMakesNoRequest() {
        store().setShowUpdate(0);
        service_->results.push_back(answered(answer(QStringLiteral("4.1"))));
        const UpdateCheck::Result result = run();
        QVERIFY(service_->requests.isEmpty());
        QCOMPARE(result.showUpdate, 0);
        QVERIFY(!result.noticeDue);
        QCOMPARE(store().lastUpdateCheck(), QString());
    }

    void aChangedDateFormatCountsAsANewDay() {
        UpdateStore setUp = store();
        const QLocale german(QLocale::German, QLocale::Germany);
        setUp.setLastUpdateCheck(UpdateStore::shortDate(Today, german), 5);
        service_->results.push_back(answered(answer(QStringLiteral("4.1"))));
        const UpdateCheck::Result result = run(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(service_->requests.size(), 1);
        QVERIFY(result.noticeDue);
        QCOMPARE(store().lastUpdateCheckCount(), 1);
        QCOMPARE(store().lastUpdateCheck(),
                 UpdateStore::shortDate(Today, QLocale(QLocale::English, QLocale::UnitedStates)));
    }

    void versions_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("noticeDue");
        QTest::newRow("equal") << "4.0" << false;
        QTest::newRow("higher") << "4.1" << true;
        // Only a newer version is announced, compared part by part.
        QTest::newRow("lower") << "3.9" << false;
        QTest::newRow("lower, longer") << "3.10.2" << false;
        QTest::newRow("equal, written longer") << "4.0.0" << false;
        QTest::newRow("equal, leading zero") << "04.0" << false;
        QTest::newRow("a third part") << "4.0.1" << true;
        QTest::newRow("same number, other text") << "40" << true;
        QTest::newRow("signed") << "+4.2" << true;
        QTest::newRow("letters") << "2.1 beta" << false;
        QTest::newRow("inner space") << "2. 1" << false;
        QTest::newRow("digits of another script") << QStringLiteral("\u0664.\u0661") << false;
        QTest::newRow("leading space") << " 4.1" << false;
        QTest::newRow("beyond 32 bits") << "2147.483648" << false;
        QTest::newRow("32-bit limit") << "2147.483647" << true;
        QTest::newRow("sign only") << "-." << false;
        QTest::newRow("empty") << "" << false;
    }
    void versions() {
        QFETCH(QString, version);
        service_->results.push_back(answered(answer(version)));
        const UpdateCheck::Result result = run();
        QTEST(result.noticeDue, "noticeDue");
        QCOMPARE(result.newVersion, version);
        QCOMPARE(result.downloadAddress, QStringLiteral("https://d.example/"));
        QCOMPARE(store().currentVersion(), version);
        QCOMPARE(store().currentUrl(), QStringLiteral("https://d.example/"));
    }

    void answersThatChangeNothing_data() {
        QTest::addColumn<ServiceRequest::Result>("reply");
        const QString good = answer(QStringLiteral("4.1"));
        QTest::newRow("ERROR") << answered(QStringLiteral("ERROR\r\n") + good);
        QTest::newRow("three lines")
            << answered(QStringLiteral("<version>4.1</version>\n<url>u</url>\n<a></a>\n"));
        QTest::newRow("result 2") << answered(QString(good).replace(">1<", ">2<"));
        QTest::newRow("result empty") << answered(QString(good).replace(">1<", "><"));
        QTest::newRow("result with a blank")
            << answered(QString(good).replace("<result>1", "<result> 1"));
        QTest::newRow("result tag in other case")
            << answered(QString(good).replace("result>", "Result>"));
        QTest::newRow("no answer") << ServiceRequest::Result{{}, true, true};
        // No version or address is so long; the store must not grow with one.
        QTest::newRow("version too long") << answered(answer(QString(65, u'1')));
        QTest::newRow("address too long")
            << answered(answer("4.1", "https://d.example/" + QString(2031, u'a')));
        ServiceRequest::Result secure = answered(good);
        secure.secureFailed = true;
        secure.plainFailed = true;
        QTest::newRow("plain attempt failed") << secure;
    }
    void answersThatChangeNothing() {
        QFETCH(ServiceRequest::Result, reply);
        {
            UpdateStore setUp = store();
            setUp.setCurrentVersion(QStringLiteral("3.0"));
            setUp.setCurrentUrl(QStringLiteral("https://old.example/"), true);
        }
        service_->results.push_back(reply);
        const UpdateCheck::Result result = run();
        QCOMPARE(service_->requests.size(), 1);
        QVERIFY(!result.noticeDue);
        QVERIFY(result.failed);
        QCOMPARE(result.downloadAddress, QStringLiteral("https://old.example/"));
        QCOMPARE(store().currentVersion(), QStringLiteral("3.0"));
        QCOMPARE(store().currentUrl(), QStringLiteral("https://old.example/"));
        QCOMPARE(store().lastUpdateCheckCount(), 1);
    }

    void answerLinesAndTags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("noticeDue");
        QTest::newRow("CR LF") << answer("4.1", "https://d/", "\r\n") << "4.1"
                               << "https://d/" << true;
        QTest::newRow("LF") << answer("4.1", "https://d/", "\n") << "4.1"
                            << "https://d/" << true;
        QTest::newRow("CR") << answer("4.1", "https://d/", "\r") << "4.1"
                            << "https://d/" << true;
        QTest::newRow("empty url") << answer("4.1", "") << "4.1"
                                   << "" << true;
        QTest::newRow("url not in tag form")
            << QStringLiteral("<version>4.1</version>\nhttps://d/\n\n<result>0</result>") << "4.1"
            << "" << true;
        QTest::newRow("url line with a trailing blank")
            << QStringLiteral(
                   "<version>4.1</version>\n<url>https://d/</url> \n\n<result>0</result>")
            << "4.1"
            << "" << true;
        QTest::newRow("version in capitals")
            << QStringLiteral("<VERSION>4.1</VERSION>\n<url>u</url>\n\n<result>0</result>") << ""
            << "u" << false;
        QTest::newRow("result on line 3")
            << QStringLiteral("<version>4.1</version>\n<url>u</url>\n<result>1</result>\n\n")
            << "3.0"
            << "https://old.example/" << false;
    }
    void answerLinesAndTags() {
        QFETCH(QString, text);
        {
            UpdateStore setUp = store();
            setUp.setCurrentVersion(QStringLiteral("3.0"));
            setUp.setCurrentUrl(QStringLiteral("https://old.example/"), true);
        }
        service_->results.push_back(answered(text));
        const UpdateCheck::Result result = run();
        QTEST(result.noticeDue, "noticeDue");
        QTEST(store().currentVersion(), "version");
        QTEST(store().currentUrl(), "url");
        QTEST(result.downloadAddress, "url");
    }

    // A plain answer may be forged on the way: its address counts only when
    // it leads to the service's own host.
    void plainAnswerAddress_data() {
        QTest::addColumn<bool>("secureFailed");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("kept");
        QTest::newRow("secure, another host") << false << "https://d.example/"
                                              << "https://d.example/";
        QTest::newRow("plain, another host") << true << "https://d.example/"
                                             << "";
        QTest::newRow("plain, the service's host") << true << "http://WWW.brellix.com/download"
                                                   << "http://WWW.brellix.com/download";
        QTest::newRow("plain, a look-alike host") << true << "https://www.brellix.com.evil.example/"
                                                  << "";
        // Read by a browser as a path on another host.
        QTest::newRow("plain, a backslash before the service's host")
            << true << "http://evil.example\\@www.brellix.com/"
            << "";
    }
    void plainAnswerAddress() {
        QFETCH(bool, secureFailed);
        QFETCH(QString, url);
        QFETCH(QString, kept);
        EnvGuard hostGuard("LEXOMETER_SERVICE_HOST");
        qunsetenv("LEXOMETER_SERVICE_HOST");
        ServiceRequest::Result reply = answered(answer(QStringLiteral("4.1"), url));
        reply.secureFailed = secureFailed;
        service_->results.push_back(reply);
        const UpdateCheck::Result result = run();
        QVERIFY(result.noticeDue);
        QCOMPARE(result.downloadAddress, kept);
        QCOMPARE(store().currentUrl(), kept);

        // A later run that makes no request reads the same address back.
        store().setShowUpdate(0);
        const UpdateCheck::Result later = run();
        QCOMPARE(later.downloadAddress, kept);
    }

    // What the store holds counts only when a verified answer left it there
    // or it leads to the service's host: an earlier version stored any
    // address, plain or forged, without a word on where it came from.
    void storedAddressOfUnknownOrigin_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("taken");
        QTest::newRow("earlier version, another host") << "https://evil.example/"
                                                       << "earlier"
                                                       << "";
        QTest::newRow("earlier version, the service's host") << "https://www.brellix.com/download"
                                                             << "earlier"
                                                             << "https://www.brellix.com/download";
        QTest::newRow("verified answer, another host") << "https://d.example/"
                                                       << "verified"
                                                       << "https://d.example/";
        QTest::newRow("verified, then replaced by an earlier version") << "https://evil.example/"
                                                                       << "replaced"
                                                                       << "";
        QTest::newRow("plain answer, another host") << "https://evil.example/"
                                                    << "plain"
                                                    << "";
    }
    void storedAddressOfUnknownOrigin() {
        QFETCH(QString, url);
        QFETCH(QString, writer);
        EnvGuard hostGuard("LEXOMETER_SERVICE_HOST");
        qunsetenv("LEXOMETER_SERVICE_HOST");
        {
            UpdateStore setUp = store();
            setUp.setShowUpdate(0); // no request: the stored address is all there is
            if (writer == u"earlier") {
                setUp.setValues({{"CurrentURL", UpdateStore::encodeText(url)}});
            } else if (writer == u"replaced") {
                setUp.setCurrentUrl(QStringLiteral("https://d.example/"), true);
                setUp.setValues({{"CurrentURL", UpdateStore::encodeText(url)}});
            } else {
                setUp.setCurrentUrl(url, writer == u"verified");
            }
        }
        const UpdateCheck::Result result = run();
        QVERIFY(service_->requests.isEmpty());
        QTEST(result.downloadAddress, "taken");
        QCOMPARE(store().currentUrl(), url); // read as it is, never rewritten
    }

    // An earlier version wrote whatever version line came; such a file must
    // not cost every start-up its size, and its other values still count.
    void anOverlongStoreLosesItsOverlongLines_data() {
        QTest::addColumn<QByteArray>("junk");
        QTest::newRow("a version line of 8 MB")
            << QByteArray("CurrentVersion=") + QByteArray(8 << 20, '9') + "\r\n";
        QTest::newRow("an overlong line at the end")
            << QByteArray("CurrentVersion=") + QByteArray(UpdateStore::MaxLineBytes, '9');
        QByteArray lines;
        while (lines.size() <= UpdateStore::MaxFileBytes)
            lines += "Junk=1\n";
        QTest::newRow("more lines than a store holds") << lines;
    }
    void anOverlongStoreLosesItsOverlongLines() {
        QFETCH(QByteArray, junk);
        const QByteArray url =
            UpdateStore::encodeText(QStringLiteral("https://d.example/")).toLatin1();
        writeFile(storePath(), "[Settings]\r\nShowUpdate=0\r\nLastUpdateCheckCount=3\r\n"
                               "CurrentURL=" +
                                   url + "\r\n" + junk);
        {
            UpdateStore opened;
            QVERIFY(opened.open(storePath()));
            QCOMPARE(opened.showUpdate(), 0);
            QCOMPARE(opened.lastUpdateCheckCount(), 3);
            QCOMPARE(opened.currentUrl(), QStringLiteral("https://d.example/"));
            QVERIFY(opened.currentVersion().size() < UpdateStore::MaxLineBytes);
        }
        // Written back without them at once.
        QVERIFY2(QFileInfo(storePath()).size() <= UpdateStore::MaxFileBytes,
                 qPrintable(QString::number(QFileInfo(storePath()).size())));
        QCOMPARE(store().lastUpdateCheckCount(), 3);

        // A store of ordinary size is read whole and left as it was.
        QVERIFY(QFile::remove(storePath()));
        UpdateStore ordinary = store();
        QVERIFY(ordinary.setCurrentVersion(QString(UpdateCheck::MaxVersionLength, u'9')));
        QVERIFY(ordinary.setCurrentUrl(QString(UpdateCheck::MaxAddressLength, u'\u00e4'), true));
        const QByteArray before = readFile(storePath());
        const UpdateStore reopened = store();
        QCOMPARE(reopened.currentVersion(), QString(UpdateCheck::MaxVersionLength, u'9'));
        QVERIFY(reopened.currentUrlVerified());
        QCOMPARE(readFile(storePath()), before);
    }

    // Even running out of memory in the request is a failed check that
    // finishes, on the worker thread as on any other.
    void aThrowingRequestIsAFailedCheck() {
        UpdateCheck::Inputs in = inputs();
        in.callService = [](const QString&, const ServiceRequest::Fields&, int,
                            const std::atomic<bool>*) -> ServiceRequest::Result {
            throw std::bad_alloc();
        };
        UpdateCheck check(std::move(in));
        check.start();
        QTRY_VERIFY(check.finished());
        QVERIFY(check.result().failed);
        QVERIFY(!check.result().noticeDue);
        QCOMPARE(store().lastUpdateCheckCount(), 1);
    }

    void newerVersion_data() {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("newer");
        QTest::newRow("4.10 after 4.9") << "4.10"
                                        << "4.9" << true;
        QTest::newRow("4.9 before 4.10") << "4.9"
                                         << "4.10" << false;
        QTest::newRow("5 after 4.99") << "5"
                                      << "4.99" << true;
        QTest::newRow("equal") << "4.0"
                               << "4.0" << false;
        QTest::newRow("negative") << "-5.0"
                                  << "4.0" << false;
    }
    void newerVersion() {
        QFETCH(QString, offered);
        QFETCH(QString, running);
        QTEST(UpdateCheck::isNewerVersion(offered, running), "newer");
    }

    void errorState_data() {
        QTest::addColumn<bool>("machineIdFails");
        QTest::addColumn<bool>("secureFailed");
        QTest::addColumn<bool>("plainFailed");
        QTest::addColumn<bool>("noticeDue");
        QTest::newRow("secure answer") << false << false << false << true;
        QTest::newRow("plain answer after secure failure") << false << true << false << true;
        QTest::newRow("no machine id, secure answer") << true << false << false << false;
        QTest::newRow("no machine id, plain answer clears it") << true << true << false << true;
        QTest::newRow("both failed") << false << true << true << false;
    }
    void errorState() {
        QFETCH(bool, machineIdFails);
        QFETCH(bool, secureFailed);
        QFETCH(bool, plainFailed);
        if (machineIdFails)
            machineId_ = []() -> QString { throw std::runtime_error("cannot read machine-id"); };
        ServiceRequest::Result reply;
        if (!plainFailed) reply.answer = answer(QStringLiteral("4.1"));
        reply.secureFailed = secureFailed;
        reply.plainFailed = plainFailed;
        service_->results.push_back(reply);
        const UpdateCheck::Result result = run();
        QTEST(result.noticeDue, "noticeDue");
        QCOMPARE(result.failed, !result.noticeDue);
        QCOMPARE(service_->requests.size(), 1);
        QCOMPARE(service_->requests[0].last(),
                 machineIdFails ? QStringLiteral("guid=") : QStringLiteral("guid=0b7c-guid"));
    }

    void anUnopenableStoreIsAnErrorButTheCheckFinishes() {
        QVERIFY(QDir().mkpath(storePath())); // a folder where the file should be
        service_->results.push_back(answered(answer(QStringLiteral("4.1"))));
        UpdateCheck check(inputs());
        check.checkNow();
        QVERIFY(check.finished());
        QVERIFY(!check.result().noticeDue);
        QVERIFY(check.result().failed);
    }

    void closingAbortsAWaitingCheck() {
        auto check = std::make_unique<UpdateCheck>([&] {
            UpdateCheck::Inputs in = inputs();
            in.callService = [](const QString&, const ServiceRequest::Fields&, int,
                                const std::atomic<bool>* stop) {
                while (!stop->load())
                    QThread::msleep(5);
                return ServiceRequest::Result{{}, true, true};
            };
            return in;
        }());
        check->start();
        QVERIFY(check->started());
        QTest::qWait(20);
        QVERIFY(!check->finished());
        check.reset(); // returns only once the worker has given up
    }

    void controllerWithNoticesOff() {
        store().setShowUpdate(0);
        QWidget mainWindow;
        QTimer timer;
        timer.setInterval(10);
        timer.start();
        QAction action;
        action.setCheckable(true);
        action.setChecked(true);
        action.setEnabled(false);
        auto* controller = new UpdateController(&timer, &action, inputs(),
                                                QStringLiteral("Lexometer"), &mainWindow);
        QTRY_VERIFY(action.isEnabled());
        QVERIFY(!action.isChecked());
        QVERIFY(!timer.isActive());
        QVERIFY(service_->requests.isEmpty());
        QVERIFY(!controller->notice());

        action.trigger();
        QVERIFY(action.isChecked());
        QCOMPARE(store().showUpdate(), 1);
    }

    void controllerOpensTheNoticeWhenDue() {
        service_->results.push_back(answered(answer(QStringLiteral("4.1"), "https://d/get")));
        QWidget mainWindow;
        QTimer timer;
        timer.setInterval(10);
        QAction action;
        action.setCheckable(true);
        action.setChecked(true);
        action.setEnabled(false);
        auto* controller = new UpdateController(&timer, &action, inputs(),
                                                QStringLiteral("Lexometer"), &mainWindow);
        controller->tick(); // starts the worker
        QVERIFY(controller->check().started());
        QVERIFY(!action.isEnabled());
        timer.start();
        QTRY_VERIFY(action.isEnabled());
        QVERIFY(action.isChecked());
        QVERIFY(controller->notice());
        QCOMPARE(controller->notice()->linkAddress(), QStringLiteral("https://d/get"));
        QCOMPARE(service_->requests.size(), 1);

        action.trigger();
        QVERIFY(!action.isChecked());
        QCOMPARE(store().showUpdate(), 0);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
