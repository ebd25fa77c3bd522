#pragma once

#include <QString>
#include <QStringList>

// The program's command line: the files to open, as a desktop's "Open with" passes them,
// or a question answered without a window. Qt's own options (-platform, -style, ...)
// are QApplication's, which takes them out before the files are read.
namespace ProgramArguments {

enum class Request { Open, Help, Version, BadOption };

struct Parsed {
    Request request = Request::Open;
    QStringList files; // in the order given
    QString badOption; // the first option the program does not know
};

// `arguments` as QCoreApplication::arguments() gives them, the program first. --help and
// --version win over anything else; "--" ends the options, so that a file may start with "-".
Parsed parse(const QStringList& arguments);

QString helpText();

} // namespace ProgramArguments
