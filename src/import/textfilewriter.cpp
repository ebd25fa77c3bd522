#include "import/textfilewriter.h"

#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Collects output and hands it to the file in large blocks.
class BlockWriter {
public:
    explicit BlockWriter(QSaveFile& file) : file_(file) { buffer_.reserve(Block); }
    bool add(std::string_view bytes) {
        if (buffer_.size() + bytes.size() > Block && !flush()) return false;
        if (bytes.size() >= Block) return put(bytes);
        buffer_.append(bytes);
        return true;
    }
    bool flush() {
        const bool ok = put(buffer_);
        buffer_.clear();
        return ok;
    }

private:
    static constexpr std::size_t Block = 1 << 20;
    bool put(std::string_view bytes) {
        // Unbuffered, so a short write (a full disk) shows in the count.
        while (!bytes.empty()) {
            const qint64 n = file_.write(bytes.data(), qint64(bytes.size()));
            if (n <= 0) return false;
            bytes.remove_prefix(std::size_t(n));
        }
        return true;
    }
    QSaveFile& file_;
    std::string buffer_;
};

} // namespace

bool TextFileWriter::write(const QString& path, std::string_view utf8, std::string_view separator,
                           bool byteOrderMark, QString* error) {
    QSaveFile file(path);
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("Cannot %1 file \"%2\". %3")
                         .arg(QLatin1String(what), path, file.errorString());
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail("create");
    BlockWriter out(file);
    if (byteOrderMark && !out.add("\xEF\xBB\xBF")) return fail("write");
    // The next CR and LF are each found with memchr and kept until passed.
    const auto next = [utf8](char c, std::size_t from) {
        const void* hit = std::memchr(utf8.data() + from, c, utf8.size() - from);
        return hit ? std::size_t(static_cast<const char*>(hit) - utf8.data()) : utf8.size();
    };
    std::size_t start = 0, cr = next('\r', 0), lf = next('\n', 0);
    for (;;) {
        const std::size_t stop = std::min(cr, lf);
        if (!out.add(utf8.substr(start, stop - start))) return fail("write");
        if (stop == utf8.size()) break;
        if (!out.add(separator)) return fail("write");
        start = stop + (stop == cr && lf == stop + 1 ? 2 : 1);
        if (cr < start) cr = next('\r', start);
        if (lf < start) lf = next('\n', start);
    }
    if (!out.flush() || !file.commit()) return fail("write");
    return true;
}
