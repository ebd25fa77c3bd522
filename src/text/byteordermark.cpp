#include "text/byteordermark.h"

namespace ByteOrderMark {

Encoding detect(std::string_view bytes) {
    if (bytes.starts_with(Utf8Bytes)) return Encoding::Utf8;
    if (bytes.starts_with("\xFF\xFE")) return Encoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return Encoding::Utf16BE;
    return Encoding::None;
}

std::size_t size(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        return Utf8Bytes.size();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return 2;
    case Encoding::None:
        break;
    }
    return 0;
}

std::string_view skipUtf8(std::string_view bytes) {
    return bytes.starts_with(Utf8Bytes) ? bytes.substr(Utf8Bytes.size()) : bytes;
}

} // namespace ByteOrderMark
