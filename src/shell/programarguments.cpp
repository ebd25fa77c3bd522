#include "shell/programarguments.h"

#include <QDir>
#include <QFileInfo>

namespace ProgramArguments {

Parsed parse(const QStringList& arguments) {
    Parsed parsed;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.isEmpty()) continue;
        if (optionsEnded || argument.size() < 2 || !argument.startsWith(u'-')) {
            // Named once, for every reader: a tool that runs in a folder of
            // its own gets the same file.
            parsed.files << QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--help" || argument == u"-h") {
            parsed.request = Request::Help;
            return parsed;
        } else if (argument == u"--version" || argument == u"-v") {
            parsed.request = Request::Version;
            return parsed;
        } else if (parsed.badOption.isEmpty()) {
            parsed.badOption = argument;
        }
    }
    if (!parsed.badOption.isEmpty()) parsed.request = Request::BadOption;
    return parsed;
}

QString helpText() {
    return QStringLiteral(
        "Usage: lexometer [OPTION]... [FILE]...\n"
        "Measures a text. Each FILE, text or PDF, loads into the editor in turn, as when\n"
        "dropped on the window; the last one stays.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "  --             take what follows as files, even when it starts with -\n"
        "\n"
        "Qt's own options, such as -platform NAME, are taken too.\n"
        "The analysis on the command line is lexometer-analyze (man lexometer-analyze).\n");
}

} // namespace ProgramArguments
