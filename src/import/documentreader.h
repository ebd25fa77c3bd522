#pragma once

#include "import/pdftextextractor.h"
#include "text/fileerror.h"

#include <QString>

#include <functional>
#include <string>

// The one place that decides how a file becomes text: ".pdf" in any letter
// case through a PDF engine, everything else through the text reader
// (strict UTF-8, then a byte-order mark, then the ANSI code page). Callable
// from any thread that owns its converter.
namespace DocumentReader {

// Turns a PDF file into UTF-8; false with the reason.
using PdfConverter = std::function<bool(const QString& path, std::string* utf8, QString* error)>;

bool isPdf(const QString& path);

struct Document {
    std::string utf8;
    bool byteOrderMark = false;
    bool fromPdf = false;
};

// The file's text. On failure error says what failed on the file and why; a
// converter's own message is passed on as it is.
bool read(const QString& path, const PdfConverter& convertPdf, Document& document,
          FileError* error);

// A converter through an extractor and an engine, for a thread that uses the
// extractor alone.
PdfConverter converter(PdfTextExtractor& extractor, PdfTextExtractor::Engine engine);

} // namespace DocumentReader
