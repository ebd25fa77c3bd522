#pragma once

#include <string>
#include <string_view>

// How a text separates its lines, as noted when it is loaded and used again
// when it is saved.
namespace LineBreakStyle {

enum Style { CrLf, Lf, Cr, LineSeparator };

// The kinds of break found in a text, gathered piece by piece.
struct Found {
    bool cr = false;
    bool lf = false;
    bool separator = false; // U+2028
    void note(std::string_view utf8);
    Found& operator|=(const Found& other);
    // U+2028 if the text holds one; otherwise CR alone if it holds CR but
    // no LF, LF alone if it holds LF but no CR, else CR LF.
    Style style() const;
};

// The style of a whole UTF-8 text, as Found::style() tells it.
Style detect(std::string_view utf8);
// The bytes written between two lines.
std::string_view separator(Style style);
// Turns every break (CR LF, LF, CR, U+2028) into LF, in place: the form the
// editor keeps.
void toLf(std::string& utf8);

} // namespace LineBreakStyle
