#include "text/ansicodepage.h"

#include "text/wtf8.h"

#include <unicode/ucnv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's own names of the Windows tables; the "windows-125x" aliases are
// ambiguous in ICU and would draw a warning.
const char* icuName(int codePage) {
    switch (codePage) {
    case 874:
        return "windows-874-2000";
    case 932:
        return "ibm-943_P15A-2003";
    case 936:
        return "windows-936-2000";
    case 949:
        return "windows-949-2000";
    case 950:
        return "windows-950-2000";
    case 1250:
        return "ibm-5346_P100-1998";
    case 1251:
        return "ibm-5347_P100-1998";
    case 1252:
        return "ibm-5348_P100-1997";
    case 1253:
        return "ibm-5349_P100-1998";
    case 1254:
        return "ibm-5350_P100-1998";
    case 1255:
        return "ibm-9447_P100-2002";
    case 1256:
        return "ibm-9448_X100-2005";
    case 1257:
        return "ibm-9449_P100-2002";
    case 1258:
        return "ibm-5354_P100-1998";
    case AnsiCodePage::Utf8:
        return "UTF-8";
    }
    return nullptr;
}

// Unknown code pages are tried under ICU's aliases and otherwise read as 1252.
Converter openConverter(int codePage) {
    UErrorCode status = U_ZERO_ERROR;
    if (const char* name = icuName(codePage)) {
        Converter c(ucnv_open(name, &status));
        if (U_SUCCESS(status)) return c;
    }
    for (const char* prefix : {"windows-", "cp"}) {
        status = U_ZERO_ERROR;
        const QByteArray name = prefix + QByteArray::number(codePage);
        Converter c(ucnv_open(name.constData(), &status));
        if (U_SUCCESS(status)) return c;
    }
    status = U_ZERO_ERROR;
    return Converter(ucnv_open(icuName(1252), &status));
}

bool allAscii8(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0;
}

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u < 0xDC00;
}

// Single-byte code pages go through a table of the 256 bytes' UTF-8 forms,
// which is much faster than ICU followed by a UTF-16 to UTF-8 pass. Returns
// false when the converter is not a plain single-byte one.
bool decodeSingleByte(UConverter* conv, std::string_view bytes, std::string& out) {
    if (ucnv_getMaxCharSize(conv) != 1 || ucnv_getMinCharSize(conv) != 1) return false;
    char all[256];
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    char16_t units[512];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t decoded = ucnv_toUChars(conv, units, 512, all, 256, &status);
    ucnv_reset(conv);
    if (U_FAILURE(status) || decoded != 256) return false;
    struct Utf8Form {
        char bytes[3];
        unsigned char size;
    };
    std::array<Utf8Form, 256> table;
    for (int i = 0; i < 256; ++i) {
        if (units[i] >= 0xD800 && units[i] < 0xE000) return false;
        std::string form;
        Wtf8::append(form, QStringView(&units[i], 1));
        table[i] = {{form[0], form.size() > 1 ? form[1] : '\0', form.size() > 2 ? form[2] : '\0'},
                    static_cast<unsigned char>(form.size())};
    }
    bool asciiSame = true;
    for (int i = 0; i < 0x80; ++i)
        asciiSame = asciiSame && table[i].size == 1 && table[i].bytes[0] == char(i);
    // Runs of ASCII, the bulk of most texts, are taken eight bytes at a time.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const auto asciiRun = [asciiSame, p, n](std::size_t i) {
        return asciiSame && n - i >= 8 && allAscii8(p + i);
    };

    std::size_t size = 0;
    for (std::size_t i = 0; i < n;) {
        if (asciiRun(i)) {
            size += 8;
            i += 8;
        } else {
            size += table[p[i++]].size;
        }
    }
    // Other bytes write all three bytes of their form and advance by its
    // size; the two spare bytes at the end take the overshoot.
    const std::size_t start = out.size();
    out.resize(start + size + 2);
    char* d = out.data() + start;
    for (std::size_t i = 0; i < n;) {
        if (asciiRun(i)) {
            std::memcpy(d, p + i, 8);
            d += 8;
            i += 8;
            continue;
        }
        const Utf8Form& f = table[p[i++]];
        d[0] = f.bytes[0];
        d[1] = f.bytes[1];
        d[2] = f.bytes[2];
        d += f.size;
    }
    out.resize(start + size);
    return true;
}

// Decodes in slices of UTF-16 and hands each slice to sink(const char16_t*,
// qsizetype). A surrogate pair is never split between two slices.
template <typename Sink> void decodeSlices(UConverter* conv, std::string_view bytes, Sink sink) {
    constexpr int32_t slice = 1 << 15;
    std::unique_ptr<char16_t[]> buffer(new char16_t[slice]);
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    int32_t carried = 0;
    for (;;) {
        char16_t* target = buffer.get() + carried;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(conv, &target, buffer.get() + slice, &source, sourceEnd, nullptr, true,
                       &status);
        qsizetype produced = target - buffer.get();
        const bool more = status == U_BUFFER_OVERFLOW_ERROR;
        carried = 0;
        if (more && produced > 1 && isHighSurrogate(buffer[produced - 1])) {
            --produced;
            carried = 1;
        }
        sink(buffer.get(), produced);
        if (carried) buffer[0] = buffer[produced];
        if (!more) break;
    }
    ucnv_reset(conv);
}

} // namespace

namespace AnsiCodePage {

int forLocale(const QLocale& locale) {
    // The script decides for the languages written in more than one (Serbian,
    // Bosnian, Azerbaijani, Uzbek, Chinese); QLocale always fills it in.
    switch (locale.script()) {
    case QLocale::CyrillicScript:
        return 1251;
    case QLocale::GreekScript:
        return 1253;
    case QLocale::HebrewScript:
        return 1255;
    case QLocale::ArabicScript:
        return 1256;
    case QLocale::ThaiScript:
        return 874;
    case QLocale::TraditionalHanScript:
        return 950;
    case QLocale::SimplifiedHanScript:
        return 936;
    default:
        break;
    }
    switch (locale.language()) {
    case QLocale::Albanian:
    case QLocale::Bosnian:
    case QLocale::Croatian:
    case QLocale::Czech:
    case QLocale::Hungarian:
    case QLocale::Polish:
    case QLocale::Romanian:
    case QLocale::Serbian:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::Turkmen:
        return 1250;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Uzbek:
        return 1254;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return 1257;
    case QLocale::Vietnamese:
        return 1258;
    case QLocale::Japanese:
        return 932;
    case QLocale::Korean:
        return 949;
    default:
        return 1252;
    }
}

QString decode(QByteArrayView bytes, int codePage) {
    return Wtf8::toQString(
        decodeToUtf8(std::string_view(bytes.data(), std::size_t(bytes.size())), codePage));
}

std::string decodeToUtf8(std::string_view bytes, int codePage) {
    std::string out;
    Converter conv = openConverter(codePage);
    if (!conv) return out;
    if (decodeSingleByte(conv.get(), bytes, out)) return out;
    // Most multi-byte text needs at most 1.5 bytes of UTF-8 per input byte.
    out.reserve(bytes.size() + bytes.size() / 2);
    decodeSlices(conv.get(), bytes,
                 [&out](const char16_t* s, qsizetype n) { Wtf8::append(out, QStringView(s, n)); });
    return out;
}

QByteArray encode(QStringView text, int codePage) {
    QByteArray out;
    Converter conv = openConverter(codePage);
    if (!conv || text.isEmpty()) return out;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFallback(conv.get(), true);
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    status = U_ZERO_ERROR;
    out.resize(text.size() * ucnv_getMaxCharSize(conv.get()) + 16);
    char* target = out.data();
    const UChar* source = reinterpret_cast<const UChar*>(text.utf16());
    ucnv_fromUnicode(conv.get(), &target, out.data() + out.size(), &source, source + text.size(),
                     nullptr, true, &status);
    out.truncate(U_SUCCESS(status) ? target - out.data() : 0);
    return out;
}

} // namespace AnsiCodePage
