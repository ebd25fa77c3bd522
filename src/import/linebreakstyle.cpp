#include "import/linebreakstyle.h"

#include "text/linesplitter.h"

#include <cstring>

namespace {
constexpr std::string_view lineSeparatorUtf8("\xE2\x80\xA8");
}

namespace LineBreakStyle {

void Found::note(std::string_view utf8) {
    cr |= utf8.find('\r') != std::string_view::npos;
    lf |= utf8.find('\n') != std::string_view::npos;
    separator |= utf8.find(lineSeparatorUtf8) != std::string_view::npos;
}

Found& Found::operator|=(const Found& other) {
    cr |= other.cr;
    lf |= other.lf;
    separator |= other.separator;
    return *this;
}

Style Found::style() const {
    if (separator) return LineSeparator;
    if (cr && !lf) return Cr;
    if (lf && !cr) return Lf;
    return CrLf;
}

Style detect(std::string_view utf8) {
    Found found;
    found.note(utf8);
    return found.style();
}

std::string_view separator(Style style) {
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

void toLf(std::string& utf8) {
    char* const base = utf8.data();
    std::size_t write = 0;
    bool first = true;
    // Lines only ever move towards the front; LF-only texts do not move at all.
    LineSplitter::forEachLine(
        utf8,
        [&](std::size_t begin, std::size_t end) {
            if (!first) base[write++] = '\n';
            first = false;
            if (write != begin) std::memmove(base + write, base + begin, end - begin);
            write += end - begin;
        },
        LineSplitter::FinalBreak::StartsEmptyLine, LineSplitter::Breaks::WithLineSeparator);
    utf8.resize(write);
}

} // namespace LineBreakStyle
