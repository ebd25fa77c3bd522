// Renders the program's SVG icon to the PNG sizes a desktop's icon theme looks for:
//   lexo_iconrender SVG FOLDER SIZE...
// writes FOLDER/SIZExSIZE/apps/lexometer.png for each size.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fputs("usage: lexo_iconrender SVG FOLDER SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "lexo_iconrender: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "lexo_iconrender: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) || !image.save(apps + QStringLiteral("/lexometer.png"))) {
            std::fprintf(stderr, "lexo_iconrender: cannot write the %dx%d icon into %s\n", size,
                         size, argv[2]);
            return 1;
        }
    }
    return 0;
}
