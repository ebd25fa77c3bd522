#pragma once

#include "analysis/corpus/corpusstream.h"

#include <QFile>
#include <QString>

#include <string>
#include <vector>

// Reads a partial result (docs/partial-format.md) as a corpus stream,
// through a small buffer, so that many can be read side by side. A file
// that is not a partial, is of another format version, or ends early throws
// CorpusError naming it.
class PartialReader : public CorpusSource {
public:
    explicit PartialReader(const QString& path);

    const QString& path() const { return path_; }
    std::uint32_t formatVersion() const { return version_; }
    // The bytes of the header, magic included.
    std::uint64_t headerSize() const { return headerSize_; }

    const CorpusHeader& header() const override { return header_; }
    void beginSection(CorpusSection section) override;
    bool next(CorpusEntry& entry) override;

private:
    [[noreturn]] void damaged();
    void fill();
    std::uint8_t byte();
    std::uint64_t number();
    std::uint64_t fixed(int bytes);
    void bytes(std::size_t n, std::string& out);
    void appendBytes(std::size_t n, std::string& out);

    QString path_;
    QFile file_;
    std::vector<char> buffer_;
    std::size_t at_ = 0, end_ = 0;
    std::uint32_t version_ = 0;
    std::uint64_t headerSize_ = 0;
    CorpusHeader header_;
    int section_ = -1;
    bool inSection_ = false;
    std::string key_, text_;
};
