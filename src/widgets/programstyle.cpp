#include "widgets/programstyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace {

// The gap QPushButton's size hint leaves between icon and caption.
constexpr int IconSpacing = 4;

// A fresh copy of the style the application runs with: the desktop's, or the
// one chosen by -style or QT_STYLE_OVERRIDE.
QStyle* applicationStyle() {
    return QStyleFactory::create(QApplication::style()->name());
}

} // namespace

ProgramStyle::ProgramStyle(QStyle* base) : QProxyStyle(base ? base : applicationStyle()) {}

void ProgramStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButtonLabel || !button || button->icon.isNull() ||
        button->text.isEmpty() || button->features.testFlag(QStyleOptionButton::HasMenu)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    QIcon::Mode mode = button->state & State_Enabled ? QIcon::Normal : QIcon::Disabled;
    if (mode == QIcon::Normal && button->state & State_HasFocus) mode = QIcon::Active;
    const QIcon::State state = button->state & State_On ? QIcon::On : QIcon::Off;
    const QPixmap pixmap =
        button->icon.pixmap(button->iconSize, painter->device()->devicePixelRatio(), mode, state);
    const QSize iconSize = pixmap.deviceIndependentSize().toSize();

    // Icon and caption as one block in the middle, the icon leading in the
    // button's direction.
    const QRect area = button->rect;
    const int textWidth =
        button->fontMetrics.boundingRect(area, Qt::TextShowMnemonic, button->text).width();
    const int left = area.x() + (area.width() - (iconSize.width() + IconSpacing + textWidth)) / 2;
    const bool rightToLeft = button->direction == Qt::RightToLeft;
    const int iconLeft = rightToLeft ? left + textWidth + IconSpacing : left;
    const int textLeft = rightToLeft ? left : left + iconSize.width() + IconSpacing;
    proxy()->drawItemPixmap(painter,
                            QRect(iconLeft, area.y() + (area.height() - iconSize.height()) / 2,
                                  iconSize.width(), iconSize.height()),
                            Qt::AlignCenter, pixmap);

    // The caption alone goes to the base style, which centres it in its own
    // part and keeps the style's colours and mnemonics.
    QStyleOptionButton caption(*button);
    caption.icon = QIcon();
    caption.rect = QRect(textLeft, area.y(), textWidth, area.height());
    QProxyStyle::drawControl(element, &caption, painter, widget);
}
