#include "import/linebreakstyle.h"

#include <cstring>

namespace {
constexpr std::string_view lineSeparatorUtf8("\xE2\x80\xA8");
}

void LineBreakStyle::Found::note(std::string_view utf8) {
    cr |= utf8.find('\r') != std::string_view::npos;
    lf |= utf8.find('\n') != std::string_view::npos;
    separator |= utf8.find(lineSeparatorUtf8) != std::string_view::npos;
}

LineBreakStyle::Found& LineBreakStyle::Found::operator|=(const Found& other) {
    cr |= other.cr;
    lf |= other.lf;
    separator |= other.separator;
    return *this;
}

LineBreakStyle::Style LineBreakStyle::Found::style() const {
    if (separator) return LineSeparator;
    if (cr && !lf) return Cr;
    if (lf && !cr) return Lf;
    return CrLf;
}

LineBreakStyle::Style LineBreakStyle::detect(std::string_view utf8) {
    Found found;
    found.note(utf8);
    return found.style();
}

std::string_view LineBreakStyle::separator(Style style) {
    switch (style) {
    case Lf:
        return "\n";
    case Cr:
        return "\r";
    case LineSeparator:
        return lineSeparatorUtf8;
    case CrLf:
        break;
    }
    return "\r\n";
}

void LineBreakStyle::toLf(std::string& utf8) {
    char* const begin = utf8.data();
    const char* const end = begin + utf8.size();
    const char* read = begin;
    char* write = begin;
    // Runs without a break are moved whole; LF-only texts are not moved at
    // all. strcspn also stops at NUL bytes, which are copied like any other.
    static constexpr char stops[] = "\r\n\xE2";
    while (read < end) {
        const char* stop = read + std::strcspn(read, stops);
        if (write != read) std::memmove(write, read, std::size_t(stop - read));
        write += stop - read;
        read = stop;
        if (read >= end) break;
        if (*read == '\r' || *read == '\n' ||
            std::string_view(read, std::size_t(end - read)).starts_with(lineSeparatorUtf8)) {
            read += *read == '\r' && read + 1 < end && read[1] == '\n' ? 2
                    : *read == '\xE2'                                  ? lineSeparatorUtf8.size()
                                                                       : 1;
            *write++ = '\n';
        } else {
            *write++ = *read++;
        }
    }
    utf8.resize(std::size_t(write - begin));
}
