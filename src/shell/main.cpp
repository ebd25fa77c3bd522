#include "memorytuning.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    // A plain window until the main window lands.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lexometer"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
