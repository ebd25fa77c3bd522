#include "online/servicerequest.h"

// Placeholder until the libcurl client lands: every attempt fails.
void ServiceRequest::initialize() {}

QString ServiceRequest::endpoint(const QString& path) {
    const QString host = qEnvironmentVariable("LEXOMETER_SERVICE_HOST");
    return (host.isEmpty() ? QStringLiteral("www.brellix.com") : host) + path;
}

QString ServiceRequest::postServiceForm(const QString& url, const Fields&, int,
                                        const std::atomic<bool>*) {
    throw Error("no client for " + url.toStdString());
}

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
