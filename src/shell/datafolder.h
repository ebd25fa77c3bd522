#pragma once

#include <QString>

// Where the program keeps its own files: its own folder when new files can
// be created there, else a per-user folder named after maker and product.
namespace DataFolder {

// Creates "chk.tmp" in the folder, exclusively, and removes it again.
bool isFolderWritable(const QString& folder);
// The data folder, with a trailing "/"; creates the per-user folder with
// every missing folder above it.
QString decide(const QString& programFolder, const QString& companyName,
               const QString& productName);
// UserFolders::configHome()/company/product, created with every missing folder
// above it; no trailing "/". Empty when it cannot be created.
QString userFolder(const QString& companyName, const QString& productName);

} // namespace DataFolder
