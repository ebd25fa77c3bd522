#include "widgets/placement.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>

namespace {

// Watches its widget for the first Show event, then goes.
class FirstShow : public QObject {
public:
    FirstShow(QWidget* widget, std::function<void()> action)
        : QObject(widget), action_(std::move(action)) {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == parent()) {
            watched->removeEventFilter(this);
            deleteLater();
            action_();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

} // namespace

namespace Placement {

void whenFirstShown(QWidget* widget, std::function<void()> action) {
    new FirstShow(widget, std::move(action));
}

bool placeAfter(QWidget* window, QWidget* newest) {
    if (!newest) return false;
    QScreen* shown = newest->screen();
    const int step = scaledDimension(20, shown ? shown->logicalDotsPerInch() : 96.0);
    QPoint at = newest->frameGeometry().topLeft() + QPoint(step, step);
    if (shown) {
        const QRect area = shown->availableGeometry();
        if (at.y() >= area.bottom() - step) at.setY(area.top());
        if (at.x() >= area.right() - step) at.setX(area.left());
    }
    window->move(at);
    return true;
}

void centreWhenFirstShown(QWidget* window, QWidget* over) {
    whenFirstShown(window, [window, over = QPointer<QWidget>(over)] {
        if (window->testAttribute(Qt::WA_Moved)) return;
        if (over)
            centreOn(window, over->frameGeometry().center());
        else if (QScreen* screen = window->screen())
            centreOn(window, screen->availableGeometry().center());
    });
}

} // namespace Placement
