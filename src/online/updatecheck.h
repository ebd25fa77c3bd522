#pragma once

#include "online/servicerequest.h"
#include "online/updatestore.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <thread>

// Once a run, on a worker thread: asks the maker's web service which version
// is current and decides whether a notice is due. The user-interface thread
// polls finished() and reads result() only after it turned true. Failures
// are never shown; a failed check just asks for no notice.
class UpdateCheck {
public:
    using ServiceCall = std::function<ServiceRequest::Result(
        const QString& endpoint, const ServiceRequest::Fields& fields, int timeoutMs,
        const std::atomic<bool>* stop)>;

    static constexpr const char* ServicePath = "/php/check2.php";
    static constexpr int TimeoutMs = 10000;
    // More requests than this on one day are not made; from the fourth one on
    // no notice is shown.
    static constexpr int RequestsPerDay = 5;
    static constexpr int NoticesPerDay = 3;

    struct Inputs {
        QString appTitle;   // company " - " product
        QString appVersion; // major "." minor
        std::function<QString()> describeOs;
        std::function<QString()> localeCode;
        // May throw; the check then goes on with an empty identifier.
        std::function<QString()> machineId;
        QString storePath; // UpdateStore::defaultPath(...)
        // The short date format in effect at start-up, and today.
        QLocale dateLocale = QLocale();
        std::function<QDate()> today = [] { return QDate::currentDate(); };
        // ServiceRequest::callService with the check's endpoint by default.
        ServiceCall callService;
    };

    struct Result {
        int showUpdate = 1;
        bool noticeDue = false;
        QString newVersion;      // as received
        QString downloadAddress; // the stored one, or the answer's
        bool failed = false;     // the error state at the end
        QString error;           // the first error recorded, for the record
    };

    // The running program's inputs: the identity from ClientIdentity, the
    // store in the per-user folder, the user's locale and the real service.
    static Inputs programInputs(const QString& companyName, const QString& productName,
                                const QString& appVersion);

    explicit UpdateCheck(Inputs inputs);
    // Asks a check still waiting for the service to give up, and waits for it.
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Starts the worker; only the first call does anything.
    void start();
    bool started() const { return started_; }
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Valid once finished() is true.
    const Result& result() const { return result_; }
    // The open store, for the menu toggle; only once finished() is true.
    UpdateStore& store() { return store_; }
    void requestStop() { stop_.store(true); }

    // The whole check on the calling thread; sets finished() at its end.
    // Nothing it calls can make it throw.
    void checkNow();

    // The answer's lines, split at CR LF, LF or CR.
    static QStringList answerLines(const QString& answer);
    // The value of tag `tag` when the line is exactly <tag>value</tag>, else empty.
    static QString tagValue(const QString& line, const QString& tag);
    // Whether the text, its dots removed, is an optional sign and decimal
    // digits that fit a signed 32-bit number.
    static bool isNumericVersion(const QString& version);
    // Whether the offered version is newer than the running one, their
    // dotted numbers compared part by part (4.10 after 4.9, 4.0 equal to 4).
    static bool isNewerVersion(const QString& offered, const QString& running);
    // The address when it is an http or https URL with a host, else empty:
    // nothing else may reach the desktop's opener.
    static QString openableAddress(const QString& address);

    // Longer values make an answer invalid: no version or address is so long.
    static constexpr qsizetype MaxVersionLength = 64;
    static constexpr qsizetype MaxAddressLength = 2048;

private:
    void performCheck();
    void recordError(const QString& message);
    static QString serviceHost();
    // Whether the address's host is the service's own.
    static bool leadsToService(const QString& address);

    Inputs inputs_;
    UpdateStore store_;
    Result result_;
    bool started_ = false;
    std::atomic<bool> finished_{false};
    std::atomic<bool> stop_{false};
    std::jthread worker_;
};
