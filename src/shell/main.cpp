#include "analysis/memorytuning.h"
#include "shell/ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    MemoryTuning::apply();
    // A named lock held for the life of the process. It is never tested: a
    // shared lock, so a second copy of the program starts normally.
    const QByteArray lockPath = QFile::encodeName(QDir::tempPath() + "/BRELLIX_Lexometer.lock");
    const int lock = ::open(lockPath.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_SH | LOCK_NB);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    MainWindow window;
    window.startUp(window.programSteps());
    window.show();
    return app.exec();
}
