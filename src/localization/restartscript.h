#pragma once

#include "text/fileerror.h"

#include <QByteArray>
#include <QString>

// The small shell script that starts the program again a moment after it
// has ended, so that a new language is loaded from the start.
namespace RestartScript {

// The script's bytes: a comment, a one-second pause, then the program
// started by its full path in its file-system encoding, single-quoted.
QByteArray contents(const QString& programPath);

// Writes "start.sh" into `folder` in one piece, replacing any old one, and
// gives its path. False with what failed and the system's reason when it
// cannot.
bool write(const QString& folder, const QString& programPath, QString* scriptPath,
           FileError* error = nullptr);

} // namespace RestartScript
