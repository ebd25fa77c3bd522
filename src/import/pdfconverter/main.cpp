// lexometer-pdftext: the PDF module's work in a process of its own, driven
// by the program over standard input and output (see
// import/pdfconverterprocess.h for the wire format). Ends when its input
// ends.

#include "import/pdfmodule.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

bool readAll(void* buffer, size_t size) {
    char* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::read(STDIN_FILENO, bytes, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= size_t(got);
    }
    return true;
}

bool writeAll(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = ::write(STDOUT_FILENO, bytes, size);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes += sent;
        size -= size_t(sent);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lexometer-pdftext MODULE\n");
        return 2;
    }
    QLibrary library(QFile::decodeName(argv[1]));
    const auto initialize =
        reinterpret_cast<PdfModule::Initialize>(library.resolve(PdfModule::InitializeName));
    const auto open = reinterpret_cast<PdfModule::Open>(library.resolve(PdfModule::OpenName));
    const auto lastError =
        reinterpret_cast<PdfModule::LastError>(library.resolve(PdfModule::LastErrorName));
    const auto pageCount =
        reinterpret_cast<PdfModule::PageCount>(library.resolve(PdfModule::PageCountName));
    const auto pageText =
        reinterpret_cast<PdfModule::PageText>(library.resolve(PdfModule::PageTextName));
    if (!initialize || !open || !lastError || !pageCount || !pageText) {
        std::fprintf(stderr, "lexometer-pdftext: %s\n", qPrintable(library.errorString()));
        return 1;
    }
    initialize();

    std::vector<char16_t> path;
    for (;;) {
        std::uint32_t length = 0;
        if (!readAll(&length, sizeof length)) return 0;
        path.resize(length);
        if (!readAll(path.data(), length * sizeof(char16_t))) return 0;
        if (!open(path.data(), std::ptrdiff_t(length))) {
            const int code = lastError();
            const std::int32_t status = -std::int32_t(code > 0 ? code : PdfModule::UnknownError);
            if (!writeAll(&status, sizeof status)) return 0;
            continue;
        }
        const std::int32_t pages = pageCount();
        if (!writeAll(&pages, sizeof pages)) return 0;
        for (std::int32_t page = 0; page < pages; ++page) {
            std::ptrdiff_t units = 0;
            const char16_t* text = pageText(page, &units);
            const std::uint32_t size = std::uint32_t(units);
            if (!writeAll(&size, sizeof size) || !writeAll(text, size * sizeof(char16_t))) return 0;
        }
    }
}
