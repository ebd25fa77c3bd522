#include "online/ui/feedbackwindow.h"

#include "localization/translation.h"
#include "online/emailaddress.h"
#include "text/textrules.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

// The English phrase, and the shown caption in parentheses when a language
// translated it, so that the maker can read every message.
QString choicePhrase(const QString& english, const QString& caption) {
    if (caption == english) return english;
    return english + QStringLiteral(" (") + caption + QLatin1Char(')');
}

// A face, smiling or frowning, for the two choices.
QPixmap facePicture(bool smiling) {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x30, 0x00), 1.5));
    painter.setBrush(smiling ? QColor(0xFF, 0xD2, 0x3C) : QColor(0xF0, 0x96, 0x50));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setBrush(QColor(0x40, 0x30, 0x00));
    painter.drawEllipse(QRectF(10, 10, 3.5, 4.5));
    painter.drawEllipse(QRectF(18.5, 10, 3.5, 4.5));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x40, 0x30, 0x00), 2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath mouth;
    mouth.moveTo(9.5, smiling ? 19 : 24);
    mouth.quadTo(16, smiling ? 27 : 16, 22.5, smiling ? 19 : 24);
    painter.drawPath(mouth);
    return picture;
}

// A paper plane for the Send button.
QPixmap sendPicture() {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1E, 0x50, 0x96), 1));
    painter.setBrush(QColor(0x5A, 0x96, 0xDC));
    const QPointF plane[] = {{1, 7}, {15, 1}, {9, 15}, {7, 9}};
    painter.drawPolygon(plane, 4);
    painter.drawLine(QPointF(7, 9), QPointF(15, 1));
    return picture;
}

QFont pixelFont(const QFont& base, int pixels, bool bold = false) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

// A choice: a picture and a caption on a bevelled panel that a left click
// toggles. Selected panels take the highlight colours and sink.
class FeedbackWindow::ChoicePanel : public QFrame {
public:
    ChoicePanel(const QString& role, const QPixmap& picture, const QString& caption,
                QWidget* parent, std::function<void(ChoicePanel*)> clicked)
        : QFrame(parent), clicked_(std::move(clicked)) {
        setObjectName(role + QStringLiteral("Panel"));
        setFrameShape(QFrame::Panel);
        setLineWidth(1);
        setAutoFillBackground(true);
        setCursor(Qt::PointingHandCursor);

        auto* pictureLabel = new QLabel(this);
        pictureLabel->setObjectName(role + QStringLiteral("Picture"));
        pictureLabel->setPixmap(picture);
        pictureLabel->setFixedSize(32, 32);
        captionLabel_ = new QLabel(caption, this);
        captionLabel_->setObjectName(role + QStringLiteral("Label"));
        captionLabel_->setFont(pixelFont(font(), 16));

        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(6, 4, 6, 4);
        layout->setSpacing(8);
        layout->addWidget(pictureLabel);
        layout->addWidget(captionLabel_, 1);
        setSelected(false);
    }

    QString caption() const { return captionLabel_->text(); }

    // The background tells the state, as it is what the user sees.
    bool isSelected() const {
        return palette().color(QPalette::Window) != palette().color(QPalette::Button);
    }
    void setSelected(bool selected) {
        QPalette colours = palette();
        const QPalette standard = QApplication::palette(this);
        colours.setColor(QPalette::Window,
                         standard.color(selected ? QPalette::Highlight : QPalette::Button));
        colours.setColor(QPalette::WindowText, standard.color(selected ? QPalette::HighlightedText
                                                                       : QPalette::WindowText));
        setPalette(colours);
        setFrameShadow(selected ? QFrame::Sunken : QFrame::Raised);
    }

protected:
    // The picture and caption pass their clicks on to the panel.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            event->accept();
            clicked_(this);
            return;
        }
        QFrame::mousePressEvent(event);
    }

private:
    std::function<void(ChoicePanel*)> clicked_;
    QLabel* captionLabel_ = nullptr;
};

FeedbackWindow::FeedbackWindow(QWidget* parent, const QString& productName, const QString& appTitle,
                               const QString& appVersion, ServiceCall callService)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      appTitle_(appTitle), appVersion_(appVersion), callService_(std::move(callService)) {
    // What the user wrote goes over verified HTTPS or not at all.
    if (!callService_) callService_ = ServiceRequest::callSecureService;
    // Centred on the screen, not on the main window.
    Placement::centreWhenFirstShown(this);
    setWindowTitle(productName + QLatin1Char(' ') + translateText("feedback"));
    setFont(pixelFont(QFont(QStringLiteral("Tahoma")), 11));

    auto* appreciationLabel =
        new QLabel(translateText("We would really appreciate your feedback."), this);
    appreciationLabel->setObjectName("appreciationLabel");
    appreciationLabel->setFont(pixelFont(font(), 16));
    auto* questionLabel = new QLabel(translateText("What did you like or dislike?"), this);
    questionLabel->setObjectName("questionLabel");
    questionLabel->setFont(pixelFont(font(), 13, true));

    messageEdit_ = new QPlainTextEdit(this);
    messageEdit_->setObjectName("messageEdit");
    messageEdit_->setFont(pixelFont(font(), 13));
    messageEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageEdit_->setTabChangesFocus(true);
    connect(messageEdit_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitMessage(position, added); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(4);
    layout->addWidget(buildChoiceStrip());
    layout->addWidget(appreciationLabel);
    layout->addWidget(questionLabel);
    layout->addWidget(messageEdit_, 1);
    layout->addWidget(buildEmailStrip());
    layout->addWidget(buildSendStrip());

    setFixedSize(525, 326);
    messageEdit_->setFocus();
}

FeedbackWindow::~FeedbackWindow() = default;

QWidget* FeedbackWindow::buildChoiceStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName("choiceStrip");
    strip->setFixedHeight(46);
    const auto toggle = [this](ChoicePanel* clicked) { toggleChoice(clicked); };
    likePanel_ = new ChoicePanel(QStringLiteral("like"), facePicture(true),
                                 translateText("I like it!"), strip, toggle);
    dislikePanel_ = new ChoicePanel(QStringLiteral("dislike"), facePicture(false),
                                    translateText("I dislike it!"), strip, toggle);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 4, 0, 2);
    layout->setSpacing(8);
    layout->addWidget(likePanel_, 1);
    layout->addWidget(dislikePanel_, 1);
    return strip;
}

QWidget* FeedbackWindow::buildEmailStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName("emailStrip");
    strip->setFixedHeight(30);
    auto* emailLabel = new QLabel(translateText("Include my e-mail:"), strip);
    emailLabel->setObjectName("emailLabel");
    emailEdit_ = new QLineEdit(strip);
    emailEdit_->setObjectName("emailEdit");
    emailEdit_->setMaxLength(MaxEmailLength);
    emailLabel->setBuddy(emailEdit_);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(emailLabel);
    layout->addWidget(emailEdit_, 1);
    return strip;
}

QWidget* FeedbackWindow::buildSendStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName("sendStrip");
    strip->setFixedHeight(39);
    sendButton_ = new QPushButton(QIcon(sendPicture()), translateText("Send"), strip);
    sendButton_->setObjectName("sendButton");
    sendButton_->setFixedWidth(172);
    sendButton_->setFont(pixelFont(font(), 16));
    // Enter in the e-mail box must not send half a thought.
    sendButton_->setAutoDefault(false);
    connect(sendButton_, &QPushButton::clicked, this, &FeedbackWindow::send);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 4, 0, 6);
    layout->addStretch(1);
    layout->addWidget(sendButton_);
    return strip;
}

FeedbackWindow::Choice FeedbackWindow::choice() const {
    if (likePanel_->isSelected()) return Choice::Like;
    if (dislikePanel_->isSelected()) return Choice::Dislike;
    return Choice::None;
}

void FeedbackWindow::toggleChoice(ChoicePanel* clicked) {
    if (clicked->isSelected()) {
        clicked->setSelected(false);
        return;
    }
    clicked->setSelected(true);
    ChoicePanel* other = clicked == likePanel_ ? dislikePanel_ : likePanel_;
    if (other->isSelected()) other->setSelected(false);
}

// Cuts what was just typed or pasted back to the limit, counting each line
// break as the two characters it is sent as.
void FeedbackWindow::limitMessage(int position, int added) {
    const QString text = messageEdit_->toPlainText();
    qsizetype excess = text.size() + text.count(QLatin1Char('\n')) - MaxMessageLength;
    if (excess <= 0) return;
    const qsizetype end = std::min<qsizetype>(qsizetype(position) + added, text.size());
    qsizetype cut = end;
    while (excess > 0 && cut > position) {
        --cut;
        excess -= text[cut] == QLatin1Char('\n') ? 2 : 1;
        if (text[cut].isLowSurrogate() && cut > position && text[cut - 1].isHighSurrogate()) {
            --cut;
            --excess;
        }
    }
    if (cut == end) return;
    QTextCursor cursor(messageEdit_->document());
    cursor.setPosition(int(cut));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

QString FeedbackWindow::feedbackText() const {
    QString message = messageEdit_->toPlainText();
    message.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    message = TextRules::trimmed(message).toString();
    if (message.isEmpty()) return {};
    QString text;
    if (likePanel_->isSelected())
        text =
            choicePhrase(QStringLiteral("I like it!"), likePanel_->caption()) + QLatin1Char('\r');
    else if (dislikePanel_->isSelected())
        text = choicePhrase(QStringLiteral("I dislike it!"), dislikePanel_->caption()) +
               QLatin1Char('\r');
    return text + message;
}

void FeedbackWindow::send() {
    const QString feedback = feedbackText();
    if (feedback.isEmpty()) {
        messageEdit_->setFocus();
        QApplication::beep();
        return;
    }
    const QString email = TextRules::trimmed(emailEdit_->text()).toString();
    if (!email.isEmpty() && !EmailAddress::isValidEmail(email)) {
        emailEdit_->setFocus();
        Dialogs::messageDialog(this, translateText("Invalid e-mail address!"),
                               Dialogs::MessageKind::Error, {Dialogs::Ok}, {},
                               translateText("Failure"));
        return;
    }

    ServiceRequest::Fields fields{
        QStringLiteral("cmd=feedback"), QStringLiteral("appname=") + appTitle_,
        QStringLiteral("version=") + appVersion_, QStringLiteral("feedback=") + feedback};
    if (!email.isEmpty()) fields << QStringLiteral("email=") + email;

    ServiceRequest::Result result;
    {
        QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        result = callService_(ServiceRequest::endpoint(QString::fromLatin1(EndpointPath)), fields,
                              TimeoutMs, nullptr);
    }

    QString answer;
    // An answer that came over plain HTTP means the message went in clear:
    // never counted as delivered.
    if (result.answer && !result.secureFailed) {
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
        answer = TextRules::trimmed(result.answer->split(lineBreak).join(QStringLiteral("\r\n")))
                     .toString();
    }
    if (answer == QLatin1String("OK")) {
        Dialogs::messageDialog(this,
                               translateText("Your feedback is received.") +
                                   QStringLiteral("\n\n") + translateText("Thank you!"),
                               Dialogs::MessageKind::Information, {Dialogs::Ok}, {},
                               translateText("Success"));
        accept();
        return;
    }
    Dialogs::messageDialog(
        this,
        translateText("Something went wrong. Your feedback could not be delivered.") +
            QStringLiteral("\n\n") + translateText("Please try again later."),
        Dialogs::MessageKind::Error, {Dialogs::Ok}, {}, translateText("Failure"));
}
