// How soon the main window answers after start-up, and the longest it goes
// without answering while the background update check runs. Point
// LEXOMETER_SERVICE_HOST at a host that does not answer to see that the
// check never holds the window up.
//
//     startupbench [SECONDS]      (default 3: how long to watch)

#include "shell/ui/mainwindow.h"

#include "online/servicerequest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ServiceRequest::initialize();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3;

    MainWindow window;
    window.startUp(window.programSteps());
    window.startUpdateCheck();
    window.show();

    // A 10 ms pulse: its first tick is the first moment the window answers;
    // the widest gap between ticks is the longest it went without answering.
    qint64 first = -1, last = 0, widest = 0;
    QTimer pulse;
    pulse.setInterval(10);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (first < 0)
            first = now;
        else
            widest = std::max(widest, now - last);
        last = now;
    });
    pulse.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    std::printf("first answer after start: %lld ms\nlongest pause in %d s: %lld ms\n", first,
                seconds, widest);
    return 0;
}
