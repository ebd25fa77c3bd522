#include "widgets/programstyle.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QtTest>

#include <memory>

namespace {

// The columns a button's icon (pure red) and its caption's ink cover.
struct Columns {
    int iconLeft = -1, iconRight = -1, textLeft = -1, textRight = -1;
};

Columns columnsOf(const QImage& image) {
    Columns found;
    const auto extend = [](int& left, int& right, int x) {
        if (left < 0 || x < left) left = x;
        right = std::max(right, x);
    };
    // Inside the frame only.
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60)
                extend(found.iconLeft, found.iconRight, x);
            else if (qGray(pixel) < 110)
                extend(found.textLeft, found.textRight, x);
        }
    return found;
}

} // namespace

class TestProgramStyle : public QObject {
    Q_OBJECT

private slots:
    void iconButtonCaptionsAreCentredWithTheirIcon_data() {
        QTest::addColumn<Qt::LayoutDirection>("application");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::addColumn<QString>("caption");
        const auto ltr = Qt::LeftToRight;
        const auto rtl = Qt::RightToLeft;
        QTest::newRow("left to right") << ltr << ltr << QStringLiteral("Send");
        QTest::newRow("right to left") << rtl << rtl << QStringLiteral("Send");
        QTest::newRow("right to left, mnemonic") << rtl << rtl << QStringLiteral("&Yes");
        // A button turned against the window's direction, as the About
        // window's Info button with its arrow after the caption.
        QTest::newRow("left-to-right button, right-to-left program")
            << rtl << ltr << QStringLiteral("Info");
        QTest::newRow("right-to-left button, left-to-right program")
            << ltr << rtl << QStringLiteral("Info");
    }
    void iconButtonCaptionsAreCentredWithTheirIcon() {
        QFETCH(Qt::LayoutDirection, application);
        QFETCH(Qt::LayoutDirection, direction);
        QFETCH(QString, caption);
        QPixmap red(16, 16);
        red.fill(Qt::red);
        ProgramStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        QPushButton button(QIcon(red), caption);
        button.setStyle(&style);
        // The fault shows only when the program lays out right to left.
        QGuiApplication::setLayoutDirection(application);
        const auto restore =
            qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
        button.setLayoutDirection(direction);
        button.setFixedSize(172, 32);
        const Columns columns = columnsOf(button.grab().toImage());
        QVERIFY(columns.iconLeft >= 0);
        QVERIFY(columns.textLeft >= 0);

        // The icon leads in the reading direction, one small gap away.
        if (direction == Qt::RightToLeft) {
            QVERIFY(columns.textRight < columns.iconLeft);
            QVERIFY(columns.iconLeft - columns.textRight <= 10);
        } else {
            QVERIFY(columns.iconRight < columns.textLeft);
            QVERIFY(columns.textLeft - columns.iconRight <= 10);
        }
        // Icon and caption together in the middle, not against an edge.
        const int left = std::min(columns.iconLeft, columns.textLeft);
        const int right = button.width() - 1 - std::max(columns.iconRight, columns.textRight);
        QVERIFY2(std::abs(left - right) <= 8,
                 qPrintable(QStringLiteral("margins %1 and %2").arg(left).arg(right)));
    }

    void otherButtonsAreTheBaseStyles() {
        // A caption without an icon, and an icon without a caption, look as
        // the base style draws them.
        QPixmap red(16, 16);
        red.fill(Qt::red);
        QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        ProgramStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        for (QPushButton* button :
             {new QPushButton(QStringLiteral("Send")), new QPushButton(QIcon(red), QString())}) {
            std::unique_ptr<QPushButton> owned(button);
            button->setLayoutDirection(Qt::RightToLeft);
            button->setFixedSize(172, 32);
            button->setStyle(fusion);
            const QImage plain = button->grab().toImage();
            button->setStyle(&style);
            QCOMPARE(button->grab().toImage(), plain);
        }
        delete fusion;
    }
};

QTEST_MAIN(TestProgramStyle)
#include "tst_programstyle.moc"
