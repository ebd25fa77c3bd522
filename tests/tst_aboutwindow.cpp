#include "info/ui/aboutwindow.h"
#include "info/ui/letterrain.h"
#include "widgetlookup.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <memory>

namespace {

// Answers with the scripted values in order, then with the lowest value
// allowed; records the ranges asked for.
struct ScriptedRandom {
    std::deque<int> values;
    QList<QPair<int, int>> ranges;
};

LetterRain::RandomSource scripted(const std::shared_ptr<ScriptedRandom>& script) {
    return [script](int low, int high) {
        script->ranges << qMakePair(low, high);
        if (script->values.empty()) return low;
        const int value = script->values.front();
        script->values.pop_front();
        return value;
    };
}

QList<LetterRain::Stroke> stepStrokes(LetterRain& rain) {
    QList<LetterRain::Stroke> strokes;
    rain.step([&strokes](const LetterRain::Stroke& stroke) { strokes << stroke; });
    return strokes;
}

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint global) {
    const QPoint local = widget->mapFromGlobal(global);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                  : type == QEvent::MouseMove        ? Qt::MouseButtons(button)
                                                                     : Qt::MouseButtons(button);
    QMouseEvent event(type, local, local, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void doubleClick(QWidget* widget) {
    sendMouse(widget, QEvent::MouseButtonDblClick, Qt::LeftButton,
              widget->mapToGlobal(widget->rect().center()));
}

// The program laid out right to left, as under Hebrew, until the end of the
// scope.
[[nodiscard]] auto rightToLeft() {
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    return qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

    QList<Desktop::Request> opened_;
    QList<Dialogs::Request> dialogs_;

private slots:
    void init() {
        opened_.clear();
        dialogs_.clear();
        Desktop::setHandler([this](const Desktop::Request& request) {
            opened_ << request;
            return true;
        });
        Dialogs::setHandler([this](const Dialogs::Request& request) {
            dialogs_ << request;
            return QString();
        });
    }
    void cleanup() {
        Desktop::setHandler({});
        Dialogs::setHandler({});
    }

    void dropsPerColumn_data() {
        QTest::addColumn<QSize>("windowSize");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("drops");
        QTest::newRow("about window") << QSize(446, 374) << 55 << 31 << 110;
        QTest::newRow("narrower than a cell") << QSize(7, 100) << 0 << 8 << 0;
        QTest::newRow("just below the cap") << QSize(19992, 24) << 2499 << 2 << 4998;
        QTest::newRow("at the cap") << QSize(20000, 24) << 2500 << 2 << 5000;
        QTest::newRow("far wider") << QSize(80000, 11) << 10000 << 0 << 5000;
    }
    void dropsPerColumn() {
        QFETCH(QSize, windowSize);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, drops);
        auto script = std::make_shared<ScriptedRandom>();
        LetterRain rain(scripted(script));
        rain.start(windowSize);
        QCOMPARE(rain.columns(), columns);
        QCOMPARE(rain.rows(), rows);
        QCOMPARE(int(rain.drops().size()), drops);
        for (int i = 0; i < drops; ++i)
            QCOMPARE(rain.drops()[std::size_t(i)].column, i % columns);
        // Each drop asks for its head row, speed and brightness.
        if (drops > 0 && rows > 0) {
            QCOMPARE(script->ranges.value(0), qMakePair(0, rows - 1));
            QCOMPARE(script->ranges.value(1), qMakePair(1, 3));
            QCOMPARE(script->ranges.value(2), qMakePair(0, 99));
        }
    }

    void dropsMoveEverySpeedthStep() {
        // Two columns, three rows; drops (row, speed, brightness).
        auto script = std::make_shared<ScriptedRandom>();
        script->values = {0, 2, 50, 1, 1, 99, 2, 3, 0, 0, 1, 10};
        LetterRain rain(scripted(script));
        rain.start(QSize(16, 36));
        QCOMPARE(rain.drops().size(), std::size_t(4));
        auto heads = [&rain] {
            QList<int> rows;
            for (const LetterRain::Drop& drop : rain.drops())
                rows << drop.row;
            return rows;
        };
        stepStrokes(rain); // the first step moves every drop
        QCOMPARE(heads(), QList<int>({1, 2, 3, 1}));
        stepStrokes(rain);
        QCOMPARE(heads(), QList<int>({1, 3, 3, 2}));
        stepStrokes(rain);
        QCOMPARE(heads(), QList<int>({2, 4, 3, 3}));
        // Beyond two rows past the last, a drop starts again at the top with a
        // new speed and brightness: the letters of the first two drops, then
        // speed 3 and brightness 77.
        script->values = {0, 0, 3, 77};
        stepStrokes(rain);
        QCOMPARE(heads(), QList<int>({2, 0, 4, 4}));
        QCOMPARE(rain.drops()[1].speed, 3);
        QCOMPARE(rain.drops()[1].brightness, 77);
        QCOMPARE(rain.frame(), 4);
        // The other drops keep theirs.
        QCOMPARE(rain.drops()[0].speed, 2);
        QCOMPARE(rain.drops()[2].speed, 3);
    }

    void strokesOfAStep() {
        // One column of 50 rows: a drop low down and one at the top.
        auto script = std::make_shared<ScriptedRandom>();
        script->values = {45, 1, 99, 0, 1, 30, 1, 2};
        LetterRain rain(scripted(script));
        rain.start(QSize(8, 600));
        const QList<LetterRain::Stroke> strokes = stepStrokes(rain);
        using Kind = LetterRain::Stroke::Kind;
        QCOMPARE(strokes.size(), 5);
        // Brightness 99: bright level 252, dim level 84.
        QCOMPARE(strokes[0].kind, Kind::Erase);
        QCOMPARE(strokes[0].row, 5);
        QCOMPARE(strokes[1].kind, Kind::Letter);
        QCOMPARE(strokes[1].row, 44);
        QCOMPARE(strokes[1].letter, QChar(u'r'));
        QCOMPARE(strokes[1].colour, qRgb(49, 84, 32));
        QCOMPARE(strokes[2].row, 45);
        QCOMPARE(strokes[2].letter, QChar(u'r'));
        QCOMPARE(strokes[2].colour, qRgb(148, 252, 98));
        // At the top: no dim letter above, the erased row wraps round.
        QCOMPARE(strokes[3].kind, Kind::Erase);
        QCOMPARE(strokes[3].row, 11);
        QCOMPARE(strokes[4].kind, Kind::Letter);
        QCOMPARE(strokes[4].row, 0);
        QCOMPARE(strokes[4].letter, QChar(u'x'));
        QCOMPARE(strokes[4].colour, qRgb(44, 76, 29));
        for (const LetterRain::Stroke& stroke : strokes)
            QCOMPARE(stroke.column, 0);
        // Each drop picks one of the three letters.
        QCOMPARE(script->ranges.value(6), qMakePair(0, 2));
    }

    void erasedRowWraps_data() {
        QTest::addColumn<int>("windowHeight");
        QTest::addColumn<int>("head");
        QTest::addColumn<int>("erased");
        QTest::newRow("40 above") << 600 << 40 << 0;
        QTest::newRow("once round") << 600 << 39 << 50;
        QTest::newRow("many times round") << 36 << 1 << 1;
        QTest::newRow("many times, top") << 36 << 0 << 0;
    }
    void erasedRowWraps() {
        QFETCH(int, windowHeight);
        QFETCH(int, head);
        QFETCH(int, erased);
        auto script = std::make_shared<ScriptedRandom>();
        script->values = {head, 1, 50, head, 1, 50};
        LetterRain rain(scripted(script));
        rain.start(QSize(8, windowHeight));
        QCOMPARE(stepStrokes(rain).first().row, erased);
    }

    void captions() {
        AboutWindow window(nullptr, QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        QCOMPARE(window.windowTitle(), QStringLiteral("About Lexometer"));
        QCOMPARE(findWidget<QLabel>(&window, "productLabel")->text(),
                 QStringLiteral("Lexometer 4.0"));
        QCOMPARE(findWidget<QPushButton>(&window, "okButton")->text(), QStringLiteral("OK"));
        QCOMPARE(findWidget<QPushButton>(&window, "infoButton")->text(), QStringLiteral("Info"));
        QCOMPARE(findWidget<QAction>(&window, "licenseAction")->text(),
                 QStringLiteral("License..."));
        QCOMPARE(window.size(), QSize(446, 374));
        auto* panel = findWidget<QWidget>(&window, "panel");
        QCOMPARE(panel->geometry(), QRect(48, 41, 350, 291));
        // The window's grid: two drops a column.
        QCOMPARE(window.rain().columns(), window.frameGeometry().width() / 8);
        QCOMPARE(int(window.rain().drops().size()), 2 * window.rain().columns());
        QVERIFY(findWidget<QTimer>(&window, "rainTimer")->isActive());
        QCOMPARE(findWidget<QTimer>(&window, "rainTimer")->interval(), 50);
    }

    void pictures() {
        for (const char* name : {"logo", "programicon", "arrow", "cat"}) {
            const QString path = QStringLiteral(":/info/pictures/%1.svg").arg(QLatin1String(name));
            AboutWindow window(nullptr, {}, {}); // registers the pictures
            QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
        }
        QCOMPARE(QLatin1String(AboutWindow::ProgramIconPath),
                 QLatin1String(":/info/pictures/programicon.svg"));
        const QImage icon = AboutWindow::programIcon().pixmap(32).toImage();
        QVERIFY(!icon.isNull());
        QVERIFY(qAlpha(icon.pixel(16, 16)) > 0);
    }

    void hiddenPictureSlides() {
        AboutWindow window(nullptr, QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        window.show();
        auto* panel = findWidget<QWidget>(&window, "panel");
        auto* hiddenPanel = findWidget<QWidget>(&window, "hiddenPanel");
        auto* slideTimer = findWidget<QTimer>(&window, "slideTimer");
        auto* icon = findWidget<QLabel>(&window, "programIcon");
        auto* picture = findWidget<QLabel>(&window, "hiddenPicture");
        const int centre = panel->x();
        const int top = panel->y();

        doubleClick(icon);
        QVERIFY(hiddenPanel->isVisible());
        QVERIFY(slideTimer->isActive());
        QTRY_VERIFY(panel->x() > centre);
        // While sliding, neither double-click changes anything.
        doubleClick(icon);
        doubleClick(picture);
        QVERIFY(panel->x() > centre);
        QVERIFY(hiddenPanel->isVisible());
        QVERIFY(slideTimer->isActive());

        QTRY_VERIFY_WITH_TIMEOUT(!slideTimer->isActive(), 20000);
        QVERIFY(panel->x() > window.width());
        QVERIFY(panel->x() <= window.width() + 5);
        QCOMPARE((panel->x() - centre) % 5, 0);
        QCOMPARE(panel->y(), top);

        doubleClick(picture);
        QVERIFY(!hiddenPanel->isVisible());
        QCOMPARE(panel->pos(), QPoint(centre, top));
    }

    void mirroredUnderRightToLeft() {
        const char* const names[] = {"panel",        "logo",         "iconFrame",  "programIcon",
                                     "productLabel", "okButton",     "infoButton", "siteLink",
                                     "hiddenPanel",  "hiddenPicture"};
        AboutWindow leftToRight(nullptr, QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        const auto mirrored = rightToLeft();
        AboutWindow window(nullptr, QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        QVERIFY(window.isRightToLeft());
        for (const char* name : names) {
            const QWidget* child = findWidget<QWidget>(&window, name);
            QCOMPARE(child->geometry(),
                     QStyle::visualRect(Qt::RightToLeft, child->parentWidget()->rect(),
                                        findWidget<QWidget>(&leftToRight, name)->geometry()));
        }
        // The name stays beside the icon, the arrow after the caption.
        QVERIFY(findWidget<QLabel>(&window, "productLabel")->alignment() & Qt::AlignRight);
        QVERIFY(findWidget<QLabel>(&window, "productLabel")->alignment() & Qt::AlignAbsolute);
        QVERIFY(findWidget<QLabel>(&leftToRight, "productLabel")->alignment() & Qt::AlignLeft);
        QCOMPARE(findWidget<QPushButton>(&window, "infoButton")->layoutDirection(),
                 Qt::LeftToRight);
        QCOMPARE(findWidget<QPushButton>(&leftToRight, "infoButton")->layoutDirection(),
                 Qt::RightToLeft);

        // Caption and arrow together in the middle of the Info button.
        auto* info = findWidget<QPushButton>(&window, "infoButton");
        const QImage picture = info->grab().toImage();
        int inkLeft = picture.width(), inkRight = -1;
        for (int y = 4; y < picture.height() - 4; ++y)
            for (int x = 4; x < picture.width() - 4; ++x)
                if (qGray(picture.pixel(x, y)) > 200) {
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                }
        QVERIFY(inkRight > inkLeft);
        QVERIFY2(std::abs(inkLeft - (picture.width() - 1 - inkRight)) <= 8,
                 qPrintable(QStringLiteral("ink from %1 to %2").arg(inkLeft).arg(inkRight)));

        // The menu drops from the button's right edge.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* menu = findWidget<QMenu>(&window, "infoMenu");
        QRect dropped;
        connect(menu, &QMenu::aboutToShow, menu, [&dropped, menu] {
            QTimer::singleShot(0, menu, [&dropped, menu] {
                dropped = menu->geometry();
                menu->close();
            });
        });
        info->click();
        QCOMPARE(dropped.top(), info->mapToGlobal(QPoint(0, info->height())).y());
        QCOMPARE(dropped.right(), info->mapToGlobal(info->rect().bottomRight()).x());
    }

    void hiddenPictureSlidesLeftUnderRightToLeft() {
        const auto mirrored = rightToLeft();
        AboutWindow window(nullptr, QStringLiteral("Lexometer"), QStringLiteral("4.0"));
        window.show();
        auto* panel = findWidget<QWidget>(&window, "panel");
        auto* slideTimer = findWidget<QTimer>(&window, "slideTimer");
        const QPoint centre = panel->pos();
        doubleClick(findWidget<QLabel>(&window, "programIcon"));
        QVERIFY(findWidget<QWidget>(&window, "hiddenPanel")->isVisible());
        QTRY_VERIFY(panel->x() < centre.x());
        QTRY_VERIFY_WITH_TIMEOUT(!slideTimer->isActive(), 20000);
        QVERIFY(panel->x() + panel->width() < 0);
        QVERIFY(panel->x() + panel->width() >= -5);
        QCOMPARE((centre.x() - panel->x()) % 5, 0);
        doubleClick(findWidget<QLabel>(&window, "hiddenPicture"));
        QCOMPARE(panel->pos(), centre);
    }

    void slideInterval_data() {
        QTest::addColumn<qreal>("screenDpi");
        QTest::addColumn<qreal>("windowDpi");
        QTest::addColumn<int>("interval");
        QTest::newRow("same") << 96.0 << 96.0 << 5;
        QTest::newRow("half to even, down") << 96.0 << 192.0 << 2;
        QTest::newRow("half to even, up") << 96.0 << 128.0 << 4; // 3.75
        QTest::newRow("larger screen") << 192.0 << 96.0 << 10;
        QTest::newRow("at least 1") << 96.0 << 1000.0 << 1;
    }
    void slideInterval() {
        QFETCH(qreal, screenDpi);
        QFETCH(qreal, windowDpi);
        QFETCH(int, interval);
        QCOMPARE(AboutWindow::slideInterval(screenDpi, windowDpi), interval);
    }

    void dragging_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("window, left") << "aboutWindow" << Qt::LeftButton << true;
        QTest::newRow("label, left") << "productLabel" << Qt::LeftButton << true;
        QTest::newRow("logo, middle") << "logo" << Qt::MiddleButton << true;
        QTest::newRow("panel, right") << "panel" << Qt::RightButton << false;
        QTest::newRow("window, right") << "aboutWindow" << Qt::RightButton << false;
    }
    void dragging() {
        QFETCH(QString, body);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, moves);
        AboutWindow window(nullptr, {}, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget* widget = body == QLatin1String("aboutWindow")
                              ? &window
                              : findWidget<QWidget>(&window, qPrintable(body));
        const QPoint start = window.pos();
        const QPoint grip = widget->mapToGlobal(QPoint(3, 3));
        sendMouse(widget, QEvent::MouseButtonPress, button, grip);
        sendMouse(widget, QEvent::MouseMove, button, grip + QPoint(30, 20));
        sendMouse(widget, QEvent::MouseButtonRelease, button, grip + QPoint(30, 20));
        if (moves)
            QTRY_COMPARE(window.pos(), start + QPoint(30, 20));
        else
            QCOMPARE(window.pos(), start);
        // After the release, moving the mouse moves nothing.
        const QPoint after = window.pos();
        sendMouse(widget, QEvent::MouseMove, Qt::NoButton, grip + QPoint(60, 60));
        QCOMPARE(window.pos(), after);
    }

    void infoMenuDoesNotReopenAtOnce() {
        AboutWindow window(nullptr, {}, {});
        quint64 now = 1000;
        window.setClock([&now] { return now; });
        window.show();
        auto* info = findWidget<QPushButton>(&window, "infoButton");
        auto* menu = findWidget<QMenu>(&window, "infoMenu");
        int shown = 0;
        connect(menu, &QMenu::aboutToShow, menu, [&shown, menu] {
            ++shown;
            QTimer::singleShot(0, menu, &QMenu::close);
        });
        info->click();
        QCOMPARE(shown, 1);
        now += 99; // the click that closed the menu
        info->click();
        QCOMPARE(shown, 1);
        now += 1; // the next one opens it again
        info->click();
        QCOMPARE(shown, 2);
        now += 100;
        info->click();
        QCOMPARE(shown, 3);
        // The counter may wrap round.
        now = ~quint64(0) - 10;
        info->click();
        QCOMPARE(shown, 4);
        now = 20;
        info->click();
        QCOMPARE(shown, 4);
    }

    void links_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("address");
        QTest::newRow("acknowledgements")
            << "acknowledgementsAction"
            << "https://www.brellix.com/blog/credits-and-acknowledgements/";
        QTest::newRow("uninstall")
            << "uninstallAction"
            << "https://www.brellix.com/blog/how-to-uninstall-brellix-software/";
        QTest::newRow("site") << ""
                              << "https://www.brellix.com/";
    }
    void links() {
        QFETCH(QString, action);
        QFETCH(QString, address);
        AboutWindow window(nullptr, {}, {});
        if (action.isEmpty()) {
            auto* link = findWidget<QLabel>(&window, "siteLink");
            QCOMPARE(link->text(), QStringLiteral("www.brellix.com"));
            QCOMPARE(link->toolTip(), address);
            const QPoint centre = link->mapToGlobal(link->rect().center());
            sendMouse(link, QEvent::MouseButtonPress, Qt::RightButton, centre);
            sendMouse(link, QEvent::MouseButtonRelease, Qt::RightButton, centre);
            QVERIFY(opened_.isEmpty());
            sendMouse(link, QEvent::MouseButtonPress, Qt::LeftButton, centre);
            sendMouse(link, QEvent::MouseButtonRelease, Qt::LeftButton, centre);
        } else {
            findWidget<QAction>(&window, qPrintable(action))->trigger();
        }
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_[0].kind, Desktop::Request::Kind::OpenUrl);
        QCOMPARE(opened_[0].url, QUrl(address));
    }

    void license_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("missing") << false;
    }
    void license() {
        QFETCH(bool, present);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("license.txt"));
        if (present) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("GPL\n");
        }
        AboutWindow window(nullptr, {}, {});
        window.setLicenseFolder(folder.path());
        findWidget<QAction>(&window, "licenseAction")->trigger();
        if (present) {
            QVERIFY(dialogs_.isEmpty());
            QCOMPARE(opened_.size(), 1);
            QCOMPARE(opened_[0].url, QUrl::fromLocalFile(path));
        } else {
            QVERIFY(opened_.isEmpty());
            QCOMPARE(dialogs_.size(), 1);
            QCOMPARE(dialogs_[0].kind, Dialogs::Kind::Message);
            QCOMPARE(dialogs_[0].title, QStringLiteral("License"));
            QCOMPARE(dialogs_[0].text, QStringLiteral("File not found!"));
        }
    }

    void escapeCloses_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "okButton";
        QTest::newRow("Info") << "infoButton";
    }
    void escapeCloses() {
        QFETCH(QString, button);
        AboutWindow window(nullptr, {}, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(findWidget<QPushButton>(&window, qPrintable(button)), Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
