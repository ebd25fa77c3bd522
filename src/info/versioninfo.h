#pragma once

#include "info/versiondata.h"

#include <QString>
#include <QtGlobal>

// Reads the version block that embedVersionInto() links into an executable, from the
// executable's file: the ELF section ".lexometer_version" of a 64-bit little-endian file.
//
// The block mirrors a Windows version resource. After the magic "LXVI" and the block's
// total size (u32) come entries, each a u16 key length, a u16 zero, a u32 value length,
// the key and the value, all little-endian. Keys are query paths:
//   "\"                       fixed information: signature 0xFEEF04BD, structure version,
//                             file version high and low word pairs, product version ditto
//   "\VarFileInfo\Translation" pairs of u16 language and u16 code page
//   "\StringFileInfo\040904E4\CompanyName" and so on: NUL-terminated UTF-8 strings
namespace VersionInfo {

// Throws std::runtime_error, its text fit to show the user, when the file cannot be
// read, has no version block, a damaged one, or no translation table.
VersionData readVersionData(const QString& exePath);

// Major version in the upper 16 bits, minor in the lower; 0xFFFFFFFF when the file has
// no readable version block. Never throws.
quint32 fileVersionNumber(const QString& exePath) noexcept;

// "major.minor" of a file version number.
QString appVersion(quint32 fileVersionNumber);
QString appTitle(const VersionData& data);

} // namespace VersionInfo
