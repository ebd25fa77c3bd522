#include "import/pdfmodule.h"

#include <QCoreApplication>
#include <QFile>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QString>

#include <memory>

#define LEXO_PDF_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The open file stays open beside its document, so that other programs
// cannot replace it under the engine. Both are closed with the application:
// at exit, Qt PDF's own statics would be gone before ours.
QFile* file = nullptr;
QPdfDocument* document = nullptr;
QString* pageText = nullptr;
int lastError = PdfModule::NoError;

// Qt numbers its errors its own way; they are matched by meaning.
int errorCode(QPdfDocument::Error error) {
    switch (error) {
    case QPdfDocument::Error::None:
        return PdfModule::NoError;
    case QPdfDocument::Error::FileNotFound:
        return PdfModule::FileError;
    case QPdfDocument::Error::InvalidFileFormat:
        return PdfModule::FormatError;
    case QPdfDocument::Error::IncorrectPassword:
        return PdfModule::PasswordError;
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return PdfModule::SecurityError;
    default:
        return PdfModule::UnknownError;
    }
}

void closeDocument() {
    delete document;
    document = nullptr;
    delete file;
    file = nullptr;
    if (pageText) pageText->clear();
}

} // namespace

LEXO_PDF_EXPORT void lexoPdfInitialize() {
    if (pageText) return;
    pageText = new QString;
    lastError = PdfModule::NoError;
    qAddPostRoutine(closeDocument);
}

LEXO_PDF_EXPORT bool lexoPdfOpen(const char16_t* path, std::ptrdiff_t length) {
    closeDocument();
    lastError = PdfModule::NoError;
    auto opened = std::make_unique<QFile>(QString(reinterpret_cast<const QChar*>(path), length));
    if (!opened->open(QIODevice::ReadOnly)) {
        lastError = PdfModule::FileError;
        return false;
    }
    auto loaded = std::make_unique<QPdfDocument>();
    loaded->load(opened.get());
    // Qt reports a document without pages as an error without a reason;
    // it is a document with no text.
    const QPdfDocument::Error error = loaded->error();
    if (error != QPdfDocument::Error::None) {
        lastError = errorCode(error);
        return false;
    }
    file = opened.release();
    document = loaded.release();
    return true;
}

LEXO_PDF_EXPORT int lexoPdfLastError() {
    return lastError;
}

LEXO_PDF_EXPORT int lexoPdfPageCount() {
    return document ? document->pageCount() : 0;
}

LEXO_PDF_EXPORT const char16_t* lexoPdfPageText(int page, std::ptrdiff_t* length) {
    *pageText = document && page >= 0 && page < document->pageCount()
                    ? document->getAllText(page).text()
                    : QString();
    *length = pageText->size();
    return reinterpret_cast<const char16_t*>(pageText->utf16());
}

LEXO_PDF_EXPORT void lexoPdfClose() {
    closeDocument();
}
