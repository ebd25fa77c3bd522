#include "text/textfile.h"

#include "text/ansicodepage.h"
#include "text/byteordermark.h"
#include "text/hugepages.h"
#include "text/sidethread.h"
#include "text/wtf8.h"

#include <QFile>

#include <bit>
#include <cerrno>
#include <string_view>

#include <unistd.h>

namespace {

// From this size on, a file is read and checked in two halves side by side.
constexpr qint64 HalvesFrom = qint64(8) << 20;

// Reads [from, to) of the file into data + from, to its end at most: the
// bytes read, or -1 with errno set.
qint64 readRange(int fd, char* data, qint64 from, qint64 to) {
    qint64 at = from;
    while (at < to) {
        const ssize_t n = ::pread(fd, data + at, std::size_t(to - at), off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        at += n;
    }
    return at - from;
}

void setError(FileError* error, FileError::Action action, const QString& path,
              const QString& reason) {
    if (error) *error = FileError::system(action, path, reason);
}

// The whole file in one buffer, sized from the file's length up front; files
// whose length is not known (pipes, /proc) are read on to their end.
bool readAll(const QString& path, std::string& bytes, FileError* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        setError(error, FileError::Action::Open, path, file.errorString());
        return false;
    }
    const qint64 expected = file.size();
    HugePages::resize(bytes, std::size_t(expected));
    qint64 used = 0;
    if (expected >= HalvesFrom && file.handle() >= 0) {
        // The copy from the page cache and the first touch of the buffer's
        // pages share out over two cores.
        const qint64 half = expected / 2;
        qint64 got[2] = {};
        int errors[2] = {};
        auto readHalf = [&](int k) {
            got[k] = readRange(file.handle(), bytes.data(), k ? half : 0, k ? expected : half);
            if (got[k] < 0) errors[k] = errno;
        };
        SideThread second([&] { readHalf(1); });
        readHalf(0);
        second.join();
        for (int k = 0; k < 2; ++k) {
            if (got[k] < 0) {
                setError(error, FileError::Action::Read, path, qt_error_string(errors[k]));
                return false;
            }
        }
        // A file cut short meanwhile ends where its first half did.
        used = got[0] < half ? got[0] : half + got[1];
        if (!file.seek(used)) {
            setError(error, FileError::Action::Read, path, file.errorString());
            return false;
        }
    }
    while (used < expected) {
        const qint64 n = file.read(bytes.data() + used, expected - used);
        if (n < 0) {
            setError(error, FileError::Action::Read, path, file.errorString());
            return false;
        }
        if (n == 0) break;
        used += n;
    }
    bytes.resize(std::size_t(used));
    char chunk[1 << 16];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            setError(error, FileError::Action::Read, path, file.errorString());
            return false;
        }
        if (n == 0) break;
        bytes.append(chunk, std::size_t(n));
    }
    return true;
}

// Keeps the bytes when they are strict UTF-8 after an optional UTF-8 mark,
// dropping the mark in place rather than copying the text.
bool takeStrictUtf8(std::string& bytes, TextFile::Text& text) {
    const std::string_view body = ByteOrderMark::skipUtf8(bytes);
    bool valid[2] = {true, true};
    if (qint64(body.size()) >= HalvesFrom) {
        // Cut before a character's first byte, so that no character spans
        // the cut: each half then checks alone.
        std::size_t cut = body.size() / 2;
        for (int k = 0; k < 3 && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80; ++k)
            ++cut;
        SideThread second([&] { valid[1] = Wtf8::isValidUtf8(body.substr(cut)); });
        valid[0] = Wtf8::isValidUtf8(body.substr(0, cut));
        second.join();
    } else {
        valid[0] = Wtf8::isValidUtf8(body);
    }
    if (!valid[0] || !valid[1]) return false;
    const std::size_t mark = bytes.size() - body.size();
    bytes.erase(0, mark);
    text.utf8 = std::move(bytes);
    text.byteOrderMark = mark > 0;
    return true;
}

} // namespace

namespace TextFile {

bool read(const QString& path, Text& text, FileError* error, const QLocale& locale) {
    std::string bytes;
    if (!readAll(path, bytes, error)) return false;
    if (takeStrictUtf8(bytes, text)) return true;

    using ByteOrderMark::Encoding;
    const Encoding marked = ByteOrderMark::detect(bytes);
    const std::string_view body = std::string_view(bytes).substr(ByteOrderMark::size(marked));
    switch (marked) {
    case Encoding::Utf8:
        text.utf8 = AnsiCodePage::decodeToUtf8(body, AnsiCodePage::Utf8);
        break;
    case Encoding::Utf16LE:
        text.utf8 = Wtf8::fromUtf16Bytes(body, std::endian::little);
        break;
    case Encoding::Utf16BE:
        text.utf8 = Wtf8::fromUtf16Bytes(body, std::endian::big);
        break;
    case Encoding::None:
        text.utf8 = AnsiCodePage::decodeToUtf8(body, AnsiCodePage::forLocale(locale));
        break;
    }
    text.byteOrderMark = marked != Encoding::None;
    return true;
}

bool readUtf8(const QString& path, Text& text, FileError* error, Utf8Check check) {
    std::string bytes;
    if (!readAll(path, bytes, error)) return false;
    if (takeStrictUtf8(bytes, text)) return true;
    if (check == Utf8Check::Strict) {
        if (error)
            *error = FileError::own(FileError::Action::Read, path, FileError::Reason::NotUtf8);
        return false;
    }
    const std::string_view body = ByteOrderMark::skipUtf8(bytes);
    text.byteOrderMark = body.size() < bytes.size();
    text.utf8 = AnsiCodePage::decodeToUtf8(body, AnsiCodePage::Utf8);
    return true;
}

} // namespace TextFile
