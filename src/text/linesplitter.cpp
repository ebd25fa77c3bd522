#include "text/linesplitter.h"

#include "text/wtf8.h"

namespace LineSplitter {

QStringList lines(std::string_view text, FinalBreak finalBreak, Breaks breaks) {
    QStringList out;
    forEachLine(
        text,
        [&](std::size_t begin, std::size_t end) {
            out.append(Wtf8::toQString(text.substr(begin, end - begin)));
        },
        finalBreak, breaks);
    return out;
}

} // namespace LineSplitter
