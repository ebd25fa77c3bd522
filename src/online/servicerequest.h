#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>
#include <stdexcept>

// Form posts to the maker's web service, the only way the program uses the
// network. Safe to call from a worker thread.
namespace ServiceRequest {

// "name=value" lines, in the order they go on the wire.
using Fields = QStringList;

// What a call failed with: a message for the record, never shown.
struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Result {
    std::optional<QString> answer; // none when both attempts failed
    bool secureFailed = false;
    bool plainFailed = false;
};

// The longest answer read; the service's answers are a few lines. A longer
// one fails the attempt.
inline constexpr qsizetype MaxAnswerBytes = 1024 * 1024;

// Once per process, before any request (the main thread at start-up).
void initialize();

// The service's host ("www.brellix.com", or LEXOMETER_SERVICE_HOST) followed
// by the script's path: an endpoint without a scheme.
QString endpoint(const QString& path);

// The request body: each line split at its first "=", name and value
// form-encoded apart, the pairs joined with "&".
QByteArray encodeForm(const Fields& fields);

// One POST of the fields to the URL; throws Error when no answer comes (on
// the plain path also for a status of 400 or above), when the answer is
// longer than MaxAnswerBytes, and for any other failure, running out of
// memory included. An answer in a character set the system does not know
// is read as UTF-8, bytes that are not replaced. `stop`, when set,
// aborts a transfer under way. The connection may take timeoutMs and the
// whole exchange twice that. TLS is always verified against the system's
// roots, plus the file that LEXOMETER_CA_FILE names when set.
QString postServiceForm(const QString& url, const Fields& fields, int timeoutMs,
                        const std::atomic<bool>* stop = nullptr);

// "https://" + endpoint first; "http://" + endpoint only when that failed.
Result callService(const QString& endpoint, const Fields& fields, int timeoutMs,
                   const std::atomic<bool>* stop = nullptr);
// "https://" + endpoint only, certificate verified: for requests that carry
// what the user wrote, which never travels in clear.
Result callSecureService(const QString& endpoint, const Fields& fields, int timeoutMs,
                         const std::atomic<bool>* stop = nullptr);

} // namespace ServiceRequest
