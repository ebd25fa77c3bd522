#pragma once

#include <QString>

// Where the program keeps its own files: its own folder when new files can
// be created there, else a per-user folder named after maker and product.
class DataFolder {
public:
    // Creates "chk.tmp" in the folder, exclusively, and removes it again.
    static bool isFolderWritable(const QString& folder);
    // The data folder, with a trailing "/"; creates the per-user folders.
    static QString decide(const QString& programFolder, const QString& companyName,
                          const QString& productName);
    // $XDG_CONFIG_HOME, or ~/.config.
    static QString userConfigFolder();
};
