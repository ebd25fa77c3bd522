#include "analysis/memorytuning.h"
#include "info/ui/aboutwindow.h"
#include "online/servicerequest.h"
#include "shell/instancelock.h"
#include "shell/ui/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    // Held, never tested, until the process ends: a second copy of the
    // program starts normally.
    const QString maker = QStringLiteral("BRELLIX");
    const QString product = QStringLiteral("Lexometer");
    InstanceLock::acquire(InstanceLock::folder(maker, product), maker + u'_' + product + ".lock");

    // Before any thread can make a request.
    ServiceRequest::initialize();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    QApplication::setWindowIcon(AboutWindow::programIcon());
    MainWindow window;
    window.startUp(window.programSteps());
    window.startUpdateCheck();
    window.show();
    return app.exec();
}
