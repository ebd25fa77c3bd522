#include "import/textfilewriter.h"

#include "text/byteordermark.h"
#include "text/linesplitter.h"

#include <QSaveFile>

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

namespace TextFileWriter {

bool write(const QString& path, std::string_view utf8, std::string_view separator,
           bool byteOrderMark, FileError* error) {
    QSaveFile file(path);
    const auto fail = [&](FileError::Action action) {
        if (error) *error = FileError::system(action, path, file.errorString());
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(FileError::Action::Create);
    BlockWriter out(file);
    if (byteOrderMark && !out.add(ByteOrderMark::Utf8Bytes)) return fail(FileError::Action::Write);
    bool ok = true, first = true;
    LineSplitter::forEachLine(
        utf8,
        [&](std::size_t begin, std::size_t end) {
            ok = ok && (first || out.add(separator)) && out.add(utf8.substr(begin, end - begin));
            first = false;
        },
        LineSplitter::FinalBreak::StartsEmptyLine);
    if (!ok) return fail(FileError::Action::Write);
    if (!out.flush() || !file.commit()) return fail(FileError::Action::Write);
    return true;
}

} // namespace TextFileWriter
