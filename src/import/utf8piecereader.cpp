#include "import/utf8piecereader.h"

#include "text/byteordermark.h"
#include "text/wtf8.h"

#include <QFile>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr std::string_view Bom = ByteOrderMark::Utf8Bytes;

// Where an unfinished UTF-8 sequence, or a CR that may start a CR LF pair,
// begins at the end of `bytes`; bytes.size() when there is none.
std::size_t unfinishedTail(std::string_view bytes) {
    const std::size_t n = bytes.size();
    if (n > 0 && bytes[n - 1] == '\r') return n - 1;
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, n); ++back) {
        const auto lead = static_cast<unsigned char>(bytes[n - back]);
        if ((lead & 0xC0) == 0x80) continue;
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return length > back ? n - back : n;
    }
    return n;
}

// A bounded hand-over of pieces between the reading thread and the caller.
class Pieces {
public:
    void put(std::string&& piece) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return ready_.size() < 3 || stopped_; });
        ready_.push_back(std::move(piece));
        filled_.notify_one();
    }
    // False once the reader is done and everything is taken.
    bool get(std::string& piece) {
        std::unique_lock lock(mutex_);
        filled_.wait(lock, [this] { return !ready_.empty() || done_; });
        if (ready_.empty()) return false;
        piece = std::move(ready_.front());
        ready_.pop_front();
        room_.notify_one();
        return true;
    }
    void finish() {
        const std::lock_guard lock(mutex_);
        done_ = true;
        filled_.notify_all();
    }
    // The caller gave up: the reader stops at its next piece.
    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        room_.notify_all();
    }
    bool stopped() {
        const std::lock_guard lock(mutex_);
        return stopped_;
    }

private:
    std::mutex mutex_;
    std::condition_variable filled_, room_;
    std::deque<std::string> ready_;
    bool done_ = false;
    bool stopped_ = false;
};

} // namespace

namespace Utf8PieceReader {

Result read(const QString& path, const Take& take, FileError* error, std::size_t pieceSize) {
    Result result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (error) *error = FileError::system(FileError::Action::Open, path, file.errorString());
        return result;
    }

    Pieces pieces;
    LineBreakStyle::Found breaks;
    bool notUtf8 = false, failed = false;
    QString readError;
    std::thread reader([&] {
        std::string carry;
        bool first = true;
        for (;;) {
            std::string piece = std::move(carry);
            carry.clear();
            const std::size_t kept = piece.size();
            piece.resize(kept + pieceSize);
            const qint64 got = file.read(piece.data() + kept, qint64(pieceSize));
            if (got < 0) {
                readError = file.errorString();
                failed = true;
                break;
            }
            piece.resize(kept + std::size_t(got));
            const bool end = got == 0;
            if (first && piece.size() >= Bom.size() && std::string_view(piece).starts_with(Bom)) {
                piece.erase(0, Bom.size());
                result.byteOrderMark = true;
            }
            if (first && !end && piece.size() < Bom.size() && Bom.starts_with(piece)) {
                carry = std::move(piece); // too short yet to tell a byte-order mark
                continue;
            }
            first = false;
            const std::size_t whole = end ? piece.size() : unfinishedTail(piece);
            carry.assign(piece, whole, std::string::npos);
            piece.resize(whole);
            if (!Wtf8::isValidUtf8(piece) || (end && !carry.empty())) {
                notUtf8 = true;
                break;
            }
            LineBreakStyle::Found here;
            here.note(piece);
            breaks |= here;
            if (here.cr || here.separator) LineBreakStyle::toLf(piece);
            result.utf16Length += Wtf8::utf16Length(piece);
            result.lineFeeds += std::uint64_t(std::count(piece.begin(), piece.end(), '\n'));
            if (!piece.empty()) pieces.put(std::move(piece));
            if (end || pieces.stopped()) break;
        }
        pieces.finish();
    });

    std::string piece;
    try {
        while (pieces.get(piece))
            take(piece);
    } catch (...) {
        pieces.stop();
        while (pieces.get(piece)) {
        }
        reader.join();
        throw;
    }
    reader.join();

    if (failed) {
        if (error) *error = FileError::system(FileError::Action::Read, path, readError);
        result.outcome = Outcome::Failed;
    } else if (notUtf8) {
        result.outcome = Outcome::NotUtf8;
    } else {
        result.outcome = Outcome::Read;
        result.style = breaks.style();
    }
    return result;
}

} // namespace Utf8PieceReader
