#include "import/pdfengines.h"

#include <QFileInfo>

namespace {

PdfTextExtractor::Engine engineFor(bool tool) {
    return tool ? PdfTextExtractor::Engine::Tool : PdfTextExtractor::Engine::InProcess;
}

} // namespace

PdfEngines::PdfEngines() {
    extractor_.setLog(&log_);
}

void PdfEngines::setProgramFolder(const QString& folder) {
    programFolder_ = folder;
    const QString tools = QFileInfo(toolPath()).absolutePath();
    extractor_.setToolFolder(tools);
    state_->workerExtractor.setToolFolder(tools);
}

QString PdfEngines::toolPath() const {
    return programFolder_ + QStringLiteral("/xpdf/pdftotext");
}

bool PdfEngines::toolAvailable() const {
    return QFileInfo::exists(toolPath());
}

bool PdfEngines::loadModule(QString* error) {
    return extractor_.loadModule(error);
}

bool PdfEngines::convert(const QString& path, std::string* utf8, QString* error) {
    if (state_->override) return state_->override(path, utf8, error);
    return DocumentReader::converter(extractor_, engineFor(toolChosen()))(path, utf8, error);
}

DocumentReader::PdfConverter PdfEngines::workerConverter() const {
    // The engine chosen when the file's turn comes.
    return [state = state_](const QString& path, std::string* utf8, QString* error) {
        if (state->override) return state->override(path, utf8, error);
        return DocumentReader::converter(state->workerExtractor,
                                         engineFor(state->toolChosen))(path, utf8, error);
    };
}

void PdfEngines::setOverride(DocumentReader::PdfConverter converter) {
    state_->override = std::move(converter);
}

void PdfEngines::setStepTimeLimit(std::chrono::milliseconds limit) {
    extractor_.setStepTimeLimit(limit);
    state_->workerExtractor.setStepTimeLimit(limit);
}
