#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The Windows "ANSI" code pages: which one a locale uses, and conversions
// through ICU. Code page 65001 is UTF-8, decoded leniently.
namespace AnsiCodePage {

inline constexpr int Utf8 = 65001;

// The ANSI code page Windows gives a user of this locale (1252 unless the
// language or script calls for another). Decided from Qt's own locale data,
// so it does not matter which locales the system has installed.
int forLocale(const QLocale& locale = QLocale());

// Bytes the code page cannot map become U+FFFD.
QString decode(QByteArrayView bytes, int codePage);
// Same decoding, straight into UTF-8 without a UTF-16 copy of the text.
std::string decodeToUtf8(std::string_view bytes, int codePage);
// Characters without a mapping get the code page's nearest fallback, else "?".
QByteArray encode(QStringView text, int codePage);

} // namespace AnsiCodePage
