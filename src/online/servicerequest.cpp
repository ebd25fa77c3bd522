#include "online/servicerequest.h"

#include <QByteArray>

#include <curl/curl.h>
#include <unicode/ucnv.h>

#include <memory>
#include <mutex>

namespace {

// A name or value as application/x-www-form-urlencoded wants it; curl's own
// escaping writes a space as %20 and keeps "~", which the service does not expect.
QByteArray encodeFormPart(const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || byte == '*' || byte == '-' || byte == '.' ||
            byte == '_') {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

QByteArray charsetOf(const char* contentType) {
    if (!contentType) return {};
    for (const QByteArray& parameter : QByteArray(contentType).split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset=")) {
            QByteArray name = trimmed.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
                name = name.mid(1, name.size() - 2);
            return name;
        }
    }
    return {};
}

// An answer arrived: a character set we cannot decode does not make it
// less of one, so it is read as UTF-8 instead.
QString decodeAnswer(const QByteArray& body, const QByteArray& charset) {
    if (charset.isEmpty() || charset.compare("utf-8", Qt::CaseInsensitive) == 0)
        return QString::fromUtf8(body);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(charset.constData(), &status), &ucnv_close);
    if (U_FAILURE(status)) return QString::fromUtf8(body);
    // Every byte becomes at most two UTF-16 units, plus room for the terminator.
    QString text(body.size() * 2 + 1, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                                         text.size(), body.constData(), body.size(), &status);
    if (U_FAILURE(status)) return QString::fromUtf8(body);
    text.truncate(length);
    return text;
}

struct Body {
    QByteArray bytes;
    bool tooLong = false;
};

// Returning less than offered makes curl end the transfer with a write error.
size_t collectBody(char* data, size_t size, size_t count, void* target) {
    auto* body = static_cast<Body*>(target);
    const size_t offered = size * count;
    if (offered > size_t(ServiceRequest::MaxAnswerBytes - body->bytes.size())) {
        body->tooLong = true;
        return 0;
    }
    body->bytes.append(data, static_cast<qsizetype>(offered));
    return offered;
}

QString postOrThrow(const QString& url, const ServiceRequest::Fields& fields, int timeoutMs,
                    const std::atomic<bool>* stop);

int checkStop(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return stop && static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

void ServiceRequest::initialize() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString ServiceRequest::endpoint(const QString& path) {
    const QString host = qEnvironmentVariable("LEXOMETER_SERVICE_HOST");
    return (host.isEmpty() ? QStringLiteral("www.brellix.com") : host) + path;
}

QByteArray ServiceRequest::encodeForm(const Fields& fields) {
    QByteArray body;
    for (const QString& line : fields) {
        const qsizetype equals = line.indexOf(u'=');
        if (!body.isEmpty()) body += '&';
        body += encodeFormPart(equals < 0 ? line : line.left(equals));
        body += '=';
        if (equals >= 0) body += encodeFormPart(line.mid(equals + 1));
    }
    return body;
}

QString ServiceRequest::postServiceForm(const QString& url, const Fields& fields, int timeoutMs,
                                        const std::atomic<bool>* stop) {
    // Nothing but Error leaves a request: running out of memory on a
    // hostile answer is one more failed attempt.
    try {
        return postOrThrow(url, fields, timeoutMs, stop);
    } catch (const Error&) {
        throw;
    } catch (const std::exception& error) {
        throw Error(url.toStdString() + ": " + error.what());
    }
}

namespace {

QString postOrThrow(const QString& url, const ServiceRequest::Fields& fields, int timeoutMs,
                    const std::atomic<bool>* stop) {
    using ServiceRequest::Error;
    ServiceRequest::initialize();
    if (stop && stop->load()) throw Error("stopped before " + url.toStdString());
    const bool secure = url.toLower().startsWith(QStringLiteral("https://"));
    const QByteArray address = url.toUtf8();
    const QByteArray body = ServiceRequest::encodeForm(fields);

    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) throw Error("no client for " + url.toStdString());
    CURL* curl = handle.get();

    // Empty entries remove the headers curl would add of its own accord.
    curl_slist* headerList = nullptr;
    if (secure) {
        headerList = curl_slist_append(headerList, "Connection: close");
        headerList = curl_slist_append(
            headerList, "Content-Type: application/x-www-form-urlencoded; charset=utf-8");
    } else {
        headerList =
            curl_slist_append(headerList, "Content-Type: application/x-www-form-urlencoded");
    }
    headerList = curl_slist_append(headerList, "Accept:");
    headerList = curl_slist_append(headerList, "Expect:");
    std::unique_ptr<curl_slist, ListDeleter> headers(headerList);

    Body answer;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray caFile = qgetenv("LEXOMETER_CA_FILE");

    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2L * timeoutMs);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // An extra trusted root for a private service; the system's roots stay
    // trusted through the CA path.
    if (!caFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkStop);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(stop));

    const CURLcode code = curl_easy_perform(curl);
    if (answer.tooLong)
        throw Error(url.toStdString() + ": answer longer than " +
                    std::to_string(ServiceRequest::MaxAnswerBytes) + " bytes");
    if (code != CURLE_OK) {
        const std::string cause = errorText[0] ? errorText : curl_easy_strerror(code);
        throw Error(url.toStdString() + ": " + cause);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (!secure && status >= 400)
        throw Error(url.toStdString() + ": HTTP status " + std::to_string(status));
    const char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    return decodeAnswer(answer.bytes, charsetOf(contentType));
}

} // namespace

ServiceRequest::Result ServiceRequest::callService(const QString& endpoint, const Fields& fields,
                                                   int timeoutMs, const std::atomic<bool>* stop) {
    Result result;
    try {
        result.answer =
            postServiceForm(QStringLiteral("https://") + endpoint, fields, timeoutMs, stop);
        return result;
    } catch (const Error&) {
        result.secureFailed = true;
    }
    try {
        result.answer =
            postServiceForm(QStringLiteral("http://") + endpoint, fields, timeoutMs, stop);
    } catch (const Error&) {
        result.plainFailed = true;
    }
    return result;
}

ServiceRequest::Result ServiceRequest::callSecureService(const QString& endpoint,
                                                         const Fields& fields, int timeoutMs,
                                                         const std::atomic<bool>* stop) {
    Result result;
    try {
        result.answer =
            postServiceForm(QStringLiteral("https://") + endpoint, fields, timeoutMs, stop);
    } catch (const Error&) {
        result.secureFailed = true;
    }
    return result;
}
