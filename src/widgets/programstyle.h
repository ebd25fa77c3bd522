#pragma once

#include <QProxyStyle>

// The application's style, with one mend: a push button with an icon and a
// caption shows both centred together, the icon leading in the button's
// direction. Qt 6.4 aligns such a caption by the direction of the painter
// rather than the button's, so under a right-to-left language it lands
// against the button's left edge, where a narrow button clips it.
class ProgramStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Over `base`, or over a copy of the application's style when none is
    // given; takes ownership of `base`.
    explicit ProgramStyle(QStyle* base = nullptr);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
