#pragma once

#include <QStringView>

// The program's own rules for trimming and comparing short texts, which are
// neither Qt's nor the locale's: every reader of settings, tables and boxes
// must agree on them.
namespace TextRules {

// Without the characters up to U+0020 at both ends.
inline QStringView trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.sliced(begin, end - begin);
}

// True when no character is above U+0020.
inline bool isBlank(QStringView text) {
    return trimmed(text).isEmpty();
}

// Only A to Z are folded, so that no locale's case rules (Turkish dotted and
// dotless i) change what a name matches.
inline bool equalsIgnoringAsciiCase(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i].unicode()) != lower(b[i].unicode())) return false;
    return true;
}

} // namespace TextRules
