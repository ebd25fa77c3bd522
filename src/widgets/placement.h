#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace Placement {

// Moves a window so that its frame is centred on a point, as windows are
// placed over their owner or the screen when first shown.
inline void centreOn(QWidget* window, QPoint centre) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(centre);
    window->move(frame.topLeft());
}

} // namespace Placement
