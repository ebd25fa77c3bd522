#include "widgets/placement.h"

#include <QScreen>
#include <QtTest>

#include <memory>

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void centredWhenFirstShown_data();
    void centredWhenFirstShown();
    void onlyTheFirstShow();
    void actionRunsOnce();
};

namespace {

bool centredOn(const QWidget& window, QPoint centre) {
    return (window.frameGeometry().center() - centre).manhattanLength() <= 2;
}

} // namespace

void TestPlacement::centredWhenFirstShown_data() {
    QTest::addColumn<bool>("withOwner");
    QTest::addColumn<bool>("ownerGone");
    QTest::addColumn<bool>("movedFirst");
    QTest::newRow("over its owner") << true << false << false;
    QTest::newRow("on the screen without one") << false << false << false;
    QTest::newRow("on the screen once the owner is gone") << true << true << false;
    QTest::newRow("moved before it shows") << true << false << true;
}

void TestPlacement::centredWhenFirstShown() {
    QFETCH(bool, withOwner);
    QFETCH(bool, ownerGone);
    QFETCH(bool, movedFirst);
    auto owner = std::make_unique<QWidget>();
    owner->setGeometry(40, 30, 300, 200);
    QWidget window;
    window.resize(120, 80);
    Placement::centreWhenFirstShown(&window, withOwner ? owner.get() : nullptr);
    const QPoint ownerCentre = owner->frameGeometry().center();
    if (ownerGone) owner.reset();
    if (movedFirst) window.move(7, 9);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (movedFirst)
        QCOMPARE(window.pos(), QPoint(7, 9));
    else if (withOwner && !ownerGone)
        QVERIFY(centredOn(window, ownerCentre));
    else
        QVERIFY(centredOn(window, window.screen()->availableGeometry().center()));
}

void TestPlacement::onlyTheFirstShow() {
    QWidget window;
    window.resize(120, 80);
    Placement::centreWhenFirstShown(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.hide();
    window.move(11, 13);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.pos(), QPoint(11, 13));
}

void TestPlacement::actionRunsOnce() {
    QWidget window;
    int runs = 0;
    Placement::whenFirstShown(&window, [&runs] { ++runs; });
    QCOMPARE(runs, 0);
    window.show();
    window.hide();
    window.show();
    QCOMPARE(runs, 1);
}

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"
