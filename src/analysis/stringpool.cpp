#include "analysis/stringpool.h"

#include "text/wtf8.h"

#include <cstring>

QString StringPool::string(qsizetype i) const {
    return Wtf8::toQString(view(i));
}

void StringPool::append(QStringView text) {
    Wtf8::append(bytes_, text);
    offsets_.push_back(bytes_.size());
}

void StringPool::adoptLines(std::string&& bytes) {
    bytes_ = std::move(bytes);
    offsets_.assign(1, 0);
    char* const base = bytes_.data();
    const std::size_t n = bytes_.size();
    const bool anyCr = std::memchr(base, '\r', n) != nullptr;
    std::size_t r = 0, w = 0;
    while (r < n) {
        std::size_t stop;
        if (!anyCr) {
            const void* f = std::memchr(base + r, '\n', n - r);
            stop = f ? std::size_t(static_cast<const char*>(f) - base) : n;
        } else {
            stop = r;
            while (stop < n && base[stop] != '\n' && base[stop] != '\r')
                ++stop;
        }
        const std::size_t len = stop - r;
        if (w != r && len) std::memmove(base + w, base + r, len);
        w += len;
        offsets_.push_back(w);
        r = stop;
        if (r < n) {
            if (base[r] == '\r' && r + 1 < n && base[r + 1] == '\n')
                r += 2;
            else
                r += 1;
        }
    }
    // Only the breaks were removed: not worth a copy of the whole text.
    bytes_.resize(w);
    offsets_.shrink_to_fit();
}

bool StringPool::appendUtf8(std::string_view stored, QByteArray& out) {
    for (std::size_t i = 0; i + 1 < stored.size(); ++i)
        if (static_cast<unsigned char>(stored[i]) == 0xED &&
            static_cast<unsigned char>(stored[i + 1]) >= 0xA0)
            return false;
    out.append(stored.data(), qsizetype(stored.size()));
    return true;
}
