#pragma once

#include <cstddef>
#include <string_view>

// The byte-order marks a text file may begin with.
namespace ByteOrderMark {

enum class Encoding { None, Utf8, Utf16LE, Utf16BE };

inline constexpr std::string_view Utf8Bytes("\xEF\xBB\xBF");

// The encoding the mark at the start of bytes names; None without a mark.
Encoding detect(std::string_view bytes);
// The length of that encoding's mark; 0 for None.
std::size_t size(Encoding encoding);
// The bytes after a leading UTF-8 mark, or all of them when there is none.
std::string_view skipUtf8(std::string_view bytes);

} // namespace ByteOrderMark
