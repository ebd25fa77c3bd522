#include "localization/translation.h"
#include "online/ui/updatenotice.h"
#include "widgetlookup.h"
#include "widgets/desktop.h"

#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint global) {
    const QPoint local = widget->mapFromGlobal(global);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, local, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class TestUpdateNotice : public QObject {
    Q_OBJECT

    QList<Desktop::Request> opened_;

    // A notice that has finished growing.
    std::unique_ptr<UpdateNotice> shownNotice(const QString& address = "https://d.example/get") {
        auto notice = std::make_unique<UpdateNotice>(QStringLiteral("Lexometer"),
                                                     QStringLiteral("4.1"), address);
        const QRect home = UpdateNotice::placement(QGuiApplication::primaryScreen()->geometry());
        [&] {
            QTRY_VERIFY(notice->isVisible());
            QTRY_COMPARE(notice->geometry(), home);
        }();
        return notice;
    }

private slots:
    void init() {
        opened_.clear();
        Desktop::setHandler([this](const Desktop::Request& request) {
            opened_ << request;
            return true;
        });
    }
    void cleanup() {
        Desktop::setHandler({});
        Translation::reset();
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    }

    void placement_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("notice");
        QTest::newRow("full HD") << QRect(0, 0, 1920, 1080) << QRect(1595, 5, 320, 68);
        QTest::newRow("screen not at the origin")
            << QRect(100, 50, 1280, 1024) << QRect(1055, 55, 320, 68);
    }
    void placement() {
        QFETCH(QRect, screen);
        QTEST(UpdateNotice::placement(screen), "notice");
    }

    void growsIntoTheTopRightCornerWithItsTexts() {
        UpdateNotice notice(QStringLiteral("Lexometer"), QStringLiteral("4.1"), QString());
        QVERIFY(!notice.isVisible());
        QVERIFY(notice.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(notice.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTRY_VERIFY(notice.isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTRY_COMPARE(notice.geometry(), QRect(screen.right() - 324, screen.top() + 5, 320, 68));
        QCOMPARE(findWidget<QLabel>(&notice, "titleLabel")->text(),
                 QStringLiteral("UPDATE AVAILABLE"));
        QCOMPARE(findWidget<QLabel>(&notice, "linkLabel")->text(),
                 QStringLiteral("Click to download Lexometer\u00A04.1"));
    }

    // Every shipped language, at the notice's fixed size.
    void linkTakesAtMostTwoLines_data() {
        QTest::addColumn<QString>("languageFile");
        QTest::newRow("English") << QString();
        const QDir languages(QStringLiteral(LEXO_SOURCE_DIR "/Languages"));
        const QStringList files = languages.entryList({QStringLiteral("*.lang.txt")}, QDir::Files);
        QVERIFY(files.size() >= 7);
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << languages.filePath(file);
    }
    void linkTakesAtMostTwoLines() {
        QFETCH(QString, languageFile);
        if (!languageFile.isEmpty()) QVERIFY(Translation::load(languageFile));
        UpdateNotice notice(QStringLiteral("Lexometer"), QStringLiteral("4.1"), QString());
        auto* link = findWidget<QLabel>(&notice, "linkLabel");
        // The name and its version wrap as one word.
        QCOMPARE(link->text(),
                 translateText("Click to download") + QStringLiteral(" Lexometer\u00A04.1"));
        // Fewer than three lines, all inside the label.
        const int needed = link->heightForWidth(link->width());
        const QString report =
            QStringLiteral("%1 pixels high at %2 wide").arg(needed).arg(link->width());
        QVERIFY2(needed < 3 * QFontMetrics(link->font()).lineSpacing(), qPrintable(report));
        QVERIFY2(needed <= link->height(), qPrintable(report));
        QCOMPARE(notice.size(), QSize(320, 68));
    }

    void mirroredUnderRightToLeft() {
        const char* const names[] = {"outerPanel", "programIcon", "titleLabel",
                                     "linkLabel",  "closeStrip",  "closeButton"};
        UpdateNotice leftToRight(QStringLiteral("Lexometer"), QStringLiteral("4.1"), QString());
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        auto notice = shownNotice();
        QVERIFY(notice->isRightToLeft());
        for (const char* name : names) {
            const QWidget* part = findWidget<QWidget>(notice.get(), name);
            QCOMPARE(part->geometry(),
                     QStyle::visualRect(Qt::RightToLeft, part->parentWidget()->rect(),
                                        findWidget<QWidget>(&leftToRight, name)->geometry()));
        }
        // The icon on the right, the close button on the left.
        QVERIFY(findWidget<QWidget>(notice.get(), "programIcon")->x() > 200);
        QCOMPARE(findWidget<QWidget>(notice.get(), "closeStrip")->x(), 0);
    }

    void closesItselfAfterElevenTicks() {
        auto notice = shownNotice();
        QCOMPARE(findWidget<QTimer>(notice.get(), "closeTimer")->interval(), 1000);
        for (int tick = 1; tick < UpdateNotice::CountdownStart; ++tick)
            notice->countDown();
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->secondsLeft(), 1);
        notice->countDown();
        QVERIFY(!findWidget<QTimer>(notice.get(), "closeTimer")->isActive());
        QTRY_VERIFY(!notice->isVisible());
        QVERIFY(opened_.isEmpty());
    }

    void linkOpensTheAddressAndCloses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("opened");
        QTest::newRow("download address")
            << "https://d.example/get" << QUrl(QStringLiteral("https://d.example/get"));
        QTest::newRow("none: the home page")
            << "" << QUrl(QStringLiteral("https://www.brellix.com/"));
        QTest::newRow("plain http")
            << "http://d.example/get?v=4.1" << QUrl(QStringLiteral("http://d.example/get?v=4.1"));
        // Nothing but http(s) reaches the desktop's opener.
        const QUrl home(QStringLiteral("https://www.brellix.com/"));
        QTest::newRow("javascript") << "javascript:alert(1)" << home;
        QTest::newRow("file") << "file:///etc/passwd" << home;
        QTest::newRow("smb") << "smb://host/share" << home;
        QTest::newRow("bare path") << "/etc/passwd" << home;
        QTest::newRow("no host") << "https:///path" << home;
        QTest::newRow("not a URL") << "https://d.example:port/" << home;
    }
    void linkOpensTheAddressAndCloses() {
        QFETCH(QString, address);
        auto notice = shownNotice(address);
        QTest::mouseClick(findWidget<QLabel>(notice.get(), "linkLabel"), Qt::LeftButton);
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_[0].kind, Desktop::Request::Kind::OpenUrl);
        QTEST(opened_[0].url, "opened");
        QVERIFY(!notice->isVisible());
    }

    void closeButtonCloses() {
        auto notice = shownNotice();
        QTest::mouseClick(findWidget<QToolButton>(notice.get(), "closeButton"), Qt::LeftButton);
        QVERIFY(!notice->isVisible());
        QVERIFY(opened_.isEmpty());
    }

    void linkColourFollowsThePointer() {
        auto notice = shownNotice();
        auto* link = findWidget<QLabel>(notice.get(), "linkLabel");
        notice->followPointer(link->mapToGlobal(link->rect().center()));
        QCOMPARE(link->palette().color(QPalette::WindowText),
                 notice->palette().color(QPalette::Highlight));
        notice->followPointer(link->mapToGlobal(QPoint(-3, -3)));
        QCOMPARE(link->palette().color(QPalette::WindowText),
                 notice->palette().color(QPalette::WindowText));
    }

    void dragging_data() {
        QTest::addColumn<QString>("part");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("moves");
        for (const char* part : {"outerPanel", "programIcon", "titleLabel", "closeStrip"}) {
            QTest::addRow("%s, left", part) << part << Qt::LeftButton << true;
            QTest::addRow("%s, middle", part) << part << Qt::MiddleButton << true;
            QTest::addRow("%s, right", part) << part << Qt::RightButton << false;
        }
        QTest::newRow("link") << "linkLabel" << Qt::LeftButton << false;
    }
    void dragging() {
        QFETCH(QString, part);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, moves);
        auto notice = shownNotice();
        auto* widget = findWidget<QWidget>(notice.get(), qPrintable(part));
        const QPoint start = notice->pos();
        // The strip's lower part, below the close button.
        const QPoint grip = widget->mapToGlobal(QPoint(3, widget->height() - 3));
        sendMouse(widget, QEvent::MouseButtonPress, button, grip);
        sendMouse(widget, QEvent::MouseMove, button, grip + QPoint(-30, 12));
        sendMouse(widget, QEvent::MouseMove, button, grip + QPoint(-50, 20));
        sendMouse(widget, QEvent::MouseButtonRelease, button, grip + QPoint(-50, 20));
        QCOMPARE(notice->pos(), moves ? start + QPoint(-50, 20) : start);
        QCOMPARE(notice->size(), QSize(320, 68));
        // Released: the pointer no longer carries it.
        sendMouse(widget, QEvent::MouseMove, Qt::NoButton, grip);
        QCOMPARE(notice->pos(), moves ? start + QPoint(-50, 20) : start);
    }
};

QTEST_MAIN(TestUpdateNotice)
#include "tst_updatenotice.moc"
