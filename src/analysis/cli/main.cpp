#include "analyzecli.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lexometer-analyze"));
    AnalyzeCli cli;
    return cli.run(QCoreApplication::arguments());
}
