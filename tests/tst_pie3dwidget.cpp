#include "legendmodel.h"
#include "pie3dwidget.h"
#include "tformanalyzechart.h"

#include <QTreeView>
#include <QtTest>

class TestPie3DWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void slicesInOrderWithShares();
    void paletteCycles();
    void rendersEdgeCases_data();
    void rendersEdgeCases();
    void labelsNeverOverlap();
    void scriptsInTheLegend();
    void chartWindow();
};

void TestPie3DWidget::slicesInOrderWithShares() {
    Pie3DWidget pie;
    pie.addSlice(3, QStringLiteral("c"));
    pie.addSlice(1, QStringLiteral("a"));
    pie.addSlice(4, QStringLiteral("b"));
    QCOMPARE(pie.sliceCount(), 3);
    QCOMPARE(pie.label(0), QStringLiteral("c"));
    QCOMPARE(pie.value(2), 4.0);
    QCOMPARE(pie.percent(1), 12.5);
    QCOMPARE(pie.percent(0) + pie.percent(1) + pie.percent(2), 100.0);
    pie.syncLegend();
    QAbstractItemModel* legend = pie.legend()->model();
    QCOMPARE(legend->rowCount(), 3);
    QCOMPARE(legend->index(1, 0).data().toString(), QStringLiteral("a"));
    QCOMPARE(legend->index(1, 1).data().toString(), QStringLiteral("12.50 %"));
    QCOMPARE(legend->index(1, 1).data(Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
}

void TestPie3DWidget::paletteCycles() {
    Pie3DWidget pie;
    const int colours = int(Pie3DWidget::palette().size());
    for (int i = 0; i < 2 * colours; ++i)
        pie.addSlice(1, QString::number(i));
    QCOMPARE(pie.color(0), pie.color(colours));
    QVERIFY(pie.color(0) != pie.color(1));
}

void TestPie3DWidget::rendersEdgeCases_data() {
    QTest::addColumn<int>("slices");
    QTest::newRow("empty") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("a hundred thousand") << 100000;
}

void TestPie3DWidget::rendersEdgeCases() {
    QFETCH(int, slices);
    Pie3DWidget pie;
    pie.resize(740, 403);
    pie.reserve(slices);
    for (int i = 0; i < slices; ++i)
        pie.addSlice(1 + i % 7, QStringLiteral("w%1").arg(i));
    const QImage image = pie.grab().toImage();
    QVERIFY(!image.isNull());
    QCOMPARE(pie.legend()->model()->rowCount(), slices);
    if (slices == 1) QCOMPARE(pie.visibleLabels(), QStringList{QStringLiteral("w0")});
    if (slices > 1000) QVERIFY(pie.visibleLabels().isEmpty()); // slivers get no labels
}

void TestPie3DWidget::labelsNeverOverlap() {
    Pie3DWidget pie;
    pie.resize(740, 403);
    for (int i = 0; i < 300; ++i)
        pie.addSlice(i < 40 ? 300 - i * 5 : 3, QStringLiteral("label number %1").arg(i));
    pie.grab();
    const auto& rects = pie.labelRects();
    QVERIFY(!rects.empty());
    QVERIFY(int(rects.size()) < 300);
    for (std::size_t a = 0; a < rects.size(); ++a) {
        QVERIFY(pie.rect().contains(rects[a].toRect()));
        for (std::size_t b = a + 1; b < rects.size(); ++b)
            QVERIFY(!rects[a].intersects(rects[b]));
    }
}

void TestPie3DWidget::scriptsInTheLegend() {
    const QStringList labels{QStringLiteral("שלום"), QStringLiteral("привет"),
                             QStringLiteral("déjà"), QStringLiteral(" ")};
    Pie3DWidget pie;
    pie.resize(740, 403);
    for (const QString& label : labels)
        pie.addSlice(5, label);
    pie.grab();
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(pie.legend()->model()->index(i, 0).data().toString(), labels[i]);
    for (const QString& label : labels.mid(0, 3))
        QVERIFY(pie.visibleLabels().contains(label));
}

void TestPie3DWidget::chartWindow() {
    auto* first = new TFormAnalyzeChart(nullptr);
    auto* second = new TFormAnalyzeChart(nullptr);
    first->addSlice(2, QStringLiteral("a"));
    QCOMPARE(first->windowTitle(), QStringLiteral("Pie Chart"));
    QCOMPARE(first->size(), QSize(740, 403));
    QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(first->Chart1->sliceCount(), 1);
    QCOMPARE(second->Chart1->sliceCount(), 0);
    delete first;
    delete second;
}

QTEST_MAIN(TestPie3DWidget)
#include "tst_pie3dwidget.moc"
