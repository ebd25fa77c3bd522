#pragma once

#include <QPoint>
#include <QRect>
#include <QStyle>
#include <QWidget>

#include <functional>

namespace Placement {

// Moves a window so that its frame is centred on a point, as windows are
// placed over their owner or the screen when first shown.
inline void centreOn(QWidget* window, QPoint centre) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(centre);
    window->move(frame.topLeft());
}

// A length in design pixels (96 per inch) on a screen of `logicalDpi`.
inline int scaledDimension(int length, qreal logicalDpi) {
    return qRound(length * logicalDpi / 96.0);
}

// Moves a window on from `newest` by a cascade step (20 design pixels),
// back to the screen's top or left edge where it would leave it, so that it
// does not hide exactly behind it. False, with the window left as it was,
// when there is no newest.
bool placeAfter(QWidget* window, QWidget* newest);

// Runs `action` when the widget is first shown, before its own showEvent.
void whenFirstShown(QWidget* widget, std::function<void()> action);

// Centres the window over `over` when it is first shown, or on its screen
// when there is none by then. A window moved before that keeps its place.
void centreWhenFirstShown(QWidget* window, QWidget* over = nullptr);

// Places a child at a rectangle laid out from the parent's left edge, or at
// its mirror image when the parent lays out right to left. The parent has
// its final size.
inline void placeChild(QWidget* child, const QRect& fromLeft) {
    const QWidget* parent = child->parentWidget();
    child->setGeometry(QStyle::visualRect(parent->layoutDirection(), parent->rect(), fromLeft));
}

} // namespace Placement
