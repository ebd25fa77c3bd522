#pragma once

#include <QStringList>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Splits UTF-8 text into lines. Lines break at CR LF, LF and CR everywhere;
// the editor also breaks them at U+2028.
namespace LineSplitter {

enum class FinalBreak {
    EndsLastLine,    // "a\n" is one line, "" none
    StartsEmptyLine, // "a\n" is "a" and "", "" one empty line
};

enum class Breaks {
    CrLf,              // CR LF, LF and CR
    WithLineSeparator, // those and U+2028
};

namespace detail {

inline constexpr std::string_view lineSeparator("\xE2\x80\xA8");

// Where the next CR, LF or (with separators) first byte of U+2028 is, at or
// after `at`; text.size() when there is none. One pass over the text looks
// for all of them, sixteen bytes at a time; an empty view, whose data() may
// be null, is never dereferenced.
template <bool Separators> std::size_t findBreakByte(std::string_view text, std::size_t at) {
    const std::size_t n = text.size();
    const char* const p = text.data();
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i lead = _mm_set1_epi8(lineSeparator[0]);
    for (; at + 16 <= n; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf));
        if constexpr (Separators) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, lead));
        if (const unsigned mask = unsigned(_mm_movemask_epi8(hit)))
            return at + std::size_t(std::countr_zero(mask));
    }
#elif defined(__GNUC__)
    using Bytes = char __attribute__((vector_size(16)));
    for (; at + 16 <= n; at += 16) {
        Bytes chunk;
        std::memcpy(&chunk, p + at, 16);
        auto hit = (chunk == '\r') | (chunk == '\n');
        if constexpr (Separators) hit |= chunk == lineSeparator[0];
        std::uint64_t half[2];
        std::memcpy(half, &hit, 16);
        if (half[0] | half[1]) break; // the byte loop below finds it
    }
#endif
    for (; at < n; ++at)
        if (p[at] == '\r' || p[at] == '\n' || (Separators && p[at] == lineSeparator[0])) return at;
    return n;
}

template <bool Separators, typename Line>
void forEachLine(std::string_view text, Line& line, FinalBreak finalBreak) {
    const std::size_t n = text.size();
    std::size_t start = 0;
    for (std::size_t at = 0;;) {
        at = findBreakByte<Separators>(text, at);
        if (at == n) break;
        std::size_t length = 1;
        if (text[at] == '\r') {
            if (at + 1 < n && text[at + 1] == '\n') length = 2;
        } else if (Separators && text[at] != '\n') {
            if (text.substr(at, lineSeparator.size()) != lineSeparator) {
                ++at; // another character with the same first byte
                continue;
            }
            length = lineSeparator.size();
        }
        line(start, at);
        start = at += length;
    }
    if (start < n || finalBreak == FinalBreak::StartsEmptyLine) line(start, n);
}

} // namespace detail

// Calls line(begin, end) with the byte offsets of each line of `text`, in
// order. The text is read only beyond the line handed over, so `line` may
// move lines towards the front of the same buffer as it goes.
template <typename Line>
void forEachLine(std::string_view text, Line&& line,
                 FinalBreak finalBreak = FinalBreak::EndsLastLine, Breaks breaks = Breaks::CrLf) {
    if (breaks == Breaks::WithLineSeparator)
        detail::forEachLine<true>(text, line, finalBreak);
    else
        detail::forEachLine<false>(text, line, finalBreak);
}

// The lines of generalized UTF-8 text as strings.
QStringList lines(std::string_view text, FinalBreak finalBreak = FinalBreak::EndsLastLine,
                  Breaks breaks = Breaks::CrLf);

} // namespace LineSplitter
