#include "envguard.h"
#include "localization/translation.h"
#include "online/emailaddress.h"
#include "online/ui/feedbackwindow.h"
#include "testfiles.h"
#include "testservice.h"
#include "widgetlookup.h"
#include "widgets/dialogs.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

using Choice = FeedbackWindow::Choice;
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

struct Call {
    QString endpoint;
    ServiceRequest::Fields fields;
    int timeoutMs = 0;
    bool busyCursor = false;
};

const QString Fixed = QStringLiteral("cmd=feedback|appname=BRELLIX - Lexometer|version=4.0");
const QString FailureText =
    QStringLiteral("Something went wrong. Your feedback could not be delivered.\n\n"
                   "Please try again later.");

} // namespace

class TestFeedbackWindow : public QObject {
    Q_OBJECT

    QList<Call> calls_;
    ServiceRequest::Result result_;
    QList<Dialogs::Request> dialogs_;

    // A window whose service answers with result_ and records every call.
    std::unique_ptr<FeedbackWindow> makeWindow() {
        return std::make_unique<FeedbackWindow>(
            nullptr, QStringLiteral("Lexometer"), QStringLiteral("BRELLIX - Lexometer"),
            QStringLiteral("4.0"),
            [this](const QString& endpoint, const ServiceRequest::Fields& fields, int timeoutMs,
                   const std::atomic<bool>*) {
                const QCursor* cursor = QApplication::overrideCursor();
                calls_ << Call{endpoint, fields, timeoutMs,
                               cursor && cursor->shape() == Qt::BusyCursor};
                return result_;
            });
    }

    static void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(widget, button, {}, widget->rect().center());
    }

private slots:
    void init() {
        calls_.clear();
        dialogs_.clear();
        result_ = {};
        result_.answer = QStringLiteral("OK");
        Dialogs::setHandler([this](const Dialogs::Request& request) {
            dialogs_ << request;
            return QString();
        });
    }
    void cleanup() {
        Dialogs::setHandler({});
        Translation::reset();
    }

    void layout() {
        auto window = makeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Lexometer feedback"));
        QCOMPARE(window->size(), QSize(525, 326));
        QCOMPARE(findWidget<QLabel>(window.get(), "likeLabel")->text(),
                 QStringLiteral("I like it!"));
        QCOMPARE(findWidget<QLabel>(window.get(), "dislikeLabel")->text(),
                 QStringLiteral("I dislike it!"));
        QCOMPARE(findWidget<QPushButton>(window.get(), "sendButton")->text(),
                 QStringLiteral("Send"));
        QCOMPARE(window->focusWidget(), findWidget<QPlainTextEdit>(window.get(), "messageEdit"));
    }

    // Blank messages beep and take the focus back; nothing goes out, not
    // even a choice alone.
    void blankMessage_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("like");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks and breaks, a choice") << QStringLiteral("  \n\t\n  ") << true;
    }
    void blankMessage() {
        QFETCH(QString, message);
        QFETCH(bool, like);
        auto window = makeWindow();
        auto* messageEdit = findWidget<QPlainTextEdit>(window.get(), "messageEdit");
        messageEdit->setPlainText(message);
        if (like) click(findWidget<QFrame>(window.get(), "likePanel"));
        auto* emailEdit = findWidget<QLineEdit>(window.get(), "emailEdit");
        emailEdit->setFocus();
        QCOMPARE(window->focusWidget(), emailEdit);
        window->send();
        QVERIFY(calls_.isEmpty());
        QVERIFY(dialogs_.isEmpty());
        QCOMPARE(window->focusWidget(), messageEdit);
    }

    // What goes to the service: the fixed fields, the message with CR LF line
    // breaks and trimmed, and the address trimmed when there is one.
    void fieldsSent_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("fields");
        QTest::newRow("no address") << QStringLiteral("Nice tool") << QString()
                                    << Fixed + QStringLiteral("|feedback=Nice tool");
        QTest::newRow("blank address") << QStringLiteral("Nice tool") << QStringLiteral("   ")
                                       << Fixed + QStringLiteral("|feedback=Nice tool");
        QTest::newRow("padded address")
            << QStringLiteral("Nice tool") << QStringLiteral("  Ann.Lee@Example.org \t")
            << Fixed + QStringLiteral("|feedback=Nice tool|email=Ann.Lee@Example.org");
        QTest::newRow("lines") << QStringLiteral("\n  one\n\ntwo & more\n\n")
                               << QStringLiteral("a@b.co")
                               << Fixed + QStringLiteral("|feedback=one\r\n\r\ntwo & more"
                                                         "|email=a@b.co");
    }
    void fieldsSent() {
        QFETCH(QString, message);
        QFETCH(QString, email);
        QFETCH(QString, fields);
        auto window = makeWindow();
        findWidget<QPlainTextEdit>(window.get(), "messageEdit")->setPlainText(message);
        findWidget<QLineEdit>(window.get(), "emailEdit")->setText(email);
        window->send();
        QCOMPARE(calls_.size(), 1);
        QCOMPARE(calls_[0].fields.join(QLatin1Char('|')), fields);
        QVERIFY(calls_[0].endpoint.endsWith(QStringLiteral("/php/feedback.php")));
        QVERIFY(!calls_[0].endpoint.contains(QStringLiteral("://")));
        QCOMPARE(calls_[0].timeoutMs, 3000);
        QVERIFY(calls_[0].busyCursor);
        QVERIFY(!QApplication::overrideCursor());
    }

    void emailPattern_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "ann@example.com" << true;
        QTest::newRow("capitals") << "Ann.Lee@Example.COM" << true;
        QTest::newRow("signs") << "a_b+c-d.e@mail-host.co.uk" << true;
        QTest::newRow("digits") << "1@2.3a" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("no dot after @") << "ann@example" << false;
        QTest::newRow("ends in dot") << "ann@example.com." << false;
        QTest::newRow("ends in hyphen") << "ann@example.com-" << false;
        QTest::newRow("dot right after @") << "ann@.com" << false;
        QTest::newRow("no name") << "@example.com" << false;
        QTest::newRow("two @") << "a@b@c.de" << false;
        QTest::newRow("space") << "ann lee@example.com" << false;
        QTest::newRow("underscore in host") << "ann@ex_ample.com" << false;
        QTest::newRow("accented") << QString::fromUtf8("jos\u00e9@example.com") << false;
        QTest::newRow("line break after") << "ann@example.com\n" << false;
        QTest::newRow("line break before") << "\nann@example.com" << false;
    }
    void emailPattern() {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(EmailAddress::isValidEmail(address), valid);
    }

    void invalidAddress() {
        auto window = makeWindow();
        findWidget<QPlainTextEdit>(window.get(), "messageEdit")->setPlainText("Hi");
        auto* emailEdit = findWidget<QLineEdit>(window.get(), "emailEdit");
        emailEdit->setText(QStringLiteral(" ann@example "));
        findWidget<QPlainTextEdit>(window.get(), "messageEdit")->setFocus();
        window->send();
        QVERIFY(calls_.isEmpty());
        QCOMPARE(dialogs_.size(), 1);
        QCOMPARE(dialogs_[0].title, QStringLiteral("Failure"));
        QCOMPARE(dialogs_[0].text, QStringLiteral("Invalid e-mail address!"));
        QCOMPARE(window->focusWidget(), emailEdit);
    }

    // Clicks as "panel:button" steps; only the left button toggles, the
    // picture passes its clicks on, and at most one choice stands.
    void choices_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<Choice>("expected");
        QTest::newRow("like") << QStringList{"likePanel:left"} << Choice::Like;
        QTest::newRow("like twice")
            << QStringList{"likePanel:left", "likePanel:left"} << Choice::None;
        QTest::newRow("moves") << QStringList{"likePanel:left", "dislikePanel:left"}
                               << Choice::Dislike;
        QTest::newRow("moves back")
            << QStringList{"dislikePicture:left", "likeLabel:left"} << Choice::Like;
        QTest::newRow("picture") << QStringList{"dislikePicture:left"} << Choice::Dislike;
        QTest::newRow("right button") << QStringList{"likePanel:right"} << Choice::None;
        QTest::newRow("middle keeps")
            << QStringList{"dislikePanel:left", "dislikePanel:middle", "likePanel:right"}
            << Choice::Dislike;
    }
    void choices() {
        QFETCH(QStringList, clicks);
        QFETCH(Choice, expected);
        auto window = makeWindow();
        for (const QString& step : clicks) {
            const QStringList parts = step.split(QLatin1Char(':'));
            auto* target = findWidget<QWidget>(window.get(), parts[0].toLatin1().constData());
            click(target, parts[1] == QLatin1String("left")    ? Qt::LeftButton
                          : parts[1] == QLatin1String("right") ? Qt::RightButton
                                                               : Qt::MiddleButton);
        }
        QCOMPARE(window->choice(), expected);
        const QPalette standard = QApplication::palette();
        for (const char* name : {"likePanel", "dislikePanel"}) {
            auto* panel = findWidget<QFrame>(window.get(), name);
            const bool selected =
                (expected == Choice::Like && qstrcmp(name, "likePanel") == 0) ||
                (expected == Choice::Dislike && qstrcmp(name, "dislikePanel") == 0);
            QCOMPARE(panel->frameShadow(), selected ? QFrame::Sunken : QFrame::Raised);
            QCOMPARE(panel->palette().color(QPalette::Window),
                     standard.color(selected ? QPalette::Highlight : QPalette::Button));
            QCOMPARE(panel->palette().color(QPalette::WindowText),
                     standard.color(selected ? QPalette::HighlightedText : QPalette::WindowText));
        }
    }

    // The English phrase always goes first, the translation in parentheses
    // after it; a CR separates the choice from the message.
    void choicePhrase_data() {
        QTest::addColumn<bool>("translated");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("feedback");
        QTest::newRow("English") << false << "likePanel"
                                 << "I like it!\rGreat";
        QTest::newRow("translated")
            << true << "likePanel" << QString::fromUtf8("I like it! (Gef\u00e4llt mir!)\rGreat");
        QTest::newRow("not in the file") << true << "dislikePanel"
                                         << "I dislike it!\rGreat";
    }
    void choicePhrase() {
        QFETCH(bool, translated);
        QFETCH(QString, panel);
        QFETCH(QString, feedback);
        QTemporaryDir dir;
        if (translated) {
            const QString file = dir.filePath(QStringLiteral("Test.lang.txt"));
            TestFiles::write(file, "{I like it!}Gef\xc3\xa4llt mir!\n{Send}Senden\n");
            QVERIFY(Translation::load(file));
        }
        auto window = makeWindow();
        click(findWidget<QFrame>(window.get(), panel.toLatin1().constData()));
        findWidget<QPlainTextEdit>(window.get(), "messageEdit")->setPlainText("Great\n");
        window->send();
        QCOMPARE(calls_.size(), 1);
        QCOMPARE(calls_[0].fields.value(3), QStringLiteral("feedback=") + feedback);
    }

    // Only "OK", line breaks and blanks around it aside, is a success: the
    // window says thanks and closes. Anything else keeps what was typed.
    void answers_data() {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("secureFailed");
        QTest::addColumn<bool>("success");
        QTest::newRow("OK") << std::optional<QString>("OK") << false << true;
        QTest::newRow("OK CR LF") << std::optional<QString>("OK\r\n") << false << true;
        QTest::newRow("OK LF, blanks") << std::optional<QString>(" OK\n") << false << true;
        // The message went in clear: never counted as delivered.
        QTest::newRow("plain answer after secure failed")
            << std::optional<QString>("OK") << true << false;
        QTest::newRow("small letters") << std::optional<QString>("ok") << false << false;
        QTest::newRow("full stop") << std::optional<QString>("OK.") << false << false;
        QTest::newRow("more lines") << std::optional<QString>("OK\r\nDone") << false << false;
        QTest::newRow("more lines LF") << std::optional<QString>("OK\n\nDone\n") << false << false;
        QTest::newRow("error page")
            << std::optional<QString>("<html>404 Not Found</html>") << false << false;
        QTest::newRow("no answer") << std::optional<QString>() << true << false;
    }
    void answers() {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, secureFailed);
        QFETCH(bool, success);
        result_.answer = answer;
        result_.secureFailed = secureFailed;
        result_.plainFailed = !answer;
        auto window = makeWindow();
        window->show();
        click(findWidget<QFrame>(window.get(), "dislikePanel"));
        auto* messageEdit = findWidget<QPlainTextEdit>(window.get(), "messageEdit");
        auto* emailEdit = findWidget<QLineEdit>(window.get(), "emailEdit");
        messageEdit->setPlainText(QStringLiteral("Too slow\n"));
        emailEdit->setText(QStringLiteral("ann@example.com"));
        click(findWidget<QPushButton>(window.get(), "sendButton"));
        QCOMPARE(calls_.size(), 1);
        QCOMPARE(dialogs_.size(), 1);
        QVERIFY(!QApplication::overrideCursor());
        if (success) {
            QCOMPARE(dialogs_[0].title, QStringLiteral("Success"));
            QCOMPARE(dialogs_[0].text, QStringLiteral("Your feedback is received.\n\nThank you!"));
            QVERIFY(!window->isVisible());
            QCOMPARE(window->result(), int(QDialog::Accepted));
        } else {
            QCOMPARE(dialogs_[0].title, QStringLiteral("Failure"));
            QCOMPARE(dialogs_[0].text, FailureText);
            QVERIFY(window->isVisible());
            QCOMPARE(messageEdit->toPlainText(), QStringLiteral("Too slow\n"));
            QCOMPARE(emailEdit->text(), QStringLiteral("ann@example.com"));
            QCOMPARE(window->choice(), Choice::Dislike);
        }
    }

    // Through the real request: a certificate that fails its check ends the
    // send, and the message never goes out in clear.
    void messageNeverTravelsInClear() {
        TestService service;
        QVERIFY2(service.isListening(), qPrintable(service.errorString()));
        service.setCertificate(TestService::Certificate::OtherHost);
        EnvGuard hostGuard("LEXOMETER_SERVICE_HOST");
        EnvGuard caGuard("LEXOMETER_CA_FILE");
        qputenv("LEXOMETER_SERVICE_HOST", service.hostAndPort().toLatin1());
        qputenv("LEXOMETER_CA_FILE", TestService::caFile().toLocal8Bit());
        FeedbackWindow window(nullptr, QStringLiteral("Lexometer"),
                              QStringLiteral("BRELLIX - Lexometer"), QStringLiteral("4.0"));
        window.show();
        auto* messageEdit = findWidget<QPlainTextEdit>(&window, "messageEdit");
        auto* emailEdit = findWidget<QLineEdit>(&window, "emailEdit");
        messageEdit->setPlainText(QStringLiteral("My private words"));
        emailEdit->setText(QStringLiteral("ann@example.com"));
        click(findWidget<QPushButton>(&window, "sendButton"));
        QCOMPARE(dialogs_.size(), 1);
        QCOMPARE(dialogs_[0].text, FailureText);
        QVERIFY(service.requests().isEmpty());
        QVERIFY(window.isVisible());
        QCOMPARE(messageEdit->toPlainText(), QStringLiteral("My private words"));
        QCOMPARE(emailEdit->text(), QStringLiteral("ann@example.com"));

        // With a certificate that checks out, it is delivered.
        service.setCertificate(TestService::Certificate::Localhost);
        click(findWidget<QPushButton>(&window, "sendButton"));
        QCOMPARE(dialogs_.size(), 2);
        QCOMPARE(dialogs_[1].title, QStringLiteral("Success"));
        QCOMPARE(service.requests().size(), 1);
        QVERIFY(service.requests()[0].secure);
    }

    // Through the real request: a hostile answer is a failed send that
    // keeps everything typed; an answer in an unknown character set is still
    // a secure answer. Either way the request goes out once, encrypted.
    void hostileAnswers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("endless answer") << int(TestService::Reply::Kind::Endless)
                                        << QByteArray("text/plain") << QByteArray("OK") << false;
        QTest::newRow("answer over the limit")
            << int(TestService::Reply::Kind::Answer) << QByteArray("text/plain")
            << QByteArray("OK\r\n") + QByteArray(2 << 20, ' ') << false;
        QTest::newRow("unknown character set")
            << int(TestService::Reply::Kind::Answer) << QByteArray("text/plain; charset=x-klingon")
            << QByteArray("OK") << true;
    }
    void hostileAnswers() {
        QFETCH(int, kind);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(bool, delivered);
        TestService service;
        QVERIFY2(service.isListening(), qPrintable(service.errorString()));
        service.setDefaultReply({TestService::Reply::Kind(kind), 200, contentType, body, 0});
        EnvGuard hostGuard("LEXOMETER_SERVICE_HOST");
        EnvGuard caGuard("LEXOMETER_CA_FILE");
        qputenv("LEXOMETER_SERVICE_HOST", service.hostAndPort().toLatin1());
        qputenv("LEXOMETER_CA_FILE", TestService::caFile().toLocal8Bit());
        FeedbackWindow window(nullptr, QStringLiteral("Lexometer"),
                              QStringLiteral("BRELLIX - Lexometer"), QStringLiteral("4.0"));
        window.show();
        auto* messageEdit = findWidget<QPlainTextEdit>(&window, "messageEdit");
        messageEdit->setPlainText(QStringLiteral("My words"));
        click(findWidget<QPushButton>(&window, "sendButton"));
        QCOMPARE(dialogs_.size(), 1);
        QCOMPARE(dialogs_[0].title,
                 delivered ? QStringLiteral("Success") : QStringLiteral("Failure"));
        QCOMPARE(window.isVisible(), !delivered);
        QCOMPARE(messageEdit->toPlainText(), QStringLiteral("My words"));
        QCOMPARE(service.requests().size(), 1);
        QVERIFY(service.requests()[0].secure);
    }

    void escapeCloses_data() {
        QTest::addColumn<QString>("widget");
        QTest::newRow("message") << "messageEdit";
        QTest::newRow("e-mail") << "emailEdit";
        QTest::newRow("Send") << "sendButton";
    }
    void escapeCloses() {
        QFETCH(QString, widget);
        auto window = makeWindow();
        window->show();
        auto* target = findWidget<QWidget>(window.get(), widget.toLatin1().constData());
        target->setFocus();
        findWidget<QPlainTextEdit>(window.get(), "messageEdit")->setPlainText("unsent");
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));
        QVERIFY(calls_.isEmpty());
        QVERIFY(dialogs_.isEmpty());
    }

    // The message holds 10,000 characters as sent, each line break counting
    // as its CR LF; the address 100.
    void limits() {
        auto window = makeWindow();
        auto* messageEdit = findWidget<QPlainTextEdit>(window.get(), "messageEdit");
        messageEdit->setPlainText(QString(10001, QLatin1Char('a')));
        QCOMPARE(messageEdit->toPlainText().size(), 10000);
        messageEdit->moveCursor(QTextCursor::End);
        QTest::keyClicks(messageEdit, QStringLiteral("b"));
        QCOMPARE(messageEdit->toPlainText(), QString(10000, QLatin1Char('a')));

        const QString lines = QStringLiteral("x\n").repeated(3000); // 9,000 as sent
        messageEdit->setPlainText(lines + QString(1500, QLatin1Char('y')));
        QCOMPARE(messageEdit->toPlainText(), lines + QString(1000, QLatin1Char('y')));
        messageEdit->setPlainText(lines + QString(999, QLatin1Char('y')));
        messageEdit->moveCursor(QTextCursor::End);
        QTest::keyClick(messageEdit, Qt::Key_Return); // two more: one too many
        QCOMPARE(messageEdit->toPlainText(), lines + QString(999, QLatin1Char('y')));
        QTest::keyClicks(messageEdit, QStringLiteral("zz"));
        QCOMPARE(messageEdit->toPlainText(),
                 lines + QString(999, QLatin1Char('y')) + QLatin1Char('z'));

        window->send();
        QCOMPARE(calls_.size(), 1);
        QCOMPARE(calls_[0].fields.value(3).size(), QStringLiteral("feedback=").size() + 10000);

        auto* emailEdit = findWidget<QLineEdit>(window.get(), "emailEdit");
        QTest::keyClicks(emailEdit, QString(120, QLatin1Char('e')));
        QCOMPARE(emailEdit->text().size(), 100);
    }
};

QTEST_MAIN(TestFeedbackWindow)
#include "tst_feedbackwindow.moc"
