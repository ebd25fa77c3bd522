#pragma once

#include "analysis/corpus/corpusstream.h"

#include <QByteArray>

#include <cstdint>

// The file format of a partial result, described in docs/partial-format.md:
// a header, then the six sections of sorted entries, then an end mark.
namespace PartialFormat {

inline constexpr char Magic[8] = {'L', 'E', 'X', 'O', 'P', 'A', 'R', 'T'};
inline constexpr char EndMark[8] = {'L', 'E', 'X', 'O', '-', 'E', 'N', 'D'};
// Raised whenever the layout changes; partials of another version are
// refused, never guessed at.
inline constexpr std::uint32_t Version = 1;

// The header's bytes from the magic on, in this format's version.
QByteArray encodeHeader(const CorpusHeader& header);
// The same under another version number, for tests of refusals.
QByteArray encodeHeader(const CorpusHeader& header, std::uint32_t version);

// A variable-length number: seven bits a byte, low bits first, the top bit
// set on every byte but the last.
inline void appendNumber(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out += char(value | 0x80);
        value >>= 7;
    }
    out += char(value);
}

} // namespace PartialFormat
