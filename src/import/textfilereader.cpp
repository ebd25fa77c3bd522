#include "import/textfilereader.h"

#include "analysis/textlines.h"
#include "text/ansicodepage.h"
#include "text/wtf8.h"

#include <QFile>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void setError(QString* error, const char* what, const QString& path, const QString& reason) {
    if (error)
        *error = QStringLiteral("Cannot %1 file \"%2\". %3").arg(QLatin1String(what), path, reason);
}

// The whole file in one buffer, sized from the file's length up front; files
// whose length is not known (pipes, /proc) are read on to their end.
bool readAll(const QString& path, std::string& bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        setError(error, "open", path, file.errorString());
        return false;
    }
    const qint64 expected = file.size();
    bytes.resize(std::size_t(expected));
    qint64 used = 0;
    while (used < expected) {
        const qint64 n = file.read(bytes.data() + used, expected - used);
        if (n < 0) {
            setError(error, "read", path, file.errorString());
            return false;
        }
        if (n == 0) break;
        used += n;
    }
    bytes.resize(std::size_t(used));
    char chunk[1 << 16];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            setError(error, "read", path, file.errorString());
            return false;
        }
        if (n == 0) break;
        bytes.append(chunk, std::size_t(n));
    }
    return true;
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// UTF-16 code units are taken as they are, unpaired surrogates included (as
// generalized UTF-8, like Wtf8 does); an odd last byte is dropped. Encoded
// here rather than through a UTF-16 buffer because files can be large.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
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

} // namespace

bool TextFileReader::readText(const QString& path, Text& text, QString* error,
                              const QLocale& locale) {
    std::string bytes;
    if (!readAll(path, bytes, error)) return false;

    constexpr std::string_view utf8Bom("\xEF\xBB\xBF");
    const bool utf8Marked = startsWith(bytes, utf8Bom);
    const std::string_view body = std::string_view(bytes).substr(utf8Marked ? utf8Bom.size() : 0);
    if (Wtf8::isValidUtf8(body)) {
        if (utf8Marked) bytes.erase(0, utf8Bom.size());
        text.utf8 = std::move(bytes);
        text.byteOrderMark = utf8Marked;
        return true;
    }

    std::string decoded;
    bool marked = true;
    if (utf8Marked) {
        decoded = AnsiCodePage::decodeToUtf8(body, AnsiCodePage::Utf8);
    } else if (startsWith(bytes, "\xFF\xFE")) {
        decoded = utf16ToUtf8(std::string_view(bytes).substr(2), false);
    } else if (startsWith(bytes, "\xFE\xFF")) {
        decoded = utf16ToUtf8(std::string_view(bytes).substr(2), true);
    } else {
        decoded = AnsiCodePage::decodeToUtf8(bytes, AnsiCodePage::forLocale(locale));
        marked = false;
    }
    text.utf8 = std::move(decoded);
    text.byteOrderMark = marked;
    return true;
}

bool TextFileReader::readLines(const QString& path, TextLines& lines, QString* error,
                               const QLocale& locale) {
    Text text;
    if (!readText(path, text, error, locale)) return false;
    lines.adoptUtf8Text(std::move(text.utf8));
    return true;
}
