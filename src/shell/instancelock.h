#pragma once

#include "text/fileerror.h"

#include <QString>

// The program's named lock: a file that each running copy holds a shared
// lock on. Nothing looks at it; a second copy starts normally.
namespace InstanceLock {

// $XDG_RUNTIME_DIR, which only the user can write to; else the per-user
// folder of the program, created when missing. Empty when neither exists.
QString folder(const QString& companyName, const QString& productName);
// Opens or creates folder/name (never through a symbolic link) and takes a
// shared lock on it. The descriptor, to be left open for the life of the
// process; -1 when the file cannot be opened or is no regular file (a FIFO,
// a folder, a device), with what failed and why in error. Never waits.
int acquire(const QString& folder, const QString& name, FileError* error = nullptr);

} // namespace InstanceLock
