#include "memorytuning.h"
#include "tappform.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    TAppForm window;
    window.startUp(window.programSteps());
    window.show();
    return app.exec();
}
