#include "analysis/corpus/partialwriter.h"

#include "analysis/corpus/partialformat.h"
#include "text/fileerror.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr std::size_t ChunkSize = 1 << 20;

std::size_t sharedStart(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

PartialWriter::PartialWriter(const QString& path, Kind kind) : path_(path), kind_(kind) {
    if (kind == Kind::Result)
        file_ = std::make_unique<QSaveFile>(path);
    else
        file_ = std::make_unique<QFile>(path);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const FileError error =
            FileError::system(FileError::Action::Create, path_, file_->errorString());
        throw CorpusError(FileErrorText::text(error), file_->error() == QFileDevice::ResourceError);
    }
    buffer_.reserve(ChunkSize + ChunkSize / 4);
}

PartialWriter::~PartialWriter() {
    // Unfinished: nothing of it is left.
    if (auto* saveFile = qobject_cast<QSaveFile*>(file_.get())) {
        saveFile->cancelWriting();
    } else if (file_->isOpen()) {
        file_->close();
        QFile::remove(path_);
    }
}

void PartialWriter::fail() {
    const FileError error =
        FileError::system(FileError::Action::Write, path_, file_->errorString());
    throw CorpusError(FileErrorText::text(error), file_->error() == QFileDevice::ResourceError);
}

void PartialWriter::flush() {
    for (std::size_t done = 0; done < buffer_.size();) {
        const qint64 n = file_->write(buffer_.data() + done, qint64(buffer_.size() - done));
        if (n <= 0) fail();
        done += std::size_t(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void PartialWriter::begin(const CorpusHeader& header) {
    const QByteArray bytes = PartialFormat::encodeHeader(header);
    buffer_.append(bytes.constData(), std::size_t(bytes.size()));
}

void PartialWriter::beginSection(CorpusSection section) {
    phrases_ = isPhraseSection(section);
    key_.clear();
    text_.clear();
}

void PartialWriter::add(const CorpusEntry& entry) {
    using PartialFormat::appendNumber;
    const std::size_t keyShared = sharedStart(key_, entry.key);
    appendNumber(buffer_, keyShared + 1);
    appendNumber(buffer_, entry.key.size() - keyShared);
    buffer_.append(entry.key.substr(keyShared));
    const std::size_t textShared = sharedStart(text_, entry.text);
    appendNumber(buffer_, textShared);
    appendNumber(buffer_, entry.text.size() - textShared);
    buffer_.append(entry.text.substr(textShared));
    appendNumber(buffer_, entry.count);
    appendNumber(buffer_, entry.files);
    if (phrases_) {
        appendNumber(buffer_, entry.firstFile);
        appendNumber(buffer_, entry.firstWord);
    }
    key_.assign(entry.key);
    text_.assign(entry.text);
    if (buffer_.size() >= ChunkSize) flush();
}

void PartialWriter::endSection(CorpusSection) {
    buffer_ += '\0';
}

void PartialWriter::finish() {
    buffer_.append(PartialFormat::EndMark, sizeof PartialFormat::EndMark);
    flush();
    if (auto* saveFile = qobject_cast<QSaveFile*>(file_.get())) {
        if (!saveFile->commit()) fail();
    } else {
        file_->close();
        if (file_->error() != QFileDevice::NoError) fail();
    }
}
