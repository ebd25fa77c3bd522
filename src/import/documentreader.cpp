#include "import/documentreader.h"

#include "text/textfile.h"

#include <QFileInfo>

namespace DocumentReader {

bool isPdf(const QString& path) {
    return QFileInfo(path).fileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

bool read(const QString& path, const PdfConverter& convertPdf, Document& document,
          FileError* error) {
    if (isPdf(path)) {
        if (!convertPdf) {
            if (error)
                *error = FileError::own(FileError::Action::Convert, path,
                                        FileError::Reason::NoPdfEngine);
            return false;
        }
        std::string utf8;
        QString message;
        if (!convertPdf(path, &utf8, &message)) {
            if (error) *error = FileError::message(message);
            return false;
        }
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
