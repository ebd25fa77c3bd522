#include "analysis/cli/analyzecli.h"

#include "analysis/memorytuning.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lexometer-analyze"));
    AnalyzeCli cli;
    return cli.run(QCoreApplication::arguments());
}
