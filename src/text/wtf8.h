#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>

// Conversions between UTF-16 and the generalized UTF-8 of StringPool.
class Wtf8 {
public:
    static void append(std::string& out, QStringView text);
    static QString toQString(std::string_view bytes);
    // Appends the UTF-16 code units of bytes to out.
    static void appendUtf16(std::u16string& out, std::string_view bytes);
    // Number of UTF-16 code units the bytes decode to.
    static std::uint64_t utf16Length(std::string_view bytes);
    // Strict UTF-8 check (no surrogates, no overlongs, nothing above U+10FFFF).
    static bool isValidUtf8(std::string_view bytes);
};
