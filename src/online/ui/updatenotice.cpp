#include "online/ui/updatenotice.h"

#include "localization/translation.h"
#include "online/updatecheck.h"
#include "widgets/desktop.h"
#include "widgets/placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

constexpr int IconArea = 60;
constexpr int StripWidth = 26;
constexpr int CloseSize = 22;

QFont pixelFont(int pixels, bool bold = false, bool underline = false) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

} // namespace

UpdateNotice::UpdateNotice(const QString& productName, const QString& newVersion,
                           const QString& downloadAddress, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      downloadAddress_(downloadAddress), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("updateNotice"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(pixelFont(11));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    const QScreen* screen = QGuiApplication::primaryScreen();
    home_ = placement(screen ? screen->geometry() : QRect(QPoint(0, 0), ClientSize));
    setGeometry(home_);
    buildContents(productName, newVersion);

    animation_ = new QPropertyAnimation(this, "geometry", this);
    animation_->setDuration(AnimationMs);

    startTimer_ = new QTimer(this);
    startTimer_->setObjectName(QStringLiteral("startTimer"));
    startTimer_->setSingleShot(true);
    startTimer_->setInterval(1);
    connect(startTimer_, &QTimer::timeout, this, &UpdateNotice::showAnimated);
    startTimer_->start();

    closeTimer_ = new QTimer(this);
    closeTimer_->setObjectName(QStringLiteral("closeTimer"));
    closeTimer_->setInterval(1000);
    connect(closeTimer_, &QTimer::timeout, this, &UpdateNotice::countDown);
    closeTimer_->start();

    linkTimer_ = new QTimer(this);
    linkTimer_->setObjectName(QStringLiteral("linkTimer"));
    linkTimer_->setInterval(100);
    connect(linkTimer_, &QTimer::timeout, this, [this] { followPointer(QCursor::pos()); });
    linkTimer_->start();
}

UpdateNotice::~UpdateNotice() = default;

QRect UpdateNotice::placement(const QRect& screen) {
    return QRect(screen.x() + screen.width() - ClientSize.width() - ScreenMargin,
                 screen.y() + ScreenMargin, ClientSize.width(), ClientSize.height());
}

void UpdateNotice::buildContents(const QString& productName, const QString& newVersion) {
    // Fixed places rather than a layout, so that the animations may make the
    // window smaller than its contents; each is laid out from the left and
    // mirrored under a right-to-left language.
    outerPanel_ = new QWidget(this);
    outerPanel_->setObjectName(QStringLiteral("outerPanel"));
    outerPanel_->setGeometry(QRect(QPoint(0, 0), ClientSize));

    programIcon_ = new QLabel(outerPanel_);
    programIcon_->setObjectName(QStringLiteral("programIcon"));
    Placement::placeChild(programIcon_,
                          QRect(4, (ClientSize.height() - IconArea) / 2, IconArea, IconArea));
    programIcon_->setAlignment(Qt::AlignCenter);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    programIcon_->setPixmap(icon.pixmap(48, 48));

    const int middleLeft = 4 + IconArea + 4;
    const int middleWidth = ClientSize.width() - StripWidth - middleLeft - 2;
    titleLabel_ = new QLabel(translateText("UPDATE AVAILABLE"), outerPanel_);
    titleLabel_->setObjectName(QStringLiteral("titleLabel"));
    titleLabel_->setFont(pixelFont(13, true));
    titleLabel_->setAlignment(Qt::AlignCenter);
    Placement::placeChild(titleLabel_, QRect(middleLeft, 6, middleWidth, 20));

    // The version never wraps away from the name it belongs to.
    linkLabel_ = new QLabel(translateText("Click to download") + u' ' + productName +
                                QChar(0x00A0) + newVersion,
                            outerPanel_);
    linkLabel_->setObjectName(QStringLiteral("linkLabel"));
    linkLabel_->setFont(pixelFont(13, false, true));
    linkLabel_->setAlignment(Qt::AlignCenter);
    linkLabel_->setWordWrap(true);
    linkLabel_->setCursor(Qt::PointingHandCursor);
    Placement::placeChild(linkLabel_, QRect(middleLeft, 28, middleWidth, ClientSize.height() - 32));

    closeStrip_ = new QWidget(outerPanel_);
    closeStrip_->setObjectName(QStringLiteral("closeStrip"));
    Placement::placeChild(
        closeStrip_, QRect(ClientSize.width() - StripWidth, 0, StripWidth, ClientSize.height()));
    closeButton_ = new QToolButton(closeStrip_);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    Placement::placeChild(closeButton_,
                          QRect((StripWidth - CloseSize) / 2, 2, CloseSize, CloseSize));
    closeButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    closeButton_->setAutoRaise(true);
    closeButton_->setFocusPolicy(Qt::NoFocus);
    connect(closeButton_, &QToolButton::clicked, this, &QWidget::close);

    for (QWidget* widget :
         {outerPanel_, static_cast<QWidget*>(programIcon_), static_cast<QWidget*>(titleLabel_),
          closeStrip_, static_cast<QWidget*>(linkLabel_)})
        widget->installEventFilter(this);
}

QRect UpdateNotice::centreRect() const {
    return QRect(home_.center(), QSize(1, 1));
}

void UpdateNotice::showAnimated() {
    home_ = geometry();
    setGeometry(centreRect());
    show();
    animation_->stop();
    animation_->setStartValue(centreRect());
    animation_->setEndValue(home_);
    animation_->start();
    connect(
        animation_, &QPropertyAnimation::finished, this,
        [this] {
            setGeometry(home_);
            if (mainWindow_) mainWindow_->activateWindow();
        },
        Qt::SingleShotConnection);
}

void UpdateNotice::hideAnimated() {
    if (!isVisible()) {
        close();
        return;
    }
    home_ = geometry();
    animation_->stop();
    animation_->setStartValue(home_);
    animation_->setEndValue(centreRect());
    connect(animation_, &QPropertyAnimation::finished, this, &QWidget::close,
            Qt::SingleShotConnection);
    animation_->start();
}

void UpdateNotice::countDown() {
    if (secondsLeft_ <= 0) return;
    if (--secondsLeft_ > 0) return;
    closeTimer_->stop();
    hideAnimated();
}

void UpdateNotice::followPointer(const QPoint& globalPos) {
    const QRect area(linkLabel_->mapToGlobal(QPoint(0, 0)), linkLabel_->size());
    const bool hot = isVisible() && area.contains(globalPos);
    if (hot == linkHot_) return;
    linkHot_ = hot;
    QPalette colours = linkLabel_->palette();
    colours.setColor(QPalette::WindowText,
                     palette().color(hot ? QPalette::Highlight : QPalette::WindowText));
    linkLabel_->setPalette(colours);
}

QString UpdateNotice::linkAddress() const {
    const QString address = UpdateCheck::openableAddress(downloadAddress_);
    return address.isEmpty() ? QString::fromLatin1(HomePage) : address;
}

void UpdateNotice::openLink() {
    Desktop::openUrl(QUrl(linkAddress(), QUrl::StrictMode));
    close();
}

bool UpdateNotice::handleDrag(QMouseEvent* event) {
    const QPoint pointer = event->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) return false;
        dragging_ = true;
        lastPointer_ = pointer;
        return true;
    case QEvent::MouseMove:
        if (!dragging_) return false;
        move(pos() + pointer - lastPointer_);
        lastPointer_ = pointer;
        return true;
    case QEvent::MouseButtonRelease:
        if (!dragging_) return false;
        dragging_ = false;
        return true;
    default:
        return false;
    }
}

bool UpdateNotice::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (watched == linkLabel_) {
        // The link never drags; a click on it opens the address.
        if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            linkLabel_->rect().contains(mouse->position().toPoint()))
            openLink();
        return true;
    }
    if (type == QEvent::MouseButtonDblClick) return true;
    handleDrag(mouse);
    return true;
}

void UpdateNotice::mousePressEvent(QMouseEvent* event) {
    if (!handleDrag(event)) QWidget::mousePressEvent(event);
}

void UpdateNotice::mouseMoveEvent(QMouseEvent* event) {
    if (!handleDrag(event)) QWidget::mouseMoveEvent(event);
}

void UpdateNotice::mouseReleaseEvent(QMouseEvent* event) {
    if (!handleDrag(event)) QWidget::mouseReleaseEvent(event);
}

void UpdateNotice::closeEvent(QCloseEvent* event) {
    startTimer_->stop();
    closeTimer_->stop();
    linkTimer_->stop();
    animation_->stop();
    dragging_ = false;
    QWidget::closeEvent(event);
}
