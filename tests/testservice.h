#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

class TestServiceListener;

// A web service on 127.0.0.1 for tests, on a thread of its own so that a
// request may block the test's thread. One port speaks both HTTPS and plain
// HTTP: a connection that opens with a TLS handshake is served encrypted.
// Its certificates come from a test root written at first use; point the
// client at it with LEXOMETER_SERVICE_HOST=hostAndPort() and trust the root
// with LEXOMETER_CA_FILE=caFile().
class TestService {
public:
    struct Reply {
        enum class Kind { Answer, Close, Silent, Endless, Drip };
        // Close: hang up unanswered; Silent: never answer; Endless: a chunked
        // answer that repeats the body until the client hangs up; Drip: a
        // chunked answer that sends the body's first byte every delayMs
        // (10 when 0) until the client hangs up.
        Kind kind = Kind::Answer;
        int status = 200;
        QByteArray contentType = "text/plain; charset=utf-8"; // none when empty
        QByteArray body = "OK";
        int delayMs = 0;
    };
    struct Request {
        bool secure = false;
        QByteArray method;
        QByteArray path;
        QByteArray version;
        QList<QPair<QByteArray, QByteArray>> headers; // as sent, in order
        QByteArray body;

        QByteArray header(const QByteArray& name) const;
        QList<QByteArray> headerNames() const; // lower case, in order
    };
    // Localhost: for "localhost" and 127.0.0.1; OtherHost: for another name.
    enum class Certificate { Localhost, OtherHost };

    TestService();
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    bool isListening() const { return port_ != 0; }
    QString errorString() const { return error_; }
    quint16 port() const { return port_; }
    QString hostAndPort() const;
    static QString caFile();

    void setCertificate(Certificate certificate);
    // Replies are used in order; once they run out, every request gets the default.
    void enqueue(const Reply& reply);
    void setDefaultReply(const Reply& reply);
    QList<Request> requests() const;

private:
    friend class TestServiceListener;
    Reply nextReply(const Request& request);

    mutable QMutex mutex_;
    QList<Reply> replies_;
    Reply defaultReply_;
    QList<Request> requests_;
    Certificate certificate_ = Certificate::Localhost;

    QThread thread_;
    TestServiceListener* listener_ = nullptr;
    quint16 port_ = 0;
    QString error_;
};
