#include "analysis/corpus/partialreader.h"

#include "analysis/corpus/partialformat.h"
#include "text/fileerror.h"
#include "text/wtf8.h"

#include <cstring>

namespace {

constexpr std::size_t BufferSize = 1 << 16;

} // namespace

PartialReader::PartialReader(const QString& path) : path_(path), file_(path), buffer_(BufferSize) {
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CorpusError(FileErrorText::text(
            FileError::system(FileError::Action::Open, path_, file_.errorString())));
    std::string magic;
    try {
        bytes(sizeof PartialFormat::Magic, magic);
    } catch (const CorpusError&) {
        magic.clear();
    }
    if (magic != std::string_view(PartialFormat::Magic, sizeof PartialFormat::Magic))
        throw CorpusError(
            QStringLiteral("\"%1\" is not a partial result of lexometer-analyze.").arg(path_));
    version_ = std::uint32_t(fixed(4));
    if (version_ != PartialFormat::Version)
        throw CorpusError(QStringLiteral("\"%1\" is a partial result of format version %2; "
                                         "this program reads version %3.")
                              .arg(path_)
                              .arg(version_)
                              .arg(PartialFormat::Version));
    const std::uint64_t fieldBytes = fixed(4);
    headerSize_ = sizeof PartialFormat::Magic + 8 + fieldBytes;
    std::string text;
    auto readText = [&] {
        const std::uint64_t n = fixed(4);
        if (n > fieldBytes) damaged();
        bytes(std::size_t(n), text);
        return text;
    };
    header_.settings.wordCharacters = Wtf8::toQString(readText());
    header_.settings.collation = readText();
    for (std::uint8_t& b : header_.settings.collatorVersion)
        b = byte();
    for (std::uint8_t& b : header_.settings.ucaVersion)
        b = byte();
    header_.settings.pdfEngine = readText();
    header_.totals.files = fixed(8);
    header_.totals.fileSize = fixed(8);
    for (std::uint64_t& count : header_.totals.counts)
        count = fixed(8);
}

void PartialReader::damaged() {
    throw CorpusError(QStringLiteral("\"%1\" is damaged or incomplete.").arg(path_));
}

void PartialReader::fill() {
    if (at_ < end_) return;
    const qint64 n = file_.read(buffer_.data(), qint64(buffer_.size()));
    if (n < 0)
        throw CorpusError(FileErrorText::text(
            FileError::system(FileError::Action::Read, path_, file_.errorString())));
    if (n == 0) damaged();
    at_ = 0;
    end_ = std::size_t(n);
}

std::uint8_t PartialReader::byte() {
    fill();
    return static_cast<std::uint8_t>(buffer_[at_++]);
}

std::uint64_t PartialReader::number() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const std::uint8_t b = byte();
        value |= std::uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) return value;
    }
    damaged();
}

std::uint64_t PartialReader::fixed(int n) {
    std::uint64_t value = 0;
    for (int i = 0; i < n; ++i)
        value |= std::uint64_t(byte()) << (8 * i);
    return value;
}

void PartialReader::bytes(std::size_t n, std::string& out) {
    out.clear();
    appendBytes(n, out);
}

void PartialReader::appendBytes(std::size_t n, std::string& out) {
    while (n > 0) {
        fill();
        const std::size_t take = std::min(n, end_ - at_);
        out.append(buffer_.data() + at_, take);
        at_ += take;
        n -= take;
    }
}

void PartialReader::beginSection(CorpusSection section) {
    // Sections come in order; what is left of one is skipped.
    CorpusEntry skipped;
    while (inSection_)
        next(skipped);
    if (int(section) != section_ + 1)
        throw std::logic_error("partial result sections read out of order");
    section_ = int(section);
    inSection_ = true;
    key_.clear();
    text_.clear();
}

bool PartialReader::next(CorpusEntry& entry) {
    if (!inSection_) return false;
    const std::uint64_t head = number();
    if (head == 0) {
        inSection_ = false;
        if (section_ == CorpusSections - 1) {
            std::string mark;
            bytes(sizeof PartialFormat::EndMark, mark);
            if (mark != std::string_view(PartialFormat::EndMark, sizeof PartialFormat::EndMark))
                damaged();
        }
        return false;
    }
    // Each key and text shares a start with the one before.
    const std::uint64_t keyShared = head - 1;
    if (keyShared > key_.size()) damaged();
    const std::uint64_t keyRest = number();
    if (keyRest > (std::uint64_t(1) << 32)) damaged();
    key_.resize(std::size_t(keyShared));
    appendBytes(std::size_t(keyRest), key_);
    const std::uint64_t textShared = number();
    if (textShared > text_.size()) damaged();
    const std::uint64_t textRest = number();
    if (textRest > (std::uint64_t(1) << 32)) damaged();
    text_.resize(std::size_t(textShared));
    appendBytes(std::size_t(textRest), text_);
    entry.key = key_;
    entry.text = text_;
    entry.count = number();
    entry.files = number();
    if (isPhraseSection(CorpusSection(section_))) {
        entry.firstFile = number();
        entry.firstWord = number();
    } else {
        entry.firstFile = entry.firstWord = 0;
    }
    return true;
}
