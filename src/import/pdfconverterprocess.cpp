#include "import/pdfconverterprocess.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

std::atomic<bool> abandonedAll{false};

QString tookTooLong() {
    return QStringLiteral("Converting the PDF took too long and was abandoned");
}

QString converterEnded() {
    return QStringLiteral("The PDF converter ended before it finished the document");
}

} // namespace

void PdfConverterProcess::abandonAll() {
    abandonedAll = true;
}

bool PdfConverterProcess::abandoned() {
    return abandonedAll;
}

PdfConverterProcess::~PdfConverterProcess() {
    stop();
}

void PdfConverterProcess::stop() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = 0;
}

bool PdfConverterProcess::start(const QString& converterPath, const QString& modulePath,
                                QString* error) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        if (error)
            *error = QStringLiteral("Cannot start the PDF converter: %1").arg(systemError(errno));
        return false;
    }
    const QByteArray program = QFile::encodeName(converterPath);
    const QByteArray module = QFile::encodeName(modulePath);
    char* const argv[] = {const_cast<char*>(program.constData()),
                          const_cast<char*>(module.constData()), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copies only.
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        if (error)
            *error = QStringLiteral("Cannot start the PDF converter %1: %2")
                         .arg(converterPath, systemError(failed));
        return false;
    }
    pid_ = pid;
    socket_ = ends[0];
    modulePath_ = modulePath;
    return true;
}

bool PdfConverterProcess::send(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        // MSG_NOSIGNAL: a converter that has died must not take the program
        // with it through SIGPIPE.
        const ssize_t sent = ::send(socket_, bytes, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += sent;
        size -= size_t(sent);
    }
    return true;
}

PdfConverterProcess::Read
PdfConverterProcess::receive(void* buffer, size_t size,
                             std::chrono::steady_clock::time_point deadline) {
    char* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || abandonedAll) return Read::TimedOut;
        // In short slices, so that the program's end is noticed.
        pollfd watched{socket_, POLLIN, 0};
        const int ready = ::poll(&watched, 1, int(std::min<long long>(left.count(), 100)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Read::Ended;
        }
        if (ready == 0) continue;
        const ssize_t got = ::recv(socket_, bytes, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return Read::Ended;
        bytes += got;
        size -= size_t(got);
    }
    return Read::Done;
}

PdfConverterProcess::Result
PdfConverterProcess::convert(const QString& converterPath, const QString& modulePath,
                             const QString& pdfPath, std::chrono::milliseconds stepLimit,
                             QStringList& pages, int* openError, QString* error) {
    if (pid_ > 0 && modulePath != modulePath_) stop();
    // A converter that ended between documents (killed, out of memory) is
    // replaced rather than blamed on the next document.
    if (pid_ > 0) {
        const pid_t waited = ::waitpid(pid_, nullptr, WNOHANG);
        if (waited == pid_ || (waited < 0 && errno == ECHILD)) {
            pid_ = 0;
            stop();
        }
    }
    if (pid_ <= 0 && !start(converterPath, modulePath, error)) return Result::Failed;

    const auto fail = [&](Read read) {
        // Whatever it was doing, the converter is no longer in step.
        stop();
        if (error) *error = read == Read::TimedOut ? tookTooLong() : converterEnded();
        return Result::Failed;
    };

    const std::uint32_t length = std::uint32_t(pdfPath.size());
    if (!send(&length, sizeof length) || !send(pdfPath.utf16(), length * sizeof(char16_t)))
        return fail(Read::Ended);

    auto deadline = std::chrono::steady_clock::now() + stepLimit;
    std::int32_t status = 0;
    if (Read read = receive(&status, sizeof status, deadline); read != Read::Done)
        return fail(read);
    if (status < 0) {
        if (openError) *openError = -status;
        return Result::OpenFailed;
    }
    QStringList received;
    received.reserve(status);
    for (std::int32_t page = 0; page < status; ++page) {
        deadline = std::chrono::steady_clock::now() + stepLimit;
        std::uint32_t units = 0;
        if (Read read = receive(&units, sizeof units, deadline); read != Read::Done)
            return fail(read);
        QString text(qsizetype(units), Qt::Uninitialized);
        if (Read read = receive(text.data(), units * sizeof(char16_t), deadline);
            read != Read::Done)
            return fail(read);
        received << std::move(text);
    }
    pages = std::move(received);
    return Result::Converted;
}
