#pragma once

#include <QString>

// The values that tell the service which system, locale and machine calls.
namespace ClientIdentity {

// "<PRETTY_NAME> (Version X.Y, Build <kernel release>, 64-bit Edition)".
QString describeOs(const QString& osReleasePath = QStringLiteral("/etc/os-release"),
                   const QString& fallbackOsReleasePath = QStringLiteral("/usr/lib/os-release"));

// The same from given parts, for a kernel release such as "6.1.0-18-amd64".
QString describeOs(const QString& prettyName, const QString& kernelRelease, bool is64Bit);

// The user's locale at start-up as language-region ("en-US"); "xx" when
// there is none.
QString localeCode();

// A stable identifier of this machine, derived from the machine id so that
// the raw id never leaves the machine; empty when the file is missing,
// empty or uninitialized. Throws std::runtime_error when the file exists but
// cannot be read or holds no machine id.
QString machineId(const QString& machineIdPath = QStringLiteral("/etc/machine-id"));

} // namespace ClientIdentity
