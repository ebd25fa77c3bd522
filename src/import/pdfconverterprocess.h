#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <sys/types.h>

// The PDF module's work done in a child process, lexometer-pdftext, so that
// a document that makes the engine loop or crash costs that process, not the
// program: a step (opening the document, or one page) that runs past the
// time limit gets the process killed. The process lives on between
// documents and keeps the last one open, as the module does in-process.
//
// Wire format, native byte order, over a socket pair on the child's standard
// input and output. Request: a 32-bit length in UTF-16 units, then the
// document's path as UTF-16. Answer: a 32-bit status, the page count when
// 0 or more, the module's error code negated otherwise; then per page a
// 32-bit length in UTF-16 units and the page's text.
class PdfConverterProcess {
public:
    enum class Result { Converted, OpenFailed, Failed };

    PdfConverterProcess() = default;
    PdfConverterProcess(const PdfConverterProcess&) = delete;
    PdfConverterProcess& operator=(const PdfConverterProcess&) = delete;
    ~PdfConverterProcess();

    // The text of each page of the PDF. OpenFailed gives the module's error
    // code in openError; Failed (no converter, a step past the limit, a
    // converter that ended) gives a message in error.
    Result convert(const QString& converterPath, const QString& modulePath, const QString& pdfPath,
                   std::chrono::milliseconds stepLimit, QStringList& pages, int* openError,
                   QString* error);

    // Makes every conversion under way, and every later one, give up at
    // once: the program is ending.
    static void abandonAll();
    static bool abandoned();

    // The running converter's process id, or 0.
    pid_t processId() const { return pid_; }
    void stop();

private:
    bool start(const QString& converterPath, const QString& modulePath, QString* error);
    bool send(const void* data, size_t size);
    // Fills buffer with exactly size bytes before the deadline.
    enum class Read { Done, TimedOut, Ended };
    Read receive(void* buffer, size_t size, std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = 0;
    int socket_ = -1;
    QString modulePath_;
};
