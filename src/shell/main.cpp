#include "analysis/engine/memorytuning.h"
#include "info/ui/aboutwindow.h"
#include "info/versioninfo.h"
#include "online/servicerequest.h"
#include "shell/instancelock.h"
#include "shell/programarguments.h"
#include "shell/ui/mainwindow.h"
#include "widgets/programstyle.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace {

QStringList rawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int printVersion() {
    // The executable's own file, by the kernel's link: no QApplication yet.
    try {
        const VersionData data = VersionInfo::readVersionData(QStringLiteral("/proc/self/exe"));
        std::fputs(qPrintable(data.productName + u' ' + data.productVersion + u'\n'), stdout);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lexometer: %s\n", e.what());
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before QApplication, which aborts where there is no display.
    const ProgramArguments::Parsed early = ProgramArguments::parse(rawArguments(argc, argv));
    if (early.request == ProgramArguments::Request::Help) {
        std::fputs(qPrintable(ProgramArguments::helpText()), stdout);
        return 0;
    }
    if (early.request == ProgramArguments::Request::Version) return printVersion();

    MemoryTuning::apply();
    // Held, never tested, until the process ends: a second copy of the
    // program starts normally.
    const QString maker = QStringLiteral("BRELLIX");
    const QString product = QStringLiteral("Lexometer");
    FileError lockError;
    // In English: no language is loaded yet.
    if (InstanceLock::acquire(InstanceLock::folder(maker, product),
                              maker + u'_' + product + ".lock", &lockError) < 0)
        std::fprintf(stderr, "lexometer: %s; going on without it\n",
                     qPrintable(FileErrorText::text(lockError)));

    // Before any thread can make a request.
    ServiceRequest::initialize();
    QApplication app(argc, argv);
    // Qt has taken its own options out by now.
    const ProgramArguments::Parsed arguments = ProgramArguments::parse(QApplication::arguments());
    if (arguments.request == ProgramArguments::Request::BadOption) {
        std::fprintf(stderr, "lexometer: unknown option %s\nTry 'lexometer --help'.\n",
                     qPrintable(arguments.badOption));
        return 2;
    }
    QApplication::setStyle(new ProgramStyle);
    QApplication::setApplicationName(QStringLiteral("Lexometer"));
    QApplication::setWindowIcon(AboutWindow::programIcon());
    // Lets a Wayland desktop match the windows to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("lexometer"));
    MainWindow window;
    window.startUp(window.programSteps());
    window.startUpdateCheck();
    window.show();
    // "Open with" in a file manager: the files load like a drop, once the
    // window is up.
    if (!arguments.files.isEmpty())
        QTimer::singleShot(0, &window,
                           [&window, files = arguments.files] { window.loadDroppedFiles(files); });
    return app.exec();
}
