// Shows the language window over the Languages folder beside the program,
// with its settings and restart script in a temporary folder; nothing is
// restarted, the requests are printed instead.
//
//   lexometer-language-demo [--setting FILE] [--screenshot PNG]

#include "localization/languagechoice.h"
#include "localization/qttranslation.h"
#include "localization/ui/languagewindow.h"
#include "text/inistore.h"
#include "widgets/desktop.h"
#include "widgets/programstyle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(new ProgramStyle);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption setting(QStringLiteral("setting"),
                                     QStringLiteral("The language file to load."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window and quit."),
                                        QStringLiteral("PNG"));
    parser.addOptions({setting, screenshot});
    parser.process(app);

    QString error;
    if (!LanguageChoice::initLanguage(parser.value(setting),
                                      LanguageChoice::defaultLanguagesFolder(),
                                      LanguageChoice::userInterfaceLocale(), &error)) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    QtTranslation::installForLoadedLanguage();

    QTemporaryDir data;
    IniStore settings;
    settings.open(data.filePath(QStringLiteral("settings.ini")));
    Desktop::setHandler([](const Desktop::Request& request) {
        QTextStream(stdout) << "would start: "
                            << (request.kind == Desktop::Request::Kind::OpenUrl
                                    ? request.url.toString()
                                    : request.program + u' ' + request.arguments.join(u' '))
                            << Qt::endl;
        return true;
    });

    LanguageWindow window(settings, data.path());
    window.setProgramEnd([&window] {
        QTextStream(stdout) << "would end the program" << Qt::endl;
        window.accept();
    });
    if (parser.isSet(screenshot)) {
        window.show();
        QTimer::singleShot(300, &window, [&] {
            window.grab().save(parser.value(screenshot));
            window.accept();
        });
    }
    return window.exec() == QDialog::Accepted ? 0 : 1;
}
