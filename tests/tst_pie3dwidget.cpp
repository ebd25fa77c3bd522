#include "analysis/ui/chart/pie3dwidget.h"
#include "analysis/ui/chart/piechartwindow.h"

#include <QPointer>
#include <QTreeView>
#include <QtTest>

#include <cmath>

namespace {

// The colour at a point of the disc's top face, measured from the middle of
// the part of the widget left of the legend.
QColor pixelNearCentre(Pie3DWidget& pie, int dy) {
    const QImage image = pie.grab().toImage();
    const int legendLeft = pie.legend()->isHidden() ? pie.width() : pie.legend()->x();
    return image.pixelColor(legendLeft / 2, pie.height() / 2 + dy);
}

bool sameHue(const QColor& a, const QColor& b) {
    const int d = std::abs(a.hsvHue() - b.hsvHue());
    return std::min(d, 360 - d) <= 15 && a.hsvSaturation() > 40;
}

QString legendText(const Pie3DWidget& pie, int row, int column) {
    return pie.legend()->model()->index(row, column).data().toString();
}

void checkLabelPlaces(const Pie3DWidget& pie) {
    const std::vector<QRectF>& rects = pie.labelRects();
    QCOMPARE(int(rects.size()), pie.visibleLabels().size());
    const QRectF legend = pie.legend()->isHidden() ? QRectF() : QRectF(pie.legend()->geometry());
    for (std::size_t a = 0; a < rects.size(); ++a) {
        QVERIFY2(QRectF(pie.rect()).contains(rects[a]), qPrintable(pie.visibleLabels()[int(a)]));
        QVERIFY(!rects[a].intersects(legend));
        for (std::size_t b = a + 1; b < rects.size(); ++b)
            QVERIFY2(!rects[a].intersects(rects[b]),
                     qPrintable(pie.visibleLabels()[int(a)] + " / " + pie.visibleLabels()[int(b)]));
    }
}

} // namespace

class TestPie3DWidget : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void slicesKeepOrderAndShares_data();
    void slicesKeepOrderAndShares();
    void paletteCyclesThroughDistinctColours();
    void emptyAndSingleSlice();
    void sliversDoNotTakeOverALargeSlice();
    void labelsDoNotOverlap_data();
    void labelsDoNotOverlap();
    void scriptsOnThePieAndInTheLegend();
    void chartWindow();
    void chartWindowsAreIndependent();
};

void TestPie3DWidget::slicesKeepOrderAndShares_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("share");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                             << QStringLiteral("12.50 %");
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                            << QStringLiteral("12,50 %");
}

void TestPie3DWidget::slicesKeepOrderAndShares() {
    QFETCH(QLocale, locale);
    QFETCH(QString, share);
    QLocale::setDefault(locale);
    Pie3DWidget pie;
    // Not sorted by value: the pie keeps the order of the table.
    pie.addSlice(3, QStringLiteral("c"));
    pie.addSlice(1, QStringLiteral("a"));
    pie.addSlice(4, QStringLiteral("b"));
    QCOMPARE(pie.sliceCount(), 3);
    QCOMPARE(pie.label(0), QStringLiteral("c"));
    QCOMPARE(pie.label(2), QStringLiteral("b"));
    QCOMPARE(pie.value(0), 3.0);
    QCOMPARE(pie.value(2), 4.0);
    QCOMPARE(pie.percent(1), 12.5);
    QVERIFY(std::abs(pie.percent(0) + pie.percent(1) + pie.percent(2) - 100.0) < 1e-9);

    QCoreApplication::processEvents();
    QCOMPARE(pie.legend()->model()->rowCount(), 3);
    QCOMPARE(legendText(pie, 1, 0), QStringLiteral("a"));
    QCOMPARE(legendText(pie, 1, 1), share);
    QCOMPARE(pie.legend()->model()->index(1, 1).data(Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
}

void TestPie3DWidget::paletteCyclesThroughDistinctColours() {
    const std::vector<QColor>& colours = Pie3DWidget::palette();
    QVERIFY(colours.size() >= 15 && colours.size() <= 20);
    for (std::size_t a = 0; a < colours.size(); ++a)
        for (std::size_t b = a + 1; b < colours.size(); ++b)
            QVERIFY(colours[a] != colours[b]);

    Pie3DWidget pie;
    const int n = int(colours.size());
    for (int i = 0; i < 2 * n + 1; ++i)
        pie.addSlice(1, QString::number(i));
    for (int i = 0; i < n + 1; ++i)
        QCOMPARE(pie.color(i + n), pie.color(i));
    QCOMPARE(pie.color(0), colours[0]);
    QVERIFY(pie.color(0) != pie.color(1));
}

void TestPie3DWidget::emptyAndSingleSlice() {
    Pie3DWidget empty;
    empty.resize(740, 403);
    QVERIFY(!empty.grab().toImage().isNull());
    QCOMPARE(pixelNearCentre(empty, 0), QColor(Qt::white));
    QVERIFY(empty.visibleLabels().isEmpty());
    QCOMPARE(empty.legend()->model()->rowCount(), 0);

    // All of the disc is the one slice, behind the middle and in front of it.
    Pie3DWidget single;
    single.resize(740, 403);
    single.addSlice(7, QStringLiteral("w0"));
    QVERIFY(sameHue(pixelNearCentre(single, -50), single.color(0)));
    QVERIFY(sameHue(pixelNearCentre(single, 20), single.color(0)));
    QCOMPARE(single.visibleLabels(), QStringList{QStringLiteral("w0")});
    QCOMPARE(single.percent(0), 100.0);
    QCOMPARE(single.legend()->model()->rowCount(), 1);

    // Zero, negative or unreadable values and an empty label draw nothing
    // and break nothing.
    Pie3DWidget odd;
    odd.resize(740, 403);
    odd.addSlice(0, QStringLiteral("zero"));
    odd.addSlice(-3, QString());
    odd.addSlice(std::nan(""), QStringLiteral("nan"));
    QVERIFY(!odd.grab().toImage().isNull());
    QCOMPARE(odd.sliceCount(), 3);
    QCOMPARE(odd.percent(1), 0.0);
    QVERIFY(odd.visibleLabels().isEmpty());
}

void TestPie3DWidget::sliversDoNotTakeOverALargeSlice() {
    // A run of slices too thin to see is drawn as one piece; the large slice
    // after it still shows its own colour.
    Pie3DWidget pie;
    pie.resize(740, 403);
    const int slivers = 1001;
    for (int i = 0; i < slivers; ++i)
        pie.addSlice(0.001, QStringLiteral("s%1").arg(i));
    pie.addSlice(1000, QStringLiteral("large"));
    QVERIFY(!sameHue(pie.color(slivers), pie.color(0)));
    QVERIFY(sameHue(pixelNearCentre(pie, 20), pie.color(slivers)));
    QCOMPARE(pie.visibleLabels(), QStringList{QStringLiteral("large")});
}

void TestPie3DWidget::labelsDoNotOverlap_data() {
    QTest::addColumn<int>("slices");
    QTest::addColumn<QSize>("size");
    QTest::newRow("300 words") << 300 << QSize(740, 403);
    QTest::newRow("300 words, small window") << 300 << QSize(400, 260);
    QTest::newRow("300 words, large window") << 300 << QSize(1400, 900);
    QTest::newRow("100000 words") << 100000 << QSize(740, 403);
}

void TestPie3DWidget::labelsDoNotOverlap() {
    QFETCH(int, slices);
    QFETCH(QSize, size);
    Pie3DWidget pie;
    pie.resize(size);
    pie.reserve(slices);
    // A few large slices, then a long tail of ever thinner ones, with labels
    // long enough to collide.
    for (int i = 0; i < slices; ++i)
        pie.addSlice(i < 40 ? 1000.0 / (i + 1) : 3.0 * 300 / slices,
                     QStringLiteral("label number %1").arg(i));
    QVERIFY(!pie.grab().toImage().isNull());
    QCOMPARE(pie.legend()->model()->rowCount(), slices);
    QVERIFY(!pie.visibleLabels().isEmpty());
    // Only the large slices are wide enough for a label.
    for (const QString& label : pie.visibleLabels())
        QVERIFY2(label.mid(13).toInt() < 40, qPrintable(label));
    // The widest slice is labelled first, so it always is.
    QCOMPARE(pie.visibleLabels().first(), QStringLiteral("label number 0"));
    checkLabelPlaces(pie);
}

void TestPie3DWidget::scriptsOnThePieAndInTheLegend() {
    const QStringList labels{QStringLiteral("שלום"), QStringLiteral("привет"),
                             QStringLiteral("déjà vu"), QStringLiteral(" ")};
    Pie3DWidget pie;
    pie.resize(740, 403);
    for (const QString& label : labels)
        pie.addSlice(5, label);
    pie.grab();
    QCOMPARE(pie.sliceCount(), labels.size());
    QCOMPARE(pie.percent(3), 25.0);
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(legendText(pie, i, 0), labels[i]);
    for (const QString& label : labels)
        QVERIFY2(pie.visibleLabels().contains(label), qPrintable(label));
    checkLabelPlaces(pie);
}

void TestPie3DWidget::chartWindow() {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 600);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    auto* chart = new PieChartWindow(&owner);
    QPointer<PieChartWindow> alive(chart);
    QCOMPARE(chart->windowTitle(), QStringLiteral("Pie Chart"));
    QVERIFY(chart->isWindow());
    QVERIFY(!chart->isModal());
    QVERIFY(chart->testAttribute(Qt::WA_DeleteOnClose));
    chart->addSlice(2, QStringLiteral("a"));
    chart->addSlice(6, QStringLiteral("b"));
    chart->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QCOMPARE(chart->size(), QSize(740, 403));
    QCOMPARE(chart->pie()->geometry(), chart->rect());
    QCOMPARE(chart->frameGeometry().center(), owner.frameGeometry().center());
    QCOMPARE(chart->pie()->sliceCount(), 2);
    QCOMPARE(chart->pie()->percent(1), 75.0);

    chart->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void TestPie3DWidget::chartWindowsAreIndependent() {
    auto* first = new PieChartWindow(nullptr);
    auto* second = new PieChartWindow(nullptr);
    QPointer<PieChartWindow> firstAlive(first), secondAlive(second);
    for (PieChartWindow* chart : {first, second}) {
        chart->addSlice(3, QStringLiteral("x"));
        chart->addSlice(1, QStringLiteral("y"));
    }
    first->addSlice(4, QStringLiteral("z"));
    first->show();
    second->show();
    QCOMPARE(first->pie()->sliceCount(), 3);
    QCOMPARE(second->pie()->sliceCount(), 2);
    QCOMPARE(second->pie()->percent(0), 75.0);
    QVERIFY(first->pie() != second->pie());

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(firstAlive.isNull());
    QVERIFY(!secondAlive.isNull());
    QVERIFY(second->isVisible());
    QCOMPARE(second->pie()->label(1), QStringLiteral("y"));
    delete second;
}

QTEST_MAIN(TestPie3DWidget)
#include "tst_pie3dwidget.moc"
