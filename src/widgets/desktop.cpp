#include "widgets/desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace {

Desktop::Handler& handler() {
    static Desktop::Handler h;
    return h;
}

} // namespace

void Desktop::setHandler(Handler h) {
    handler() = std::move(h);
}

bool Desktop::openUrl(const QUrl& url) {
    if (handler()) return handler()(Request{Request::Kind::OpenUrl, url, {}, {}, {}});
    return QDesktopServices::openUrl(url);
}

bool Desktop::startProgram(const QString& program, const QStringList& arguments,
                           const QString& workingDirectory) {
    if (handler())
        return handler()(
            Request{Request::Kind::StartProgram, {}, program, arguments, workingDirectory});
    return QProcess::startDetached(program, arguments, workingDirectory);
}
