#pragma once

#include <QString>

// The strings of a file's version information, in the order they are read; a string the
// file lacks stays empty.
struct VersionData {
    QString companyName;
    QString fileDescription;
    QString fileVersion;
    QString internalName;
    QString legalCopyright;
    QString legalTrademarks;
    QString originalFileName;
    QString productName;
    QString productVersion;
    QString comments;
    QString privateBuild;
    QString specialBuild;

    bool operator==(const VersionData&) const = default;
};
