#include "testservice.h"

#include <QFile>
#include <QHostAddress>
#include <QMutexLocker>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

namespace {

struct CertificateFiles {
    QString error;
    QString caFile;
    QString localhostCert, localhostKey, otherCert, otherKey;
};

bool runOpenssl(const QString& folder, const QStringList& arguments, QString& error) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        error = QStringLiteral("openssl %1: %2%3")
                    .arg(arguments.join(u' '), process.errorString(),
                         QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

bool makeServerCertificate(const QString& folder, const QString& name, const QString& altNames,
                           QString& error) {
    QFile extensions(folder + u'/' + name + QStringLiteral(".ext"));
    if (!extensions.open(QIODevice::WriteOnly)) {
        error = extensions.errorString();
        return false;
    }
    extensions.write("basicConstraints=CA:FALSE\n"
                     "keyUsage=digitalSignature,keyEncipherment\n"
                     "extendedKeyUsage=serverAuth\n"
                     "subjectAltName=" +
                     altNames.toLatin1() + '\n');
    extensions.close();
    const QString cn = altNames.section(u',', 0, 0).section(u':', 1);
    return runOpenssl(folder,
                      {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + cn},
                      error) &&
           runOpenssl(folder,
                      {"x509", "-req", "-in", name + ".csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                       "-CAcreateserial", "-days", "3650", "-out", name + ".crt", "-extfile",
                       name + ".ext"},
                      error);
}

// Made once for the whole test run: key generation is the slow part.
const CertificateFiles& certificateFiles() {
    static QTemporaryDir folder;
    static const CertificateFiles files = [] {
        CertificateFiles result;
        const QString path = folder.path();
        if (!folder.isValid()) {
            result.error = QStringLiteral("no temporary folder");
            return result;
        }
        if (!runOpenssl(path,
                        {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                         "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", "ca.key", "-out",
                         "ca.crt", "-days", "3650", "-subj", "/CN=Lexometer Test Root", "-addext",
                         "basicConstraints=critical,CA:TRUE", "-addext",
                         "keyUsage=critical,keyCertSign,cRLSign"},
                        result.error) ||
            !makeServerCertificate(path, "localhost", "DNS:localhost,IP:127.0.0.1", result.error) ||
            !makeServerCertificate(path, "other", "DNS:elsewhere.test", result.error))
            return result;
        result.caFile = path + QStringLiteral("/ca.crt");
        result.localhostCert = path + QStringLiteral("/localhost.crt");
        result.localhostKey = path + QStringLiteral("/localhost.key");
        result.otherCert = path + QStringLiteral("/other.crt");
        result.otherKey = path + QStringLiteral("/other.key");
        return result;
    }();
    return files;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

class TestServiceListener : public QTcpServer {
public:
    explicit TestServiceListener(TestService* service) : service_(service) {
        const CertificateFiles& files = certificateFiles();
        localhost_ = configuration(files.localhostCert, files.localhostKey);
        other_ = configuration(files.otherCert, files.otherKey);
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        auto* connection = new Connection(socket);
        connect(socket, &QSslSocket::readyRead, socket,
                [this, socket, connection] { readFrom(socket, *connection); });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QAbstractSocket::errorOccurred, socket, [socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
        });
    }

private:
    // Goes with its socket.
    struct Connection : QObject {
        using QObject::QObject;
        bool decided = false;
        bool answered = false;
        QByteArray buffer;
    };

    static QSslConfiguration configuration(const QString& certPath, const QString& keyPath) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(readAll(certPath)));
        configuration.setPrivateKey(QSslKey(readAll(keyPath), QSsl::Ec));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        return configuration;
    }

    void readFrom(QSslSocket* socket, Connection& connection) {
        if (!connection.decided) {
            char first = 0;
            if (socket->peek(&first, 1) != 1) return;
            connection.decided = true;
            if (first == 0x16) {
                // The handshake takes the bytes peeked at; the request follows
                // decrypted.
                QMutexLocker lock(&service_->mutex_);
                const bool other = service_->certificate_ == TestService::Certificate::OtherHost;
                lock.unlock();
                socket->setSslConfiguration(other ? other_ : localhost_);
                socket->startServerEncryption();
                return;
            }
        }
        connection.buffer += socket->readAll();
        if (connection.answered) return;
        const qsizetype headerEnd = connection.buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) return;

        TestService::Request request;
        request.secure = socket->isEncrypted();
        const QList<QByteArray> lines = connection.buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        request.version = requestLine.value(2);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("content-length").toLongLong();
        if (connection.buffer.size() < headerEnd + 4 + length) return;
        request.body = connection.buffer.mid(headerEnd + 4, length);
        connection.answered = true;

        const TestService::Reply reply = service_->nextReply(request);
        switch (reply.kind) {
        case TestService::Reply::Kind::Silent:
            return;
        case TestService::Reply::Kind::Close:
            QTimer::singleShot(reply.delayMs, socket, [socket] { socket->abort(); });
            return;
        case TestService::Reply::Kind::Endless: {
            QByteArray head = "HTTP/1.1 200 OK\r\n";
            if (!reply.contentType.isEmpty()) head += "Content-Type: " + reply.contentType + "\r\n";
            socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
            const QByteArray piece = reply.body.isEmpty() ? QByteArray("x") : reply.body;
            QByteArray chunk;
            while (chunk.size() < 64 * 1024)
                chunk += piece;
            chunk = QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
            // Topped up as it drains, so that memory stays flat here.
            auto* pump = new QTimer(socket);
            connect(pump, &QTimer::timeout, socket, [socket, chunk] {
                if (socket->state() != QAbstractSocket::ConnectedState) return;
                if (socket->bytesToWrite() + socket->encryptedBytesToWrite() < 4 * chunk.size())
                    socket->write(chunk);
            });
            pump->start(1);
            return;
        }
        case TestService::Reply::Kind::Drip: {
            QByteArray head = "HTTP/1.1 200 OK\r\n";
            if (!reply.contentType.isEmpty()) head += "Content-Type: " + reply.contentType + "\r\n";
            socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
            const QByteArray chunk =
                "1\r\n" + (reply.body.isEmpty() ? "x" : reply.body.left(1)) + "\r\n";
            auto* drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket, chunk] {
                if (socket->state() == QAbstractSocket::ConnectedState) socket->write(chunk);
            });
            drip->start(reply.delayMs > 0 ? reply.delayMs : 10);
            return;
        }
        case TestService::Reply::Kind::Answer:
            QTimer::singleShot(reply.delayMs, socket, [socket, reply] {
                QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                                    reasonPhrase(reply.status) + "\r\n";
                if (!reply.contentType.isEmpty())
                    answer += "Content-Type: " + reply.contentType + "\r\n";
                answer += "Content-Length: " + QByteArray::number(reply.body.size()) +
                          "\r\nConnection: close\r\n\r\n" + reply.body;
                socket->write(answer);
                socket->disconnectFromHost();
            });
            return;
        }
    }

    TestService* service_;
    QSslConfiguration localhost_;
    QSslConfiguration other_;
};

QByteArray TestService::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

QList<QByteArray> TestService::Request::headerNames() const {
    QList<QByteArray> names;
    for (const auto& header : headers)
        names.append(header.first.toLower());
    return names;
}

TestService::TestService() {
    const CertificateFiles& files = certificateFiles();
    if (!files.error.isEmpty()) {
        error_ = files.error;
        return;
    }
    listener_ = new TestServiceListener(this);
    listener_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        listener_,
        [this] {
            if (listener_->listen(QHostAddress::LocalHost))
                port_ = listener_->serverPort();
            else
                error_ = listener_->errorString();
        },
        Qt::BlockingQueuedConnection);
}

TestService::~TestService() {
    if (listener_)
        QMetaObject::invokeMethod(
            listener_, [this] { delete listener_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

QString TestService::hostAndPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QString TestService::caFile() {
    return certificateFiles().caFile;
}

void TestService::setCertificate(Certificate certificate) {
    QMutexLocker lock(&mutex_);
    certificate_ = certificate;
}

void TestService::enqueue(const Reply& reply) {
    QMutexLocker lock(&mutex_);
    replies_.append(reply);
}

void TestService::setDefaultReply(const Reply& reply) {
    QMutexLocker lock(&mutex_);
    defaultReply_ = reply;
}

QList<TestService::Request> TestService::requests() const {
    QMutexLocker lock(&mutex_);
    return requests_;
}

TestService::Reply TestService::nextReply(const Request& request) {
    QMutexLocker lock(&mutex_);
    requests_.append(request);
    return replies_.isEmpty() ? defaultReply_ : replies_.takeFirst();
}
