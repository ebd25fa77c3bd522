#include "analysis/corpus/partialformat.h"

#include "text/wtf8.h"

namespace {

void appendFixed(QByteArray& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendText(QByteArray& out, std::string_view text) {
    appendFixed(out, text.size(), 4);
    out.append(text.data(), qsizetype(text.size()));
}

} // namespace

namespace PartialFormat {

QByteArray encodeHeader(const CorpusHeader& header) {
    return encodeHeader(header, Version);
}

QByteArray encodeHeader(const CorpusHeader& header, std::uint32_t version) {
    QByteArray fields;
    std::string wordCharacters;
    Wtf8::append(wordCharacters, header.settings.wordCharacters);
    appendText(fields, wordCharacters);
    appendText(fields, header.settings.collation);
    for (std::uint8_t b : header.settings.collatorVersion)
        fields.append(char(b));
    for (std::uint8_t b : header.settings.ucaVersion)
        fields.append(char(b));
    appendText(fields, header.settings.pdfEngine);
    appendFixed(fields, header.totals.files, 8);
    appendFixed(fields, header.totals.fileSize, 8);
    for (std::uint64_t count : header.totals.counts)
        appendFixed(fields, count, 8);

    QByteArray out(Magic, sizeof Magic);
    appendFixed(out, version, 4);
    appendFixed(out, std::uint64_t(fields.size()), 4);
    return out + fields;
}

} // namespace PartialFormat
