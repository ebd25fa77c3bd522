#pragma once

#include <QString>

// The strings of a file's version information, in the order they are read; a string the
// file lacks stays empty.
struct VersionData {
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;

    bool operator==(const VersionData&) const = default;
};
