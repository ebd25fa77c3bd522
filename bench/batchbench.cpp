// A batch run of many files: the time from Start until the last results
// window has finished its analysis. Run it under /usr/bin/time -v for the
// peak memory.
//
//     batchbench [--files N] [--megabytes M] [--source FILE]
//
// The files are N consecutive pieces of M MB of FILE (bench/corpora/kjv25.txt
// when there), or generated words, written to a temporary folder first.

#include "analysis/ui/batch/batchwindow.h"
#include "analysis/ui/results/resultswindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray generatedText(qsizetype size) {
    static const char* const Words[] = {"the",  "and",    "of",    "light", "water", "earth",
                                        "said", "unto",   "shall", "day",   "night", "heaven",
                                        "lord", "people", "city",  "house", "king",  "land"};
    QRandomGenerator random(42);
    QByteArray text;
    text.reserve(size + 16);
    int column = 0;
    while (text.size() < size) {
        const char* word = Words[random.bounded(int(std::size(Words)))];
        text += word;
        column += int(qstrlen(word)) + 1;
        if (column > 70) {
            text += '\n';
            column = 0;
        } else {
            text += ' ';
        }
    }
    text.truncate(size);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int fileCount = 50;
    qint64 megabytes = 2;
    QString source = QStringLiteral(LEXO_SOURCE_DIR "/bench/corpora/kjv25.txt");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--files"))
            fileCount = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--megabytes"))
            megabytes = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--source"))
            source = args[i + 1];
    }
    const qint64 pieceSize = megabytes * 1024 * 1024;

    QTemporaryDir folder;
    QFile corpus(source);
    const bool fromCorpus =
        corpus.open(QIODevice::ReadOnly) && corpus.size() >= pieceSize * fileCount;
    QStringList paths;
    for (int i = 0; i < fileCount; ++i) {
        const QByteArray piece = fromCorpus ? corpus.read(pieceSize) : generatedText(pieceSize);
        const QString path =
            folder.filePath(QStringLiteral("piece%1.txt").arg(i, 3, 10, QChar(u'0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(piece) != piece.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        paths << path;
    }
    std::printf("%d files of %lld MB from %s\n", fileCount, megabytes,
                fromCorpus ? qPrintable(source) : "generated words");

    const QString english =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'");
    BatchWindow batch(nullptr, {}, [&] { return english; });
    batch.addFiles(paths);
    batch.show();

    QElapsedTimer clock;
    clock.start();
    batch.start();
    const double started = clock.nsecsElapsed() / 1e9;

    const QList<ResultsWindow*> windows =
        batch.findChildren<ResultsWindow*>(Qt::FindDirectChildrenOnly);
    int waiting = 0;
    for (ResultsWindow* window : windows) {
        if (window->results()) continue;
        ++waiting;
        QObject::connect(window, &ResultsWindow::analysisFinished, &app, [&] {
            if (--waiting == 0) app.quit();
        });
    }
    if (waiting > 0) app.exec();
    const double finished = clock.nsecsElapsed() / 1e9;
    std::printf(
        "windows: %lld\nstart returned after: %.3f s\nlast analysis finished after: %.3f s\n",
        static_cast<long long>(windows.size()), started, finished);
    return windows.size() == fileCount ? 0 : 1;
}
