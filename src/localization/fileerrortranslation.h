#pragma once

#include "text/fileerror.h"

#include <QString>

// File errors in the loaded language, for the windows.
namespace FileErrorTranslation {

// The sentences and reasons of a file error, each through translateText.
FileErrorWords words();
// The whole message; the system's reason is taken as the system gave it.
QString text(const FileError& error);

} // namespace FileErrorTranslation
