#pragma once

#include "import/documentreader.h"
#include "import/pdftextextractor.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

// The program's choice between the two PDF engines, and the two extractors
// that use it: one for the editor, on the thread that loads files, and one
// for the analysis worker, which the batch's jobs share and which may
// outlive this object. The choice is read on either thread.
class PdfEngines {
public:
    PdfEngines();

    // The program's folder, where the tool is looked for in "xpdf".
    void setProgramFolder(const QString& folder);
    // "xpdf/pdftotext" in the program's folder.
    QString toolPath() const;
    bool toolAvailable() const;
    // Loads the PDF module; false with the reason.
    bool loadModule(QString* error);

    void chooseTool(bool tool) { state_->toolChosen = tool; }
    bool toolChosen() const { return state_->toolChosen; }

    // The file's text by the chosen engine, on the thread that loads files;
    // the tool's runs are recorded in log().
    bool convert(const QString& path, std::string* utf8, QString* error);
    const QString& log() const { return log_; }
    // The same for the analysis worker.
    DocumentReader::PdfConverter workerConverter() const;

    // Replaces both engines, for a test; empty uses them again.
    void setOverride(DocumentReader::PdfConverter converter);
    // How long the PDF module may spend on one step of a document.
    void setStepTimeLimit(std::chrono::milliseconds limit);

private:
    struct Shared {
        PdfTextExtractor workerExtractor;
        std::atomic<bool> toolChosen{false};
        DocumentReader::PdfConverter override;
    };
    PdfTextExtractor extractor_;
    std::shared_ptr<Shared> state_ = std::make_shared<Shared>();
    QString programFolder_;
    QString log_;
};
