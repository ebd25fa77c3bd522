#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Everything a window hands to the desktop: web pages and documents for the
// user's default handlers, programs started on their own. One seam, so that
// a test sees what would have been opened or started instead.
namespace Desktop {

struct Request {
    enum class Kind { OpenUrl, StartProgram };
    Kind kind;
    QUrl url;                 // OpenUrl
    QString program;          // StartProgram
    QStringList arguments;    // StartProgram
    QString workingDirectory; // StartProgram; empty: the current one
};

// Receives each request instead of the desktop and answers whether it
// succeeded; an empty handler restores the desktop.
using Handler = std::function<bool(const Request&)>;
void setHandler(Handler handler);

// Opens a web page or file with the desktop's default handler.
bool openUrl(const QUrl& url);
// Starts a program detached from this one.
bool startProgram(const QString& program, const QStringList& arguments = {},
                  const QString& workingDirectory = {});

} // namespace Desktop
