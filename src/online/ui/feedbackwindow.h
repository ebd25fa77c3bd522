#pragma once

#include "online/servicerequest.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The feedback window: a free-text message, optionally marked "I like it!"
// or "I dislike it!" and optionally with the user's e-mail address, sent to
// the maker's web service. Only the answer "OK" is a success, which closes
// the window; after a failure everything typed stays for another try. Shown
// modally, a new one each time; Esc closes it without asking.
//
// Its widgets are private; each has an objectName naming its role
// ("likePanel", "dislikePanel", "likePicture", "dislikePicture",
// "likeLabel", "dislikeLabel", "appreciationLabel", "questionLabel",
// "messageEdit", "emailLabel", "emailEdit", "sendButton"), by which tests
// find them.
class FeedbackWindow : public QDialog {
    Q_OBJECT

public:
    // The shape of ServiceRequest::callSecureService, which is the default:
    // what the user wrote never goes over plain HTTP.
    using ServiceCall = std::function<ServiceRequest::Result(
        const QString& endpoint, const ServiceRequest::Fields& fields, int timeoutMs,
        const std::atomic<bool>* stop)>;

    static constexpr const char* EndpointPath = "/php/feedback.php";
    static constexpr int TimeoutMs = 3000;
    // Line breaks count twice, as they travel as CR LF.
    static constexpr int MaxMessageLength = 10000;
    static constexpr int MaxEmailLength = 100;

    enum class Choice { None, Like, Dislike };

    // The caller passes the product name (for the caption), the application
    // title and version sent with the feedback, and, for tests, the call
    // that reaches the service.
    FeedbackWindow(QWidget* parent, const QString& productName, const QString& appTitle,
                   const QString& appVersion, ServiceCall callService = {});
    ~FeedbackWindow() override;

    Choice choice() const;

public slots:
    // Checks the message and the address, sends, and reports the outcome.
    void send();

private:
    class ChoicePanel;

    QWidget* buildChoiceStrip();
    QWidget* buildEmailStrip();
    QWidget* buildSendStrip();
    void toggleChoice(ChoicePanel* clicked);
    void limitMessage(int position, int added);
    QString feedbackText() const;

    QString appTitle_;
    QString appVersion_;
    ServiceCall callService_;

    ChoicePanel* likePanel_ = nullptr;
    ChoicePanel* dislikePanel_ = nullptr;
    QPlainTextEdit* messageEdit_ = nullptr;
    QLineEdit* emailEdit_ = nullptr;
    QPushButton* sendButton_ = nullptr;
};
