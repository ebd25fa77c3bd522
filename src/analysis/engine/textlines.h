#pragma once

#include "analysis/engine/stringpool.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>

// The lines a results window analyses, with the trailing-break flag that
// shapes their text form. Lines are kept in one shared pool so that the line
// table can refer to them instead of copying them.
class TextLines {
public:
    TextLines();

    qsizetype count() const { return pool_->count(); }
    bool isEmpty() const { return pool_->isEmpty(); }
    QString line(qsizetype i) const { return pool_->string(i); }
    std::string_view lineBytes(qsizetype i) const { return pool_->view(i); }
    // All lines' bytes back to back, and where line i starts among them.
    std::string_view allBytes() const { return pool_->allBytes(); }
    std::uint64_t lineStart(qsizetype i) const {
        return std::uint64_t(pool_->view(i).data() - pool_->allBytes().data());
    }

    void clear();
    void append(QStringView line);
    void append(const QStringList& lines);
    // Bytes must be generalized UTF-8 without line breaks.
    void appendUtf8(std::string_view bytes) { mutablePool().append(bytes); }
    // Replaces the lines by those of a valid UTF-8 buffer split at CR LF, LF
    // and CR; a break at the very end starts no further line.
    void adoptUtf8Text(std::string&& bytes);
    // Replaces the lines by those of a text, split the same way.
    void setText(QStringView text);
    // Replaces the lines by those of a text file, read as TextFile::read
    // reads it and split the same way. On failure returns false, sets error
    // to a message naming the file and the reason, and leaves the lines as
    // they were.
    bool readFile(const QString& path, QString* error, const QLocale& locale = QLocale());

    bool trailingBreak() const { return trailingBreak_; }
    void setTrailingBreak(bool on) { trailingBreak_ = on; }

    // Lines joined with CR LF, plus one more after the last line when the
    // trailing-break flag is on.
    QString text() const;
    // Length of text() in UTF-16 code units, without building it.
    qint64 textLength() const;

    std::shared_ptr<const StringPool> pool() const { return pool_; }

private:
    StringPool& mutablePool();

    std::shared_ptr<StringPool> pool_;
    bool trailingBreak_ = true;
};
