#pragma once

#include "analysis/corpus/corpusstream.h"

#include <QString>

#include <memory>
#include <string>

class QFileDevice;

// Writes a corpus stream as a partial result (docs/partial-format.md). A
// result the user asked for goes through a temporary file that replaces
// the target once complete; a run of the tool's own is written in place.
// A failed write throws CorpusError naming the file and the system's
// reason, and leaves no partial file.
class PartialWriter : public CorpusSink {
public:
    enum class Kind { Result, Run };
    explicit PartialWriter(const QString& path, Kind kind = Kind::Result);
    ~PartialWriter() override;

    void begin(const CorpusHeader& header) override;
    void beginSection(CorpusSection section) override;
    void add(const CorpusEntry& entry) override;
    void endSection(CorpusSection section) override;
    void finish() override;

    // Bytes written so far.
    std::uint64_t size() const { return written_ + buffer_.size(); }

private:
    void flush();
    [[noreturn]] void fail();

    QString path_;
    Kind kind_;
    std::unique_ptr<QFileDevice> file_;
    std::string buffer_;
    std::uint64_t written_ = 0;
    bool phrases_ = false;
    std::string key_, text_; // the entry before, which the next shares a start with
};
