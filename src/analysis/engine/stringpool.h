#pragma once

#include "text/hugepages.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Append-only list of strings kept back to back in one buffer.
// Where each string ends is kept in 32 bits, with the rare places where the
// buffer passes a multiple of 4 GiB noted apart: four bytes a string, as
// lists of millions of short words need.
// Strings are stored in generalized UTF-8: well-formed UTF-8, except that an
// unpaired UTF-16 surrogate is kept as its own three-byte sequence, so any
// QString survives the round trip unchanged.
class StringPool {
public:
    // offsetBits is the width of the stored ends; tests lower it to reach the
    // 4 GiB crossings with small strings.
    explicit StringPool(int offsetBits = 32) : lowBits_(offsetBits) { offsets_.push_back(0); }

    qsizetype count() const { return qsizetype(offsets_.size()) - 1; }
    bool isEmpty() const { return count() == 0; }

    std::string_view view(qsizetype i) const {
        const std::size_t begin = offset(std::size_t(i));
        return std::string_view(bytes_.data() + begin, offset(std::size_t(i) + 1) - begin);
    }
    QString string(qsizetype i) const;
    void prefetchOffset(qsizetype i) const { __builtin_prefetch(&offsets_[i]); }
    void prefetchBytes(qsizetype i) const {
        __builtin_prefetch(bytes_.data() + offset(std::size_t(i)));
    }

    void append(std::string_view utf8) {
        if (bytes_.capacity() - bytes_.size() < utf8.size()) grow(utf8.size());
        bytes_.append(utf8);
        pushEnd(bytes_.size());
    }
    void append(QStringView text);
    // Appends a stored string to out as UTF-8; false when it holds an
    // unpaired surrogate, which plain UTF-8 cannot carry.
    static bool appendUtf8(std::string_view stored, QByteArray& out);

    void reserve(std::size_t bytes, std::size_t strings) {
        HugePages::reserve(bytes_, bytes);
        HugePages::reserve(offsets_, strings + 1);
    }
    void clear() {
        bytes_.clear();
        offsets_.assign(1, 0);
        wraps_.clear();
    }
    // All strings back to back, without separators.
    std::string_view allBytes() const { return bytes_; }

    // Takes over a buffer whose strings are separated by CR LF, LF or CR and
    // removes the separators in place. A break at the very end of the buffer
    // starts no further string.
    void adoptLines(std::string&& bytes);

private:
    std::size_t offset(std::size_t i) const {
        std::size_t at = offsets_[i];
        if (!wraps_.empty()) {
            const auto crossed = std::upper_bound(wraps_.begin(), wraps_.end(), i) - wraps_.begin();
            at |= std::size_t(crossed) << lowBits_;
        }
        return at;
    }
    void pushEnd(std::size_t end) {
        const std::size_t high = end >> lowBits_;
        for (std::size_t h = wraps_.size(); h < high; ++h)
            wraps_.push_back(offsets_.size());
        if (offsets_.size() == offsets_.capacity())
            HugePages::reserve(offsets_, 2 * offsets_.size());
        offsets_.push_back(std::uint32_t(end & ((std::size_t(1) << lowBits_) - 1)));
    }
    // Doubles the room as the string would, but where the kernel can back
    // a large pool with huge pages.
    void grow(std::size_t more) {
        HugePages::reserve(bytes_, std::max(2 * bytes_.capacity(), bytes_.size() + more));
    }

    std::string bytes_;
    std::vector<std::uint32_t> offsets_;
    // The index of the first end past each multiple of 2^lowBits_.
    std::vector<std::size_t> wraps_;
    int lowBits_;
};
