// Pictures of the program's windows in one language, for a look at their
// layout under a real display (xvfb-run):
//
//   lexometer-screens LANGUAGE OUT_DIR [TEXT_FILE]
//
// LANGUAGE names a file in Languages/ beside the program ("Hebrew.lang.txt"),
// or is "English". The main window with a short text (TEXT_FILE, loaded as the
// program loads files), its results window,
// the About window, the feedback window and the update notice are saved as
// OUT_DIR/main.png, results.png (and its Character tab as characters.png),
// about.png, feedback.png and notice.png. The
// settings live in a temporary folder; nothing of the user's is touched.

#include "analysis/engine/memorytuning.h"
#include "analysis/ui/results/resultswindow.h"
#include "info/ui/aboutwindow.h"
#include "online/ui/feedbackwindow.h"
#include "online/ui/updatenotice.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/texteditor.h"
#include "widgets/dialogs.h"
#include "widgets/programstyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <type_traits>

namespace {

void wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename Window> Window* topLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

bool save(QWidget* window, const QString& folder, const char* name) {
    if (!window) {
        std::fprintf(stderr, "lexometer-screens: no %s window\n", name);
        return false;
    }
    const QString path = folder + u'/' + QLatin1String(name) + QStringLiteral(".png");
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "lexometer-screens: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

const char* const SampleText =
    "The quick brown fox jumps over the lazy dog.\n"
    "The lazy dog sleeps; the quick brown fox runs on.\n"
    "A fox, a dog and a cat: the quick brown fox again.\n";

} // namespace

int main(int argc, char** argv) {
    MemoryTuning::apply();
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: lexometer-screens LANGUAGE OUT_DIR [TEXT_FILE]\n");
        return 2;
    }
    QApplication::setStyle(new ProgramStyle);
    const QString language = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    // No dialog may wait for an answer.
    Dialogs::setHandler([](const Dialogs::Request& r) {
        std::fprintf(stderr, "dialog: %s\n", qPrintable(r.text));
        return QString();
    });

    QTemporaryDir data;
    QFile settings(data.filePath(QStringLiteral("settings.ini")));
    if (!settings.open(QIODevice::WriteOnly)) return 1;
    if (language != QLatin1String("English"))
        settings.write("[Settings]\r\nLanguageFile=" + language.toUtf8() + "\r\n");
    settings.close();

    MainWindow form;
    form.useDataFolder(data.path() + u'/');
    std::vector<MainWindow::Step> steps;
    for (MainWindow::Step& step : form.programSteps())
        if (step.name != QLatin1String("data folder") && step.name != QLatin1String("settings"))
            steps.push_back(std::move(step));
    form.startUp(steps);
    form.show();
    if (argc == 4) {
        // Loaded as the program loads a file, so that the picture shows what a user sees.
        FileError error;
        if (!form.loadFile(QString::fromLocal8Bit(argv[3]), &error)) {
            std::fprintf(stderr, "lexometer-screens: %s\n", qPrintable(FileErrorText::text(error)));
            return 1;
        }
    } else {
        form.findChild<TextEditor*>(QStringLiteral("editor"))
            ->setText(QString::fromUtf8(SampleText));
    }
    // The language's own word characters where it has a preset.
    const QString preset = language.section(u'.', 0, 0).toLower() + QStringLiteral("PresetButton");
    if (auto* button = form.findChild<QAbstractButton*>(preset)) button->click();
    wait(300);
    bool saved = save(&form, out, "main");

    form.analyze();
    auto* results = form.findChild<ResultsWindow*>();
    if (results) {
        QEventLoop loop;
        QObject::connect(results, &ResultsWindow::analysisFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        if (!results->results()) loop.exec();
        wait(200);
    }
    saved &= save(results, out, "results");
    // The Character tab, where blanks show as signs.
    if (results) {
        if (auto* tabs = results->findChild<QTabWidget*>(QStringLiteral("tabs")))
            tabs->setCurrentIndex(ResultsWindow::CharacterTab);
        wait(200);
    }
    saved &= save(results, out, "characters");

    // Both are modal: grabbed and closed from inside their own loops.
    const auto grabModal = [&](auto* type, const char* name) {
        using Window = std::remove_pointer_t<decltype(type)>;
        QTimer::singleShot(600, &form, [&, name] {
            Window* window = topLevel<Window>();
            saved &= save(window, out, name);
            if (window) window->reject();
        });
    };
    grabModal(static_cast<AboutWindow*>(nullptr), "about");
    form.openAboutWindow();
    grabModal(static_cast<FeedbackWindow*>(nullptr), "feedback");
    form.openFeedbackWindow();

    auto* notice = new UpdateNotice(QStringLiteral("Lexometer"), QStringLiteral("4.1"),
                                    QStringLiteral("https://example.invalid/"), &form);
    wait(1500);
    saved &= save(notice, out, "notice");
    return saved ? 0 : 1;
}
