#include "text/wtf8.h"

#include <algorithm>
#include <cstring>

namespace {

inline bool allAscii8(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

// Decodes one sequence of generalized UTF-8 starting at p (p < end) into a
// code point; unpaired surrogates come back as themselves.
inline char32_t decodeOne(const unsigned char*& p, const unsigned char* end) {
    unsigned char b = *p++;
    if (b < 0x80) return b;
    if (b < 0xE0) {
        char32_t c = (b & 0x1F) << 6;
        if (p < end) c |= (*p++ & 0x3F);
        return c;
    }
    if (b < 0xF0) {
        char32_t c = (b & 0x0F) << 12;
        if (p < end) c |= (*p++ & 0x3F) << 6;
        if (p < end) c |= (*p++ & 0x3F);
        return c;
    }
    char32_t c = (b & 0x07) << 18;
    if (p < end) c |= (*p++ & 0x3F) << 12;
    if (p < end) c |= (*p++ & 0x3F) << 6;
    if (p < end) c |= (*p++ & 0x3F);
    return c;
}

template <typename Out> inline void emitUtf16(Out& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(char16_t(c));
    } else {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    }
}

} // namespace

namespace Wtf8 {

void append(std::string& out, QStringView text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    out.reserve(out.size() + std::size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 &&
                   s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            // Includes unpaired surrogates, kept as three bytes.
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
}

QString toQString(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    const auto* q = p;
    while (q < end && *q < 0x80)
        ++q;
    if (q == end) return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    char16_t* const start = d;
    for (; p < q; ++p)
        *d++ = *p;
    struct Sink {
        char16_t*& d;
        void push_back(char16_t c) { *d++ = c; }
    } sink{d};
    while (p < end)
        emitUtf16(sink, decodeOne(p, end));
    out.truncate(d - start);
    return out;
}

void appendUtf16(std::u16string& out, std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    out.reserve(out.size() + bytes.size());
    while (p < end) {
        if (*p < 0x80)
            out.push_back(*p++);
        else
            emitUtf16(out, decodeOne(p, end));
    }
}

std::uint64_t utf16Length(std::string_view bytes) {
    // Every byte that starts a sequence is one unit; four-byte sequences are
    // surrogate pairs and count twice. Counted in blocks small enough for
    // 32-bit sums, which the compiler turns into vector code.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::uint64_t units = 0;
    for (std::size_t at = 0; at < n;) {
        const std::size_t stop = std::min(n, at + (std::size_t(1) << 20));
        std::uint32_t block = 0;
        for (std::size_t i = at; i < stop; ++i)
            block += std::uint32_t((p[i] & 0xC0) != 0x80) + std::uint32_t(p[i] >= 0xF0);
        units += block;
        at = stop;
    }
    return units;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (end - p >= 16 && allAscii8(p) && allAscii8(p + 8)) {
            p += 16;
            continue;
        }
        unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int need;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (end - p <= need) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (int k = 2; k <= need; ++k)
            if ((p[k] & 0xC0) != 0x80) return false;
        p += need + 1;
    }
    return true;
}

// Straight from the bytes rather than through a QString: files can be large.
std::string fromUtf16Bytes(std::string_view bytes, std::endian byteOrder) {
    const bool bigEndian = byteOrder == std::endian::big;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    const auto unit = [p, bigEndian](std::size_t i) -> char32_t {
        return bigEndian ? p[2 * i] << 8 | p[2 * i + 1] : p[2 * i + 1] << 8 | p[2 * i];
    };
    const auto isHigh = [](char32_t u) { return u >= 0xD800 && u < 0xDC00; };
    const auto isLow = [](char32_t u) { return u >= 0xDC00 && u < 0xE000; };

    // Four ASCII units at a time: the mask keeps every bit that makes a unit
    // non-ASCII, wherever the byte order puts it.
    const std::uint64_t nonAscii = bigEndian ? 0x80FF80FF80FF80FFULL : 0xFF80FF80FF80FF80ULL;
    const auto asciiRun = [p, units, nonAscii](std::size_t i) {
        if constexpr (std::endian::native != std::endian::little) return false;
        std::uint64_t w;
        if (units - i < 4) return false;
        std::memcpy(&w, p + 2 * i, 8);
        return (w & nonAscii) == 0;
    };

    // Sized exactly first, so that a large file is not copied while it grows.
    std::size_t size = 0;
    for (std::size_t i = 0; i < units; ++i) {
        if (asciiRun(i)) {
            size += 4;
            i += 3;
            continue;
        }
        const char32_t u = unit(i);
        if (u < 0x80) {
            size += 1;
        } else if (u < 0x800) {
            size += 2;
        } else if (isHigh(u) && i + 1 < units && isLow(unit(i + 1))) {
            size += 4;
            ++i;
        } else {
            size += 3;
        }
    }
    std::string out(size, '\0');
    char* d = out.data();
    const std::size_t low = bigEndian ? 1 : 0;
    for (std::size_t i = 0; i < units; ++i) {
        if (asciiRun(i)) {
            for (std::size_t k = 0; k < 4; ++k)
                d[k] = char(p[2 * (i + k) + low]);
            d += 4;
            i += 3;
            continue;
        }
        char32_t c = unit(i);
        if (c < 0x80) {
            *d++ = char(c);
        } else if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (isHigh(c) && i + 1 < units && isLow(unit(i + 1))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
            *d++ = char(0xF0 | (c >> 18));
            *d++ = char(0x80 | ((c >> 12) & 0x3F));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
            *d++ = char(0x80 | (c & 0x3F));
        } else {
            *d++ = char(0xE0 | (c >> 12));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
            *d++ = char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace Wtf8
