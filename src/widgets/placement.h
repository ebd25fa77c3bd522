#pragma once

#include <QPoint>
#include <QRect>
#include <QStyle>
#include <QWidget>

namespace Placement {

// Moves a window so that its frame is centred on a point, as windows are
// placed over their owner or the screen when first shown.
inline void centreOn(QWidget* window, QPoint centre) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(centre);
    window->move(frame.topLeft());
}

// Places a child at a rectangle laid out from the parent's left edge, or at
// its mirror image when the parent lays out right to left. The parent has
// its final size.
inline void placeChild(QWidget* child, const QRect& fromLeft) {
    const QWidget* parent = child->parentWidget();
    child->setGeometry(QStyle::visualRect(parent->layoutDirection(), parent->rect(), fromLeft));
}

} // namespace Placement
