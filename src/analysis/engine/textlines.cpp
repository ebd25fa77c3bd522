#include "analysis/engine/textlines.h"

#include "text/textfile.h"
#include "text/wtf8.h"

TextLines::TextLines() : pool_(std::make_shared<StringPool>()) {}

StringPool& TextLines::mutablePool() {
    // Tables of a finished run may still share the pool; never change theirs.
    if (pool_.use_count() > 1) pool_ = std::make_shared<StringPool>(*pool_);
    return *pool_;
}

void TextLines::clear() {
    if (pool_.use_count() > 1)
        pool_ = std::make_shared<StringPool>();
    else
        pool_->clear();
}

void TextLines::append(QStringView line) {
    mutablePool().append(line);
}

void TextLines::append(const QStringList& lines) {
    StringPool& pool = mutablePool();
    for (const QString& line : lines)
        pool.append(QStringView(line));
}

void TextLines::adoptUtf8Text(std::string&& bytes) {
    auto pool = std::make_shared<StringPool>();
    pool->adoptLines(std::move(bytes));
    pool_ = std::move(pool);
}

void TextLines::setText(QStringView text) {
    std::string bytes;
    Wtf8::append(bytes, text);
    adoptUtf8Text(std::move(bytes));
}

bool TextLines::readFile(const QString& path, QString* error, const QLocale& locale) {
    TextFile::Text text;
    FileError readError;
    if (!TextFile::read(path, text, &readError, locale)) {
        // For tools and tests, which speak English.
        if (error) *error = FileErrorText::text(readError);
        return false;
    }
    adoptUtf8Text(std::move(text.utf8));
    return true;
}

QString TextLines::text() const {
    QString out;
    out.reserve(qsizetype(textLength()));
    const qsizetype n = count();
    for (qsizetype i = 0; i < n; ++i) {
        if (i) out += QLatin1String("\r\n");
        out += line(i);
    }
    if (trailingBreak_ && n > 0) out += QLatin1String("\r\n");
    return out;
}

qint64 TextLines::textLength() const {
    const qsizetype n = count();
    if (n == 0) return 0;
    const std::string_view all = pool_->allBytes();
    const qint64 breaks = (n - 1) + (trailingBreak_ ? 1 : 0);
    return qint64(Wtf8::utf16Length(all)) + 2 * breaks;
}
