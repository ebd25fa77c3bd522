#include "analysis/engine/phrasewords.h"

namespace PhraseWords {

QString takeNextWord(QString& remainder, QChar* ending) {
    if (remainder.isEmpty()) return {};
    if (!remainder.endsWith(u' ')) remainder += u' ';
    const qsizetype n = remainder.size();
    qsizetype start = 0;
    while (start < n && isDelimiter(remainder[start].unicode()))
        ++start;
    if (start == n) {
        remainder.clear();
        return {};
    }
    qsizetype end = start;
    while (!isDelimiter(remainder[end].unicode()))
        ++end;
    QString word = remainder.mid(start, end - start);
    if (ending) *ending = remainder[end];
    remainder.remove(0, end + 1);
    return word;
}

} // namespace PhraseWords
