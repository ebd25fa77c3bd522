#include "cli/clitext.h"

#include "analysis/corpus/corpusstream.h"
#include "analysis/engine/analysiserror.h"
#include "analysis/report/analysistext.h"

#include <algorithm>

namespace {

// A character that would break a line or be invisible in a message.
bool isControl(QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

bool needsEscape(QChar c) {
    return c == u'"' || c == u'\\' || isControl(c);
}

// The C-style escape of a character that needs one.
QString escape(QChar c) {
    switch (c.unicode()) {
    case u'"':
        return QStringLiteral("\\\"");
    case u'\\':
        return QStringLiteral("\\\\");
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    default:
        return c.unicode() < 0x100
                   ? QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0'))
                   : QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
    }
}

} // namespace

namespace CliText {

QString quoted(const QString& name) {
    QString out(u'"');
    for (QChar c : name)
        out += needsEscape(c) ? escape(c) : QString(c);
    return out + u'"';
}

QString shownName(const QString& name) {
    return std::any_of(name.begin(), name.end(), needsEscape) ? quoted(name) : name;
}

QString escapedMessage(QString message, const QString& path) {
    message.replace(u'"' + path + u'"', quoted(path));
    QString out;
    for (QChar c : message)
        out += isControl(c) ? escape(c) : QString(c);
    return out;
}

QString exceptionText(const std::exception& error) {
    const AnalysisError* analysis = dynamic_cast<const AnalysisError*>(&error);
    if (const auto* corpus = dynamic_cast<const CorpusError*>(&error); corpus && corpus->cause())
        analysis = &*corpus->cause();
    if (!analysis) return QString::fromLocal8Bit(error.what());
    const QString words = AnalysisText::errorMessage(*analysis, AnalysisLabels());
    return analysis == &error ? words : QString::fromLocal8Bit(error.what()) + u' ' + words;
}

QString plainBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace CliText
