#include "analysis/report/csvwriter.h"

#include "analysis/report/tabletext.h"
#include "analysis/report/texttable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";
constexpr QChar Quote = u'"';
// Large tables are written in pieces of about this size.
constexpr qsizetype ChunkSize = 1 << 20;

// Appends records as UTF-8 straight into one buffer, without a temporary
// string per cell. Stateless, so a lone surrogate at the end of one cell is
// replaced there instead of being joined with the next cell.
class RecordEncoder {
public:
    explicit RecordEncoder(QChar separator)
        : separator_(separator), encoder_(QStringEncoder::Utf8, QStringConverter::Flag::Stateless) {
    }

    void appendRecord(QByteArray& out, const TextTable& table, int row) {
        const int columns = table.columnCount();
        for (int column = 0; column < columns; ++column) {
            if (column > 0) append(out, QStringView(&separator_, 1));
            // Cells the table can give as UTF-8 go straight in, quoted in
            // place where needed: an ASCII separator or quote never lies
            // inside a longer character's bytes.
            const qsizetype before = out.size();
            if (separator_.unicode() < 0x80 && table.appendCellUtf8(row, column, out)) {
                quoteInPlace(out, before, char(separator_.unicode()));
                continue;
            }
            appendField(out, table.cell(row, column));
        }
        out.append("\r\n", 2);
    }

private:
    // Quotes the bytes from `from` on when they hold the separator or a
    // quote, doubling each quote.
    static void quoteInPlace(QByteArray& out, qsizetype from, char separator) {
        const char* begin = out.constData() + from;
        const char* end = out.constData() + out.size();
        if (std::find_if(begin, end, [&](char c) { return c == separator || c == '"'; }) == end)
            return;
        const qsizetype length = out.size() - from;
        const auto quotes = qsizetype(std::count(begin, end, '"'));
        out.resize(out.size() + 2 + quotes);
        char* const base = out.data() + from;
        const char* source = base + length;
        char* target = base + length + 2 + quotes;
        *--target = '"';
        while (source > base) {
            const char c = *--source;
            *--target = c;
            if (c == '"') *--target = '"';
        }
        *--target = '"';
    }
    void appendField(QByteArray& out, const QString& value) {
        if (!value.contains(separator_) && !value.contains(Quote)) {
            append(out, value);
            return;
        }
        out.append('"');
        qsizetype start = 0;
        for (qsizetype i = value.indexOf(Quote); i >= 0; i = value.indexOf(Quote, i + 1)) {
            append(out, QStringView(value).sliced(start, i + 1 - start));
            out.append('"');
            start = i + 1;
        }
        append(out, QStringView(value).sliced(start));
        out.append('"');
    }

    void append(QByteArray& out, QStringView text) {
        if (text.isEmpty()) return;
        const qsizetype used = out.size();
        out.resize(used + encoder_.requiredSpace(text.size()));
        char* end = encoder_.appendToBuffer(out.data() + used, text);
        out.resize(end - out.constData());
    }

    QChar separator_;
    QStringEncoder encoder_;
};

// Encodes every other block of rows on a second thread, a block or two
// ahead of the writer, which encodes the blocks between and writes all in
// order: a long table takes both cores. The second thread hands its rows
// over in chunks, at most two waiting, so that memory stays bounded however
// long the rows.
class AlternateBlocks {
public:
    static constexpr int BlockRows = 16384;

    AlternateBlocks(const TextTable& table, QChar separator)
        : table_(table), separator_(separator),
          blocks_((table.rowCount() + BlockRows - 1) / BlockRows) {}
    ~AlternateBlocks() { stop(); }

    // False when no second thread can be had.
    bool start() {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    int blocks() const { return blocks_; }
    // Encodes the block's rows into out, handing out to `full` whenever it
    // holds a chunk; false as soon as `full` is.
    template <typename Full>
    static bool encode(const TextTable& table, RecordEncoder& encoder, int block, QByteArray& out,
                       Full full) {
        const int rows = table.rowCount();
        const int last = std::min(rows, (block + 1) * BlockRows);
        constexpr int Ahead = 16;
        for (int row = block * BlockRows; row < last; ++row) {
            if (row + Ahead < rows) table.prefetchRow(row + Ahead);
            encoder.appendRecord(out, table, row);
            if (out.size() >= ChunkSize && !full(out)) return false;
        }
        return true;
    }
    // Hands the chunks of an odd block, in order, to `use`; rethrows what
    // encoding threw.
    template <typename Use> bool take(Use use) {
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !chunks_.empty() || error_; });
            if (error_) std::rethrow_exception(error_);
            Chunk chunk = std::move(chunks_.front());
            chunks_.pop_front();
            changed_.notify_all();
            lock.unlock();
            const bool ok = use(chunk.bytes);
            lock.lock();
            // The buffer, emptied, serves a later chunk.
            chunk.bytes.resize(0);
            spare_.push_back(std::move(chunk.bytes));
            if (!ok) return false;
            if (chunk.endsBlock) return true;
        }
    }
    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    struct Chunk {
        QByteArray bytes;
        bool endsBlock = false;
    };
    // Queues a chunk once fewer than two wait; false once stopped.
    bool hand(QByteArray& bytes, bool endsBlock) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return chunks_.size() < 2 || stopped_; });
        if (stopped_) return false;
        chunks_.push_back(Chunk{std::move(bytes), endsBlock});
        if (spare_.empty()) {
            bytes = QByteArray();
            bytes.reserve(ChunkSize + ChunkSize / 4);
        } else {
            bytes = std::move(spare_.back());
            spare_.pop_back();
        }
        changed_.notify_all();
        return true;
    }
    void run() {
        try {
            RecordEncoder encoder(separator_);
            QByteArray bytes;
            bytes.reserve(ChunkSize + ChunkSize / 4);
            for (int block = 1; block < blocks_; block += 2) {
                if (!encode(table_, encoder, block, bytes,
                            [&](QByteArray& full) { return hand(full, false); }) ||
                    !hand(bytes, true))
                    return;
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            error_ = std::current_exception();
            changed_.notify_all();
        }
    }

    const TextTable& table_;
    QChar separator_;
    const int blocks_;
    std::deque<Chunk> chunks_;
    std::vector<QByteArray> spare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace

QChar CsvWriter::localeSeparator(const QLocale& locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QChar(u';') : QChar(u',');
}

QString CsvWriter::csvField(const QString& value, QChar separator) {
    if (!value.contains(separator) && !value.contains(Quote)) return value;
    QString quoted = value;
    quoted.replace(Quote, QStringLiteral("\"\""));
    return Quote + quoted + Quote;
}

QByteArray CsvWriter::toCsv(const TextTable& table, QChar separator) {
    QByteArray out(Bom);
    RecordEncoder encoder(separator);
    const int rows = table.rowCount();
    for (int row = 0; row < rows; ++row)
        encoder.appendRecord(out, table, row);
    return out;
}

bool CsvWriter::write(const TextTable& table, const QString& path, QChar separator,
                      FileError* error) {
    // A file goes into a temporary file beside it, which replaces it only
    // once every byte is written: a failure leaves no partial table and
    // keeps an earlier file as it was. A device or a pipe is written as it
    // is: replacing it would put a plain file in its place.
    const QFileInfo target(path);
    std::unique_ptr<QFileDevice> file;
    if (target.exists() && !target.isFile() && !target.isDir())
        file = std::make_unique<QFile>(path);
    else
        file = std::make_unique<QSaveFile>(path);
    auto* saveFile = qobject_cast<QSaveFile*>(file.get());

    // The chunks are large already; no second buffer behind them.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error) *error = FileError::system(FileError::Action::Create, path, file->errorString());
        return false;
    }

    // A short write sets no error; writing the rest then fails with the
    // system's reason (a full disk, a file-size limit).
    auto flush = [&](QByteArray& buffer) {
        for (qsizetype done = 0; done < buffer.size();) {
            const qint64 written = file->write(buffer.constData() + done, buffer.size() - done);
            if (written <= 0) return false;
            done += qsizetype(written);
        }
        buffer.resize(0); // keeps the capacity for the next chunk
        return true;
    };

    QByteArray buffer(Bom);
    buffer.reserve(ChunkSize + ChunkSize / 4);
    RecordEncoder encoder(separator);
    const int rows = table.rowCount();
    bool ok = true;
    AlternateBlocks alternate(table, separator);
    if (rows >= 4 * AlternateBlocks::BlockRows && table.concurrentReads() && alternate.start()) {
        for (int block = 0; block < alternate.blocks() && ok; ++block) {
            if (block % 2)
                ok = alternate.take(flush);
            else
                ok = AlternateBlocks::encode(table, encoder, block, buffer, flush) && flush(buffer);
        }
        alternate.stop();
    } else {
        for (int block = 0; block < alternate.blocks() && ok; ++block)
            ok = AlternateBlocks::encode(table, encoder, block, buffer, flush);
    }
    if (ok) ok = flush(buffer);
    if (ok) {
        if (saveFile) {
            ok = saveFile->commit();
        } else {
            file->close();
            ok = file->error() == QFileDevice::NoError;
        }
    }
    if (!ok && error)
        *error = FileError::system(FileError::Action::Write, path, file->errorString());
    return ok;
}

bool CsvWriter::write(const AnalysisOverview& overview, const AnalysisLabels& labels,
                      const QLocale& locale, const QString& path, QChar separator,
                      FileError* error) {
    return write(OverviewText(overview, labels, locale), path, separator, error);
}

bool CsvWriter::write(const FrequencyTable& table, const QString& itemHeader,
                      const QString& occurrenceHeader, const QLocale& locale, const QString& path,
                      QChar separator, FileError* error) {
    return write(FrequencyText(table, itemHeader, occurrenceHeader, locale), path, separator,
                 error);
}

bool CsvWriter::write(const PhraseTable& table, const QString& path, QChar separator,
                      FileError* error) {
    return write(PhraseText(table), path, separator, error);
}

struct CsvWriter::Stream::Private {
    QString path;
    QSaveFile file;
    RecordEncoder encoder;
    QByteArray buffer;
    bool failed = false;

    Private(const QString& target, QChar separator)
        : path(target), file(target), encoder(separator) {}

    bool fail(FileError::Action action, FileError* error) {
        if (error) *error = FileError::system(action, path, file.errorString());
        if (!failed) file.cancelWriting();
        failed = true;
        return false;
    }
    bool flush() {
        for (qsizetype done = 0; done < buffer.size();) {
            const qint64 written = file.write(buffer.constData() + done, buffer.size() - done);
            if (written <= 0) return false;
            done += qsizetype(written);
        }
        buffer.resize(0);
        return true;
    }
};

CsvWriter::Stream::Stream(const QString& path, QChar separator)
    : d(std::make_unique<Private>(path, separator)) {}

CsvWriter::Stream::~Stream() = default;

bool CsvWriter::Stream::open(FileError* error) {
    if (!d->file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return d->fail(FileError::Action::Create, error);
    d->buffer.reserve(ChunkSize + ChunkSize / 4);
    d->buffer.append(Bom);
    return true;
}

bool CsvWriter::Stream::append(const TextTable& table, int row, FileError* error) {
    if (d->failed) return false;
    d->encoder.appendRecord(d->buffer, table, row);
    if (d->buffer.size() >= ChunkSize && !d->flush())
        return d->fail(FileError::Action::Write, error);
    return true;
}

bool CsvWriter::Stream::commit(FileError* error) {
    if (d->failed) return false;
    if (!d->flush() || !d->file.commit()) return d->fail(FileError::Action::Write, error);
    return true;
}

QString CsvWriter::suggestedExportName(const QString& caption, const QString& tag) {
    const QFileInfo info(caption);
    if (caption.isEmpty() || !info.exists() || info.isDir()) return tag + QStringLiteral(".csv");
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) name.truncate(dot);
    return name + u'_' + tag + QStringLiteral(".csv");
}
