#include "info/ui/aboutwindow.h"

#include "localization/translation.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"
#include "widgets/programstyle.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cmath>

// The pictures live in a static library, whose resources are not registered
// on their own.
static void initPictureResources() {
    Q_INIT_RESOURCE(infopictures);
}

namespace {

constexpr QSize WindowSize(446, 374);
constexpr QSize PanelSize(350, 291);
constexpr int RainInterval = 50;
constexpr int SlideStep = 5;
constexpr int MenuReopenDelay = 100;

const QString LogoPath = QStringLiteral(":/info/pictures/logo.svg");
const QString ArrowPath = QStringLiteral(":/info/pictures/arrow.svg");
const QString CatPath = QStringLiteral(":/info/pictures/cat.svg");

// An SVG picture drawn for `size` logical pixels at the given pixel ratio.
QPixmap renderPicture(const QString& path, QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

quint64 tickCount() {
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return quint64(timer.elapsed());
}

QFont pixelFont(const QFont& base, int pixels, bool underline = false) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setUnderline(underline);
    return font;
}

void paintText(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// White captions need a dark button whatever the desktop's style: Fusion,
// which paints buttons in the palette's colours, under the program's mend for
// icon buttons. (A style sheet would bypass that mend and lay the Info
// button's arrow and caption apart under a right-to-left language.)
void paintDarkButton(QPushButton* button) {
    auto* style = new ProgramStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    style->setParent(button);
    button->setStyle(style);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, QColor(0x20, 0x20, 0x20));
    palette.setColor(QPalette::ButtonText, Qt::white);
    // Fusion draws the frame a shade darker than the window colour.
    palette.setColor(QPalette::Window, QColor(0xa0, 0xa0, 0xa0));
    palette.setColor(QPalette::Highlight, QColor(0, 255, 0));
    button->setPalette(palette);
}

void paintBlack(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent, const QString& productName, const QString& appVersion)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      productName_(productName), appVersion_(appVersion), clock_(tickCount) {
    initPictureResources();
    setObjectName(QStringLiteral("aboutWindow"));
    Placement::centreWhenFirstShown(this);
    Placement::whenFirstShown(this, [this] {
        if (QWindow* window = windowHandle())
            connect(window, &QWindow::screenChanged, this, [this] {
                loadPictures();
                startRain();
            });
    });
    setFixedSize(WindowSize);
    setFont(QFont(QStringLiteral("Tahoma")));
    paintBlack(this);
    setWindowTitle(
        translateText(QStringLiteral("About %s")).replace(QLatin1String("%s"), productName_));

    rainTimer_ = new QTimer(this);
    rainTimer_->setObjectName(QStringLiteral("rainTimer"));
    connect(rainTimer_, &QTimer::timeout, this, &AboutWindow::stepRain);
    slideTimer_ = new QTimer(this);
    slideTimer_->setObjectName(QStringLiteral("slideTimer"));
    connect(slideTimer_, &QTimer::timeout, this, &AboutWindow::slidePanel);

    buildHiddenPanel();
    buildPanel();
    buildInfoMenu();
    loadPictures();
    startRain();

    for (QWidget* body : {static_cast<QWidget*>(this), panel_, static_cast<QWidget*>(logo_),
                          static_cast<QWidget*>(programIcon_), static_cast<QWidget*>(productLabel_),
                          static_cast<QWidget*>(hiddenPicture_)})
        body->installEventFilter(this);
    okButton_->installEventFilter(this);
    infoButton_->installEventFilter(this);
    siteLink_->installEventFilter(this);
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::buildPanel() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("panel"));
    paintBlack(panel_);
    paintText(panel_, Qt::white);
    panel_->setGeometry((WindowSize.width() - PanelSize.width()) / 2,
                        (WindowSize.height() - PanelSize.height()) / 2, PanelSize.width(),
                        PanelSize.height());

    logo_ = new QLabel(panel_);
    logo_->setObjectName(QStringLiteral("logo"));
    // Everything on the panel is placed from the left and mirrored under a
    // right-to-left language.
    Placement::placeChild(logo_, QRect(2, 0, PanelSize.width() - 4, 105));
    logo_->setScaledContents(true);

    auto* iconFrame = new QFrame(panel_);
    iconFrame->setObjectName(QStringLiteral("iconFrame"));
    iconFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Placement::placeChild(iconFrame, QRect(9, 122, 34, 34));

    programIcon_ = new QLabel(panel_);
    programIcon_->setObjectName(QStringLiteral("programIcon"));
    Placement::placeChild(programIcon_, QRect(10, 123, 32, 32));
    programIcon_->setScaledContents(true);

    productLabel_ = new QLabel(productName_ + u' ' + appVersion_, panel_);
    productLabel_->setObjectName(QStringLiteral("productLabel"));
    Placement::placeChild(productLabel_, QRect(49, 122, 290, 40));
    productLabel_->setFont(pixelFont(font(), 16));
    productLabel_->setWordWrap(true);
    // Beside the icon whichever way the name itself reads.
    productLabel_->setAlignment(Qt::AlignAbsolute | Qt::AlignTop |
                                (isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft));

    okButton_ = new QPushButton(translateText(QStringLiteral("OK")), panel_);
    okButton_->setObjectName(QStringLiteral("okButton"));
    Placement::placeChild(okButton_, QRect(49, 226, 122, 33));
    okButton_->setFont(pixelFont(font(), 16));
    paintDarkButton(okButton_);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    infoButton_ = new QPushButton(translateText(QStringLiteral("Info")), panel_);
    infoButton_->setObjectName(QStringLiteral("infoButton"));
    Placement::placeChild(infoButton_, QRect(177, 226, 122, 33));
    infoButton_->setFont(pixelFont(font(), 16));
    paintDarkButton(infoButton_);
    infoButton_->setAutoDefault(false);
    // The button turned against the window puts the arrow after the caption.
    infoButton_->setLayoutDirection(isRightToLeft() ? Qt::LeftToRight : Qt::RightToLeft);
    connect(infoButton_, &QPushButton::clicked, this, &AboutWindow::showInfoMenu);

    siteLink_ = new QLabel(QString::fromLatin1(MakerSite), panel_);
    siteLink_->setObjectName(QStringLiteral("siteLink"));
    siteLink_->setFont(pixelFont(font(), 13, true));
    paintText(siteLink_, QColor(0, 255, 0));
    siteLink_->setAlignment(Qt::AlignCenter);
    siteLink_->setCursor(Qt::PointingHandCursor);
    siteLink_->setToolTip(siteAddress());
    const int linkHeight = siteLink_->sizeHint().height();
    siteLink_->setGeometry(0, PanelSize.height() - linkHeight, PanelSize.width(), linkHeight);
}

void AboutWindow::buildInfoMenu() {
    infoMenu_ = new QMenu(this);
    infoMenu_->setObjectName(QStringLiteral("infoMenu"));
    struct Entry {
        const char* name;
        QString caption;
        void (AboutWindow::*open)();
    };
    const Entry entries[] = {
        {"acknowledgementsAction", translateText(QStringLiteral("Acknowledgements...")),
         &AboutWindow::openAcknowledgements},
        {"uninstallAction", translateText(QStringLiteral("How to uninstall...")),
         &AboutWindow::openUninstallPage},
        {"licenseAction", translateText(QStringLiteral("License...")), &AboutWindow::openLicense},
    };
    for (const Entry& entry : entries) {
        QAction* action = infoMenu_->addAction(entry.caption);
        action->setObjectName(QString::fromLatin1(entry.name));
        connect(action, &QAction::triggered, this, entry.open);
    }
}

void AboutWindow::buildHiddenPanel() {
    // Built first, so that the panel lies above it.
    hiddenPanel_ = new QWidget(this);
    hiddenPanel_->setObjectName(QStringLiteral("hiddenPanel"));
    paintBlack(hiddenPanel_);
    Placement::placeChild(hiddenPanel_, QRect(60, 54, 324, 220));
    hiddenPanel_->hide();

    hiddenPicture_ = new QLabel(hiddenPanel_);
    hiddenPicture_->setObjectName(QStringLiteral("hiddenPicture"));
    Placement::placeChild(hiddenPicture_, QRect(2, 0, 320, 220));
    hiddenPicture_->setScaledContents(true);
}

void AboutWindow::loadPictures() {
    const qreal ratio = devicePixelRatioF();
    logo_->setPixmap(renderPicture(LogoPath, logo_->size(), ratio));
    hiddenPicture_->setPixmap(renderPicture(CatPath, QSize(320, 214), ratio));
    programIcon_->setPixmap(
        renderPicture(QString::fromLatin1(ProgramIconPath), programIcon_->size(), ratio));
    infoButton_->setIcon(QIcon(renderPicture(ArrowPath, QSize(16, 16), ratio)));
}

QIcon AboutWindow::programIcon() {
    initPictureResources();
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(renderPicture(QString::fromLatin1(ProgramIconPath), QSize(side, side), 1));
    return icon;
}

int AboutWindow::slideInterval(qreal screenDpi, qreal windowDpi) {
    if (windowDpi <= 0) return SlideStep;
    // The default rounding mode rounds halves to even.
    const int interval = int(std::nearbyint(SlideStep * screenDpi / windowDpi));
    return std::max(1, interval);
}

QString AboutWindow::siteAddress(const QString& path) {
    return QStringLiteral("https://") + QString::fromLatin1(MakerSite) + path;
}

void AboutWindow::setRandomSource(LetterRain::RandomSource random) {
    rain_.setRandomSource(std::move(random));
    startRain();
}

void AboutWindow::startRain() {
    rain_.start(frameGeometry().size());
    initRain();
    rainTimer_->start(RainInterval);
}

void AboutWindow::initRain() {
    const qreal ratio = devicePixelRatioF();
    rainImage_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    rainImage_.setDevicePixelRatio(ratio);
    rainImage_.fill(Qt::black);
    rain_.reset();
    update();
}

void AboutWindow::stepRain() {
    QPainter painter(&rainImage_);
    painter.setFont(pixelFont(font(), LetterRain::CellHeight - 1));
    rain_.step([&painter](const LetterRain::Stroke& stroke) {
        const QRect cell(stroke.column * LetterRain::CellWidth, stroke.row * LetterRain::CellHeight,
                         LetterRain::CellWidth, LetterRain::CellHeight);
        painter.fillRect(cell, Qt::black);
        if (stroke.kind == LetterRain::Stroke::Kind::Letter) {
            painter.setPen(QColor(stroke.colour));
            painter.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, QString(stroke.letter));
        }
    });
    painter.end();
    update();
}

void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, rainImage_);
}

void AboutWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    initRain();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched != okButton_ && watched != infoButton_ && watched != siteLink_)
            startDrag(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseMove:
        if (watched != okButton_ && watched != infoButton_ && watched != siteLink_)
            drag(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        if (watched == siteLink_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            openSite();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == programIcon_) {
            showHiddenPicture();
            return true;
        }
        if (watched == hiddenPicture_) {
            hideHiddenPicture();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if ((watched == okButton_ || watched == infoButton_) &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutWindow::startDrag(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) return;
    dragging_ = true;
    dragPosition_ = event->globalPosition().toPoint();
}

void AboutWindow::drag(QMouseEvent* event) {
    if (!dragging_) return;
    // A move that reaches the window through its children as well finds
    // the position already taken and moves nothing more.
    const QPoint position = event->globalPosition().toPoint();
    move(pos() + position - dragPosition_);
    dragPosition_ = position;
}

void AboutWindow::showHiddenPicture() {
    if (slideTimer_->isActive()) return;
    hiddenPanel_->show();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QScreen* current = screen();
    slideTimer_->start(slideInterval(primary ? primary->logicalDotsPerInch() : 96,
                                     current ? current->logicalDotsPerInch() : 96));
}

void AboutWindow::slidePanel() {
    // Away in the direction the window reads.
    if (isRightToLeft()) {
        panel_->move(panel_->x() - SlideStep, panel_->y());
        if (panel_->x() + panel_->width() < 0) slideTimer_->stop();
        return;
    }
    panel_->move(panel_->x() + SlideStep, panel_->y());
    if (panel_->x() > width()) slideTimer_->stop();
}

void AboutWindow::hideHiddenPicture() {
    if (slideTimer_->isActive()) return;
    hiddenPanel_->hide();
    panel_->move((width() - panel_->width()) / 2, panel_->y());
}

void AboutWindow::showInfoMenu() {
    const quint64 now = clock_();
    if (lastMenu_ == infoMenu_ && lastMenuButton_ == infoButton_ &&
        now - menuClosedAt_ < quint64(MenuReopenDelay)) {
        lastMenu_ = nullptr;
        lastMenuButton_ = nullptr;
        return;
    }
    // Below the button, lined up with its leading edge.
    const int left = isRightToLeft() ? infoButton_->width() - infoMenu_->sizeHint().width() : 0;
    infoMenu_->exec(infoButton_->mapToGlobal(QPoint(left, infoButton_->height())));
    menuClosedAt_ = clock_();
    lastMenu_ = infoMenu_;
    lastMenuButton_ = infoButton_;
}

void AboutWindow::openAcknowledgements() {
    Desktop::openUrl(QUrl(siteAddress(QStringLiteral("/blog/credits-and-acknowledgements/"))));
}

void AboutWindow::openUninstallPage() {
    Desktop::openUrl(QUrl(siteAddress(QStringLiteral("/blog/how-to-uninstall-brellix-software/"))));
}

void AboutWindow::openSite() {
    Desktop::openUrl(QUrl(siteAddress()));
}

void AboutWindow::openLicense() {
    const QString folder =
        licenseFolder_.isEmpty() ? QCoreApplication::applicationDirPath() : licenseFolder_;
    const QString path = QDir(folder).filePath(QStringLiteral("license.txt"));
    if (QFileInfo(path).isFile()) {
        Desktop::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    Dialogs::messageDialog(this, translateText(QStringLiteral("File not found!")),
                           Dialogs::MessageKind::Error, {Dialogs::Ok}, {},
                           translateText(QStringLiteral("License")));
}
