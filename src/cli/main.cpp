#include "cli/analyzecli.h"

#include "analysis/engine/memorytuning.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    // Each file's own shortage of memory is reported by the tool; this is for
    // one before or between the files.
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("lexometer-analyze"));
        AnalyzeCli cli;
        return cli.run(QCoreApplication::arguments());
    } catch (const std::bad_alloc&) {
        std::fputs("lexometer-analyze: not enough memory\n", stderr);
        return AnalyzeCli::FileFailed;
    }
}
