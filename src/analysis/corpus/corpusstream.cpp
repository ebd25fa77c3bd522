#include "analysis/corpus/corpusstream.h"

#include "analysis/engine/listcollator.h"

#include <unicode/ucol.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <cstring>

namespace {

QString versionText(const std::array<std::uint8_t, 4>& version) {
    char text[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(version.data(), text);
    return QString::fromLatin1(text);
}

// Reads the UTF-16 code units of generalized UTF-8, one at a time.
class Utf16Units {
public:
    explicit Utf16Units(std::string_view bytes)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}
    // False at the end.
    bool next(char16_t& unit) {
        if (low_) {
            unit = low_;
            low_ = 0;
            return true;
        }
        if (p_ == end_) return false;
        const auto b = static_cast<unsigned char>(*p_);
        auto at = [this](int i) { return char32_t(static_cast<unsigned char>(p_[i]) & 0x3F); };
        char32_t c;
        if (b < 0x80) {
            c = b;
            p_ += 1;
        } else if (b < 0xE0) {
            c = (char32_t(b & 0x1F) << 6) | at(1);
            p_ += 2;
        } else if (b < 0xF0) {
            c = (char32_t(b & 0x0F) << 12) | (at(1) << 6) | at(2);
            p_ += 3;
        } else {
            c = (char32_t(b & 0x07) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
            p_ += 4;
        }
        if (c < 0x10000) {
            unit = char16_t(c);
        } else {
            unit = char16_t(0xD800 + ((c - 0x10000) >> 10));
            low_ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        return true;
    }

private:
    const char* p_;
    const char* end_;
    char16_t low_ = 0;
};

} // namespace

CorpusSettings CorpusSettings::of(const ListCollator& collator, const QString& wordCharacters,
                                  const std::string& pdfEngine) {
    CorpusSettings settings;
    settings.wordCharacters = wordCharacters;
    settings.collation = collator.localeName();
    UVersionInfo version;
    ucol_getVersion(collator.handle(), version);
    std::copy(version, version + 4, settings.collatorVersion.begin());
    ucol_getUCAVersion(collator.handle(), version);
    std::copy(version, version + 4, settings.ucaVersion.begin());
    settings.pdfEngine = pdfEngine;
    return settings;
}

CorpusSettings::Difference CorpusSettings::differenceFrom(const CorpusSettings& other) const {
    if (wordCharacters != other.wordCharacters)
        return {QStringLiteral("word characters"), wordCharacters, other.wordCharacters};
    if (collation != other.collation)
        return {QStringLiteral("collation locale"), QString::fromStdString(collation),
                QString::fromStdString(other.collation)};
    if (collatorVersion != other.collatorVersion)
        return {QStringLiteral("collator version"), versionText(collatorVersion),
                versionText(other.collatorVersion)};
    if (ucaVersion != other.ucaVersion)
        return {QStringLiteral("UCA version"), versionText(ucaVersion),
                versionText(other.ucaVersion)};
    if (pdfEngine != other.pdfEngine)
        return {QStringLiteral("PDF engine"), QString::fromStdString(pdfEngine),
                QString::fromStdString(other.pdfEngine)};
    return {};
}

CorpusTotals& CorpusTotals::operator+=(const CorpusTotals& other) {
    files += other.files;
    fileSize += other.fileSize;
    for (int s = 0; s < CorpusSections; ++s)
        counts[s] += other.counts[s];
    return *this;
}

namespace CorpusOrder {

int compareKeys(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    if (n) {
        const int c = std::memcmp(a.data(), b.data(), n);
        if (c) return c < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int compareUtf16(std::string_view a, std::string_view b) {
    // Byte order is code point order, which is UTF-16 order but for
    // characters beyond the BMP against U+E000 to U+FFFF: from the first
    // difference on, the units decide.
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    if (i == n) return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80)
        --i;
    Utf16Units x(a.substr(i)), y(b.substr(i));
    for (;;) {
        char16_t u = 0, v = 0;
        const bool hasU = x.next(u), hasV = y.next(v);
        if (!hasU || !hasV) return hasU ? 1 : hasV ? -1 : 0;
        if (u != v) return u < v ? -1 : 1;
    }
}

int compare(CorpusSection section, const CorpusEntry& a, const CorpusEntry& b) {
    const int c = compareKeys(a.key, b.key);
    if (c || isPhraseSection(section)) return c;
    return compareUtf16(a.text, b.text);
}

} // namespace CorpusOrder
