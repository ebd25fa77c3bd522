#include "shell/wordlettersfile.h"

#include "import/textfilewriter.h"
#include "text/linesplitter.h"
#include "text/textfile.h"

#include <QFile>

namespace WordLettersFile {

bool load(const QString& path, QString* text) {
    TextFile::Text read;
    if (!TextFile::read(path, read, nullptr)) return false;
    // The word-character box shows every line, so a final break leaves an empty last line.
    *text = LineSplitter::lines(read.utf8, LineSplitter::FinalBreak::StartsEmptyLine).join(u'\n');
    return true;
}

void store(const QString& path, const QString& boxText) {
    if (boxText.isEmpty()) {
        QFile::remove(path);
        return;
    }
    const QByteArray utf8 = boxText.toUtf8();
    TextFileWriter::write(path, std::string_view(utf8.constData(), std::size_t(utf8.size())),
                          "\r\n", true, nullptr);
}

} // namespace WordLettersFile
