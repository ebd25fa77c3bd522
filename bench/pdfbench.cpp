// Extracts the text of one PDF file by one engine and prints the time it
// took; bench/pdf.sh drives it.
#include "import/pdftextextractor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3 || (arguments[1] != u"pdfium" && arguments[1] != u"xpdf")) {
        std::fputs("usage: pdfbench pdfium|xpdf FILE.pdf\n", stderr);
        return 2;
    }
    PdfTextExtractor extractor;
    QString error;
    // Loading the module is part of start-up, not of an extraction.
    if (!extractor.loadModule(&error)) {
        std::fprintf(stderr, "pdfbench: %s\n", qPrintable(error));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    QString text;
    const auto engine = arguments[1] == u"xpdf" ? PdfTextExtractor::Engine::Tool
                                                : PdfTextExtractor::Engine::InProcess;
    if (!extractor.extract(arguments[2], engine, text, &error)) {
        std::fprintf(stderr, "pdfbench: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%.3f s, %lld characters\n", timer.nsecsElapsed() / 1e9, qlonglong(text.size()));
    return 0;
}
