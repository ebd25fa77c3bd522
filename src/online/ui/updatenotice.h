#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QPropertyAnimation;
class QTimer;
class QToolButton;

// The small borderless notice in the top right corner of the primary screen
// that offers the download of a new version. It grows out of its centre,
// closes by itself after 11 seconds (shrinking into its centre), and is
// dragged with the left or middle button by anything but its link and close
// button. Closing only hides it.
//
// Its widgets are private; each has an objectName naming its role
// ("outerPanel", "programIcon", "titleLabel", "linkLabel", "closeStrip",
// "closeButton", "startTimer", "closeTimer", "linkTimer").
class UpdateNotice : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize ClientSize{320, 68};
    static constexpr int ScreenMargin = 5;
    static constexpr int CountdownStart = 11;
    static constexpr int AnimationMs = 100;
    static constexpr const char* HomePage = "https://www.brellix.com/";

    // Created hidden; it shows itself a moment later and then hands the focus
    // back to `mainWindow`.
    UpdateNotice(const QString& productName, const QString& newVersion,
                 const QString& downloadAddress, QWidget* mainWindow = nullptr);
    ~UpdateNotice() override;

    // Where the notice sits on a screen of this geometry.
    static QRect placement(const QRect& screen);
    // The download address, or the maker's home page when there is none.
    QString linkAddress() const;
    int secondsLeft() const { return secondsLeft_; }

public slots:
    // One tick of the 1000 ms countdown; the one that reaches 0 hides the
    // notice with its animation.
    void countDown();
    // The link's colour for a pointer at this screen position.
    void followPointer(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildContents(const QString& productName, const QString& newVersion);
    void showAnimated();
    void hideAnimated();
    void openLink();
    bool handleDrag(QMouseEvent* event);
    QRect centreRect() const;

    QString downloadAddress_;
    QPointer<QWidget> mainWindow_;
    QWidget* outerPanel_ = nullptr;
    QLabel* programIcon_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QWidget* closeStrip_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QTimer* startTimer_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    QTimer* linkTimer_ = nullptr;
    QPropertyAnimation* animation_ = nullptr;
    QRect home_;
    int secondsLeft_ = CountdownStart;
    bool dragging_ = false;
    QPoint lastPointer_;
    bool linkHot_ = false;
};
