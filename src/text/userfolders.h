#pragma once

#include <QString>

// The per-user folders the program writes into, as the XDG base directory
// rules describe them.
namespace UserFolders {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; a relative
// value is ignored rather than taken from the current folder.
QString configHome();
// Like QDir::mkpath, but the folders it adds are the user's alone (0700),
// as the rules ask for ~/.config. True when the folder exists afterwards.
bool makePrivatePath(const QString& path);

} // namespace UserFolders
