#pragma once

#include "text/fileerror.h"

#include <QByteArray>
#include <QString>

// The small shell script that starts the program again a moment after it
// has ended, so that a new language is loaded from the start.
namespace RestartScript {

// The script's bytes: a comment, a one-second pause, a change to
// `workingFolder` (to the home folder when it is gone, or when it is empty
// because it was unknown), then the program started by its full path. Both
// paths are single-quoted in their file-system encoding.
QByteArray contents(const QString& programPath, const QString& workingFolder);

// Writes "start.sh" into `folder` in one piece, replacing any old one, and
// gives its path. False with what failed and the system's reason when it
// cannot.
bool write(const QString& folder, const QString& programPath, const QString& workingFolder,
           QString* scriptPath, FileError* error = nullptr);

} // namespace RestartScript
