#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Append-only list of strings kept back to back in one buffer.
// Strings are stored in generalized UTF-8: well-formed UTF-8, except that an
// unpaired UTF-16 surrogate is kept as its own three-byte sequence, so any
// QString survives the round trip unchanged.
class StringPool {
public:
    StringPool() { offsets_.push_back(0); }

    qsizetype count() const { return qsizetype(offsets_.size()) - 1; }
    bool isEmpty() const { return count() == 0; }

    std::string_view view(qsizetype i) const {
        return std::string_view(bytes_.data() + offsets_[i], offsets_[i + 1] - offsets_[i]);
    }
    QString string(qsizetype i) const;
    void prefetchOffset(qsizetype i) const { __builtin_prefetch(&offsets_[i]); }
    void prefetchBytes(qsizetype i) const { __builtin_prefetch(bytes_.data() + offsets_[i]); }

    void append(std::string_view utf8) {
        bytes_.append(utf8);
        offsets_.push_back(bytes_.size());
    }
    void append(QStringView text);
    // Appends a stored string to out as UTF-8; false when it holds an
    // unpaired surrogate, which plain UTF-8 cannot carry.
    static bool appendUtf8(std::string_view stored, QByteArray& out);

    void reserve(std::size_t bytes, std::size_t strings) {
        bytes_.reserve(bytes);
        offsets_.reserve(strings + 1);
    }
    void clear() {
        bytes_.clear();
        offsets_.assign(1, 0);
    }
    // All strings back to back, without separators.
    std::string_view allBytes() const { return bytes_; }

    // Takes over a buffer whose strings are separated by CR LF, LF or CR and
    // removes the separators in place. A break at the very end of the buffer
    // starts no further string.
    void adoptLines(std::string&& bytes);

private:
    std::string bytes_;
    std::vector<std::uint64_t> offsets_;
};
