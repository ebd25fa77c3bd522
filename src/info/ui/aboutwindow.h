#pragma once

#include "info/ui/letterrain.h"

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QString>

#include <functional>

class QLabel;
class QMenu;
class QPushButton;
class QTimer;

// The About window: the product's name and version on a panel with the
// maker's logo and the program's icon, over letters falling on black. Info
// drops down the acknowledgements, the uninstall page and the licence; the
// window is dragged by its body; a double-click on the icon slides the panel
// away from a hidden picture, a double-click on the picture brings it back.
// Shown modally, a new one each time.
//
// Its widgets are private; each has an objectName naming its role ("panel",
// "logo", "iconFrame", "programIcon", "productLabel", "okButton",
// "infoButton", "siteLink", "hiddenPanel", "hiddenPicture", "infoMenu",
// "acknowledgementsAction", "uninstallAction", "licenseAction", "rainTimer",
// "slideTimer"), by which tests find them.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    // A millisecond tick count.
    using Clock = std::function<quint64()>;

    static constexpr const char* MakerSite = "www.brellix.com";
    static constexpr const char* ProgramIconPath = ":/info/pictures/programicon.svg";

    // The caller passes the product name and version read from the
    // program's version block.
    AboutWindow(QWidget* parent, const QString& productName, const QString& appVersion);
    ~AboutWindow() override;

    // The program's icon at the usual sizes, also for every other window.
    static QIcon programIcon();
    // The slide timer's interval: 5 ms scaled by the screen's DPI over the
    // window's, rounded half to even, at least 1.
    static int slideInterval(qreal screenDpi, qreal windowDpi);
    static QString siteAddress(const QString& path = QStringLiteral("/"));

    const LetterRain& rain() const { return rain_; }
    // For tests: the tick counter behind the Info menu's 100 ms rule, the
    // rain's random source, and the folder where "license.txt" is looked for
    // (the program's folder by default).
    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setRandomSource(LetterRain::RandomSource random);
    void setLicenseFolder(const QString& folder) { licenseFolder_ = folder; }

public slots:
    void showInfoMenu();
    void openAcknowledgements();
    void openUninstallPage();
    void openSite();
    void openLicense();
    void showHiddenPicture();
    void hideHiddenPicture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildPanel();
    void buildInfoMenu();
    void buildHiddenPanel();
    void loadPictures();
    void startRain();
    void initRain();
    void stepRain();
    void slidePanel();
    void startDrag(QMouseEvent* event);
    void drag(QMouseEvent* event);

    QString productName_;
    QString appVersion_;
    QString licenseFolder_;
    Clock clock_;
    LetterRain rain_;
    QImage rainImage_;

    QWidget* panel_ = nullptr;
    QLabel* logo_ = nullptr;
    QLabel* programIcon_ = nullptr;
    QLabel* productLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* infoButton_ = nullptr;
    QLabel* siteLink_ = nullptr;
    QWidget* hiddenPanel_ = nullptr;
    QLabel* hiddenPicture_ = nullptr;
    QMenu* infoMenu_ = nullptr;
    QTimer* rainTimer_ = nullptr;
    QTimer* slideTimer_ = nullptr;

    bool dragging_ = false;
    QPoint dragPosition_;
    // The Info menu's last closing, so that the click that closed it does
    // not open it again.
    QMenu* lastMenu_ = nullptr;
    QWidget* lastMenuButton_ = nullptr;
    quint64 menuClosedAt_ = 0;
};
