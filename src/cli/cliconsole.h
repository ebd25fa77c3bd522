#pragma once

#include <QString>

// The tool's terminal: results on standard output, messages on standard
// error after the program's name, and a progress line on standard error when
// it is a terminal, cleared before a message. The first failed write on
// standard output is kept, so that the run can fail for it as wc does.
class CliConsole {
public:
    static const QString ProgramName;

    CliConsole();

    // Skipped once a write has failed.
    void writeOutput(const QString& text);
    bool outputOk() const { return outputError_ == 0; }
    // Reports a failed write on standard output; true when there was one.
    bool outputFailed();

    void printError(const QString& message);
    // The message, then where to find the options.
    void usageError(const QString& message);

    // Replaces the progress line; nothing unless standard error is a terminal.
    void showProgress(const QString& line);
    void clearProgress();
    bool showsProgress() const { return progress_; }

private:
    bool progress_ = false;
    qsizetype progressWidth_ = 0;
    int outputError_ = 0;
};
