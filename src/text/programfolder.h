#pragma once

#include <QString>

// Where the running program's own files are: the folder of its executable,
// found from /proc/self/exe as bytes. Files beside the program (the PDF
// module and converter, the tool folder, the language files) are found
// through it, never through the working folder.
namespace ProgramFolder {

// An absolute folder path without a trailing separator. A folder whose
// name is not valid UTF-8 is reached through a descriptor kept open for the
// whole run (/proc/self/fd/N), which child processes inherit. Empty, with
// the reason in error, when the folder cannot be found.
QString path(QString* error = nullptr);

// The absolute path of a file in the program folder; empty when the folder
// cannot be found.
QString filePath(const QString& name);

// The same decision for the folder given as raw bytes: used by path() and
// by tests.
QString fromBytes(const QByteArray& folder, QString* error);

} // namespace ProgramFolder
