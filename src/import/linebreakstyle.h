#pragma once

#include <string>
#include <string_view>

// How a text separates its lines, as noted when it is loaded and used again
// when it is saved.
class LineBreakStyle {
public:
    enum Style { CrLf, Lf, Cr, LineSeparator };

    // U+2028 if the text holds one; otherwise CR alone if it holds CR but no
    // LF, LF alone if it holds LF but no CR, else CR LF. `utf8` is UTF-8.
    static Style detect(std::string_view utf8);
    // The bytes written between two lines.
    static std::string_view separator(Style style);
    // Turns every break (CR LF, LF, CR, U+2028) into LF, in place: the form
    // the editor keeps. Returns the number of lines (breaks + 1).
    static std::size_t toLf(std::string& utf8);
};
