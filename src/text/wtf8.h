#pragma once

#include <QString>
#include <QStringView>

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions between UTF-16 and generalized UTF-8: well-formed UTF-8, except
// that an unpaired UTF-16 surrogate is kept as its own three-byte sequence,
// so that any QString survives the round trip unchanged.
namespace Wtf8 {

void append(std::string& out, QStringView text);
QString toQString(std::string_view bytes);
// Appends the UTF-16 code units of bytes to out.
void appendUtf16(std::u16string& out, std::string_view bytes);
// Number of UTF-16 code units the bytes decode to.
std::uint64_t utf16Length(std::string_view bytes);
// Strict UTF-8 check (no surrogates, no overlongs, nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);
// The text of UTF-16 bytes in the given byte order; code units are taken as
// they are, unpaired surrogates included, and an odd last byte is dropped.
std::string fromUtf16Bytes(std::string_view bytes, std::endian byteOrder);

// The code point at p in generalized UTF-8 that is known to be whole; p
// moves past it. Inline, for the loops that walk a text byte by byte.
inline char32_t decodeAt(const unsigned char*& p) {
    const unsigned char b = *p;
    if (b < 0x80) return *p++;
    if (b < 0xE0) {
        const char32_t c = ((b & 0x1F) << 6) | (p[1] & 0x3F);
        p += 2;
        return c;
    }
    if (b < 0xF0) {
        const char32_t c = ((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        p += 3;
        return c;
    }
    const char32_t c =
        ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    p += 4;
    return c;
}

} // namespace Wtf8
