#include "import/documentreader.h"

#include "text/textfile.h"

#include <QFileInfo>

namespace DocumentReader {

bool isPdf(const QString& path) {
    return QFileInfo(path).fileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

bool read(const QString& path, const PdfConverter& convertPdf, Document& document, QString* error) {
    if (isPdf(path)) {
        if (!convertPdf) {
            if (error)
                *error =
                    QStringLiteral("Cannot convert PDF file \"%1\". No PDF engine is available")
                        .arg(path);
            return false;
        }
        std::string utf8;
        if (!convertPdf(path, &utf8, error)) return false;
        document = Document{std::move(utf8), false, true};
        return true;
    }
    TextFile::Text text;
    if (!TextFile::read(path, text, error)) return false;
    document = Document{std::move(text.utf8), text.byteOrderMark, false};
    return true;
}

PdfConverter converter(PdfTextExtractor& extractor, PdfTextExtractor::Engine engine) {
    return [&extractor, engine](const QString& path, std::string* utf8, QString* error) {
        QString text;
        if (!extractor.extract(path, engine, text, error)) return false;
        *utf8 = text.toStdString();
        return true;
    };
}

} // namespace DocumentReader
