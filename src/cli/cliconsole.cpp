#include "cli/cliconsole.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

// 0, or the errno of a failed write.
int writeText(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
        std::fflush(stream) == 0;
    if (written) return 0;
    std::clearerr(stream);
    return errno ? errno : EIO;
}

} // namespace

const QString CliConsole::ProgramName = QStringLiteral("lexometer-analyze");

CliConsole::CliConsole() : progress_(isatty(STDERR_FILENO) == 1) {}

void CliConsole::writeOutput(const QString& text) {
    if (outputError_) return;
    outputError_ = writeText(stdout, text);
}

bool CliConsole::outputFailed() {
    if (!outputError_) return false;
    printError(QStringLiteral("write error on standard output: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(outputError_))));
    return true;
}

void CliConsole::printError(const QString& message) {
    clearProgress();
    writeText(stderr, ProgramName + QStringLiteral(": ") + message + u'\n');
}

void CliConsole::usageError(const QString& message) {
    printError(message);
    // One line pointing at the help, as the core utilities do: the whole
    // help would bury the message.
    writeText(stderr, QStringLiteral("Try '%1 --help' for more information.\n").arg(ProgramName));
}

void CliConsole::showProgress(const QString& line) {
    if (!progress_) return;
    const QString pad(qMax<qsizetype>(0, progressWidth_ - line.size()), u' ');
    progressWidth_ = line.size();
    writeText(stderr, u'\r' + line + pad);
}

void CliConsole::clearProgress() {
    if (!progress_ || progressWidth_ == 0) return;
    writeText(stderr, u'\r' + QString(progressWidth_, u' ') + u'\r');
    progressWidth_ = 0;
}
