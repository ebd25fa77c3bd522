#include "analysis/engine/stringpool.h"

#include "text/linesplitter.h"
#include "text/wtf8.h"

#include <cstring>

QString StringPool::string(qsizetype i) const {
    return Wtf8::toQString(view(i));
}

void StringPool::append(QStringView text) {
    Wtf8::append(bytes_, text);
    pushEnd(bytes_.size());
}

void StringPool::adoptLines(std::string&& bytes) {
    bytes_ = std::move(bytes);
    offsets_.assign(1, 0);
    wraps_.clear();
    char* const base = bytes_.data();
    std::size_t w = 0;
    LineSplitter::forEachLine(bytes_, [&](std::size_t begin, std::size_t end) {
        if (w != begin && end > begin) std::memmove(base + w, base + begin, end - begin);
        w += end - begin;
        pushEnd(w);
    });
    // Only the breaks were removed: not worth a copy of the whole text, nor
    // of the ends, whose room past the last is never touched.
    bytes_.resize(w);
}

bool StringPool::appendUtf8(std::string_view stored, QByteArray& out) {
    for (std::size_t i = 0; i + 1 < stored.size(); ++i)
        if (static_cast<unsigned char>(stored[i]) == 0xED &&
            static_cast<unsigned char>(stored[i + 1]) >= 0xA0)
            return false;
    out.append(stored.data(), qsizetype(stored.size()));
    return true;
}
