#include "online/updatecheck.h"

#include "online/clientidentity.h"

#include <QUrl>

#include <exception>
#include <limits>

UpdateCheck::Inputs UpdateCheck::programInputs(const QString& companyName,
                                               const QString& productName,
                                               const QString& appVersion) {
    Inputs inputs;
    inputs.appTitle = companyName + QStringLiteral(" - ") + productName;
    inputs.appVersion = appVersion;
    inputs.describeOs = [] { return ClientIdentity::describeOs(); };
    inputs.localeCode = [] { return ClientIdentity::localeCode(); };
    inputs.machineId = [] { return ClientIdentity::machineId(); };
    inputs.storePath = UpdateStore::defaultPath(companyName, productName);
    inputs.dateLocale = QLocale::system();
    return inputs;
}

UpdateCheck::UpdateCheck(Inputs inputs) : inputs_(std::move(inputs)) {
    if (!inputs_.callService) {
        inputs_.callService = [](const QString& endpoint, const ServiceRequest::Fields& fields,
                                 int timeoutMs, const std::atomic<bool>* stop) {
            return ServiceRequest::callService(endpoint, fields, timeoutMs, stop);
        };
    }
    if (!inputs_.today) inputs_.today = [] { return QDate::currentDate(); };
}

UpdateCheck::~UpdateCheck() {
    requestStop();
    if (worker_.joinable()) worker_.join();
}

void UpdateCheck::start() {
    if (started_) return;
    started_ = true;
    finished_.store(false, std::memory_order_relaxed);
    worker_ = std::jthread([this] { checkNow(); });
}

void UpdateCheck::recordError(const QString& message) {
    if (!result_.failed) result_.error = message;
    result_.failed = true;
}

void UpdateCheck::checkNow() {
    // The worker's last word: whatever throws, even running out of memory,
    // is one more failed check, never the end of the program.
    try {
        performCheck();
    } catch (const std::exception& error) {
        recordError(QString::fromLocal8Bit(error.what()));
        result_.noticeDue = false;
    } catch (...) {
        recordError(QStringLiteral("the check failed"));
        result_.noticeDue = false;
    }
    finished_.store(true, std::memory_order_release);
}

void UpdateCheck::performCheck() {
    result_ = Result();

    QString machineId;
    try {
        if (inputs_.machineId) machineId = inputs_.machineId();
    } catch (const std::exception& error) {
        recordError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        recordError(QStringLiteral("the machine identifier cannot be read"));
    }

    QString storeError;
    if (!store_.isOpen() && !store_.open(inputs_.storePath, &storeError)) recordError(storeError);

    const QString storedDate = store_.lastUpdateCheck();
    int dayCount = store_.lastUpdateCheckCount();
    // An address that no verified answer vouched for, one written by an
    // earlier version among them, counts only as a plain answer's would.
    const QString storedUrl = store_.currentUrl();
    if (store_.currentUrlVerified() || leadsToService(storedUrl))
        result_.downloadAddress = storedUrl;
    result_.showUpdate = store_.showUpdate();

    const QString today = UpdateStore::shortDate(inputs_.today(), inputs_.dateLocale);
    const bool sameDay = storedDate == today;
    if (result_.showUpdate != 0 && !(sameDay && dayCount >= RequestsPerDay)) {
        dayCount = sameDay ? dayCount + 1 : 1;
        store_.setLastUpdateCheck(today, dayCount);

        const ServiceRequest::Fields fields{
            QStringLiteral("cmd=check"),
            QStringLiteral("appname=") + inputs_.appTitle,
            QStringLiteral("version=") + inputs_.appVersion,
            QStringLiteral("os=") + (inputs_.describeOs ? inputs_.describeOs() : QString()),
            QStringLiteral("local=") + (inputs_.localeCode ? inputs_.localeCode() : QString()),
            QStringLiteral("guid=") + machineId};
        const ServiceRequest::Result answer = inputs_.callService(
            ServiceRequest::endpoint(QLatin1String(ServicePath)), fields, TimeoutMs, &stop_);
        if (answer.secureFailed) {
            recordError(QStringLiteral("the secure request failed"));
            if (answer.answer && !answer.plainFailed) {
                // The plain answer outweighs everything that went wrong before.
                result_.failed = false;
                result_.error.clear();
            }
        }
        if (answer.plainFailed) recordError(QStringLiteral("the plain request failed"));

        const QString text = answer.answer.value_or(QString());
        const QStringList lines = answerLines(text);
        if (text.startsWith(QLatin1String("ERROR"))) recordError(text.left(200));
        if (!result_.failed) {
            const QString code =
                lines.size() >= 4 ? tagValue(lines[3], QStringLiteral("result")) : QString();
            if (code != QLatin1String("0") && code != QLatin1String("1"))
                recordError(QStringLiteral("the answer carries no valid result"));
        }
        const QString version =
            lines.size() >= 1 ? tagValue(lines[0], QStringLiteral("version")) : QString();
        QString address = lines.size() >= 2 ? tagValue(lines[1], QStringLiteral("url")) : QString();
        if (!result_.failed &&
            (version.size() > MaxVersionLength || address.size() > MaxAddressLength))
            recordError(QStringLiteral("the answer carries a value too long"));
        // Anyone on the path can write a plain answer: its address is taken
        // only when it leads to the service's own host.
        const bool verified = !answer.secureFailed;
        if (!verified && !leadsToService(address)) address.clear();
        if (!result_.failed) {
            if (lines.size() >= 1) {
                result_.newVersion = version;
                store_.setCurrentVersion(result_.newVersion);
            }
            if (lines.size() >= 2) {
                result_.downloadAddress = address;
                store_.setCurrentUrl(result_.downloadAddress, verified);
            }
            result_.noticeDue = isNumericVersion(result_.newVersion) &&
                                isNewerVersion(result_.newVersion, inputs_.appVersion) &&
                                result_.showUpdate == 1 && (!sameDay || dayCount <= NoticesPerDay);
        }
    }
}

QString UpdateCheck::serviceHost() {
    return QUrl(QStringLiteral("http://") + ServiceRequest::endpoint(QLatin1String(ServicePath)))
        .host();
}

bool UpdateCheck::leadsToService(const QString& address) {
    // Parsed as the notice parses it before opening.
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() &&
           url.host().compare(serviceHost(), Qt::CaseInsensitive) == 0;
}

bool UpdateCheck::isNewerVersion(const QString& offered, const QString& running) {
    const auto parts = [](QString version) {
        if (version.startsWith(u'+')) version.remove(0, 1);
        QList<qint64> numbers;
        for (const QString& part : version.split(u'.')) {
            bool ok = false;
            const qint64 number = part.isEmpty() ? 0 : part.toLongLong(&ok);
            numbers << (part.isEmpty() || ok ? number : -1);
        }
        while (numbers.size() > 1 && numbers.last() == 0)
            numbers.removeLast();
        return numbers;
    };
    const QList<qint64> a = parts(offered);
    const QList<qint64> b = parts(running);
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const qint64 x = a.value(i, 0);
        const qint64 y = b.value(i, 0);
        if (x < 0 || y < 0) return false;
        if (x != y) return x > y;
    }
    return false;
}

QString UpdateCheck::openableAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return {};
    return address;
}

QStringList UpdateCheck::answerLines(const QString& answer) {
    QStringList lines;
    if (answer.isEmpty()) return lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < answer.size(); ++i) {
        const QChar c = answer[i];
        if (c != u'\r' && c != u'\n') continue;
        lines << answer.mid(start, i - start);
        if (c == u'\r' && i + 1 < answer.size() && answer[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < answer.size()) lines << answer.mid(start);
    return lines;
}

QString UpdateCheck::tagValue(const QString& line, const QString& tag) {
    const QString open = u'<' + tag + u'>';
    const QString close = QStringLiteral("</") + tag + u'>';
    if (line.size() < open.size() + close.size() || !line.startsWith(open) || !line.endsWith(close))
        return {};
    return line.mid(open.size(), line.size() - open.size() - close.size());
}

bool UpdateCheck::isNumericVersion(const QString& version) {
    QString digits = version;
    digits.remove(u'.');
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == u'+' || digits[0] == u'-')) {
        negative = digits[0] == u'-';
        digits.remove(0, 1);
    }
    if (digits.isEmpty()) return false;
    const qint64 limit = negative ? qint64(std::numeric_limits<qint32>::max()) + 1
                                  : qint64(std::numeric_limits<qint32>::max());
    qint64 value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c.unicode() - u'0');
        if (value > limit) return false;
    }
    return true;
}
