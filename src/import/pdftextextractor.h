#pragma once

#include "import/pdfconverterprocess.h"
#include "import/pdfmodule.h"

#include <QLibrary>
#include <QString>

#include <chrono>

// Turns PDF files into plain text, in one of two ways: through the PDF module
// beside the program, or with the pdftotext tool in the program's xpdf
// folder, whose output file is read back. The tool road falls back to the
// module whenever the tool leaves no output file. The module is loaded here,
// so that a missing one is reported at once, but does its work in the
// converter process beside the program, which is ended when a step runs too
// long.
class PdfTextExtractor {
public:
    enum class Engine { InProcess, Tool };

    static constexpr std::chrono::milliseconds DefaultToolTimeLimit = std::chrono::minutes(5);
    // Opening a document, or reading one page, that takes longer is
    // abandoned with an error.
    static constexpr std::chrono::milliseconds DefaultStepTimeLimit = std::chrono::minutes(1);

    PdfTextExtractor() = default;
    PdfTextExtractor(const PdfTextExtractor&) = delete;
    PdfTextExtractor& operator=(const PdfTextExtractor&) = delete;

    // Loads the module, once, and keeps it loaded; later calls only repeat
    // the outcome. On failure returns false with a message naming the
    // module; extracting in-process then fails with the same message.
    bool loadModule(QString* error);
    // The same from another file, for a test.
    bool loadModule(const QString& path, QString* error);
    bool isModuleLoaded() const { return loaded_; }

    // The PDF's text by the given engine. On failure returns false with the
    // reason in error and leaves text as it was.
    bool extract(const QString& pdfPath, Engine engine, QString& text, QString* error);
    // Pages are separated by two CRs; pages before the first one with text
    // add nothing.
    bool extractInProcess(const QString& pdfPath, QString& text, QString* error);
    // The tool's output lines, each ended by CR LF.
    bool extractWithTool(const QString& pdfPath, QString& text, QString* error);

    // Where the tool's command lines and output are recorded; none by default.
    void setLog(QString* log) { log_ = log; }
    // Another folder holding the tool, for a test.
    void setToolFolder(const QString& folder) { toolFolder_ = folder; }
    // A tool run still going after this long is ended and gives no output.
    void setToolTimeLimit(std::chrono::milliseconds limit) { toolTimeLimit_ = limit; }
    void setStepTimeLimit(std::chrono::milliseconds limit) { stepTimeLimit_ = limit; }
    // The converter process that holds the last document open, or 0.
    pid_t converterProcessId() const { return converter_.processId(); }

    static QString modulePath();
    static QString converterPath();
    static QString toolFolder();
    static QString toolPath();
    static bool toolExists();
    // The text of a module error code.
    static QString errorText(int code);

private:
    // False when the output file was not written.
    bool runTool(const QString& pdfPath, const QString& outputPath);
    void appendLogLine(const QString& line);

    QLibrary library_;
    bool loaded_ = false;
    bool loadTried_ = false;
    QString loadError_;
    QString* log_ = nullptr;
    QString toolFolder_; // the program's when empty
    std::chrono::milliseconds toolTimeLimit_ = DefaultToolTimeLimit;
    std::chrono::milliseconds stepTimeLimit_ = DefaultStepTimeLimit;
    PdfConverterProcess converter_;
};
