#include "localization/languagechoice.h"
#include "localization/qttranslation.h"
#include "localization/restartscript.h"
#include "localization/translation.h"
#include "localization/ui/languagewindow.h"
#include "testfiles.h"
#include "text/inistore.h"
#include "widgetlookup.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray GermanFile = "{INFO:Translated By}Anna Schmidt, Bernd Weber\r\n"
                              "{Language}Sprache\r\n";

} // namespace

class TestLanguageWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(folder_.isValid());
        dialogs_.clear();
        desktop_.clear();
        answer_ = QString::number(Dialogs::No);
        ended_ = 0;
        Dialogs::setHandler([this](const Dialogs::Request& request) {
            dialogs_ << request;
            return answer_;
        });
        Desktop::setHandler([this](const Desktop::Request& request) {
            desktop_ << request;
            return true;
        });
    }
    void cleanup() {
        Dialogs::setHandler({});
        Desktop::setHandler({});
        LanguageChoice::reset();
        Translation::reset();
    }

    void listsTheLanguagesWithTheLoadedOneChosen_data();
    void listsTheLanguagesWithTheLoadedOneChosen();
    void flagsFollowTheName_data();
    void flagsFollowTheName();
    void showsTheTranslators_data();
    void showsTheTranslators();
    void unchangedChoiceClosesWithoutAsking_data();
    void unchangedChoiceClosesWithoutAsking();
    void answeringNoKeepsTheWindow();
    void answeringYesStoresTheChoiceAndRestarts_data();
    void answeringYesStoresTheChoiceAndRestarts();
    void failedScriptShowsTheErrorAndKeepsTheWindow();
    void failedWritesSpeakTheLoadedLanguage_data();
    void failedWritesSpeakTheLoadedLanguage();
    void scriptBytes_data();
    void scriptBytes();
    void scriptStartsTheProgramInItsFolder_data();
    void scriptStartsTheProgramInItsFolder();
    void escapeCloses_data();
    void escapeCloses();
    void contributeOpensTheTranslationPage();
    void qtTextsFollowTheLanguage();

private:
    // A Languages folder with German, French (no translator entry) and a
    // name without a flag; `setting` chooses the loaded one.
    QString languages(const QString& setting) {
        const QString path = folder_.filePath(u"Languages"_s);
        QDir().mkpath(path);
        TestFiles::write(path + u"/German.lang.txt"_s, GermanFile);
        TestFiles::write(path + u"/French.lang.txt"_s, "{Language}Langue\n");
        TestFiles::write(path + u"/klingon.lang.txt"_s, "{INFO:Translated By}\n");
        [&] { QVERIFY(LanguageChoice::initLanguage(setting, path, QLocale::c())); }();
        return path;
    }
    LanguageWindow* window(IniStore& settings, const QString& dataFolder = {}) {
        auto* w = new LanguageWindow(settings, dataFolder.isEmpty() ? folder_.path() : dataFolder);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->setProgramEnd([this] { ++ended_; });
        w->show();
        return w;
    }
    static void choose(LanguageWindow* w, const QString& language) {
        auto* list = findWidget<QComboBox>(w, "languageList");
        const int index = list->findText(language, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY(index >= 0);
        list->setCurrentIndex(index);
    }

    QTemporaryDir folder_;
    QList<Dialogs::Request> dialogs_;
    QList<Desktop::Request> desktop_;
    QString answer_;
    int ended_ = 0;
};

void TestLanguageWindow::listsTheLanguagesWithTheLoadedOneChosen_data() {
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("chosen");
    const QStringList all{"English", "French", "German", "klingon"};
    QTest::newRow("no folder") << false << QString() << QStringList{"English"} << "English";
    QTest::newRow("none loaded") << true << QString() << all << "English";
    QTest::newRow("German loaded") << true << "German.lang.txt" << all << "German";
    QTest::newRow("English stored") << true << "English.lang.txt" << all << "English";
}

void TestLanguageWindow::listsTheLanguagesWithTheLoadedOneChosen() {
    QFETCH(bool, withFolder);
    QFETCH(QString, setting);
    QFETCH(QStringList, items);
    QFETCH(QString, chosen);
    if (withFolder)
        languages(setting);
    else
        QVERIFY(LanguageChoice::initLanguage({}, folder_.filePath(u"missing"_s), QLocale::c()));
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    auto* list = findWidget<QComboBox>(w.get(), "languageList");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    QCOMPARE(shown, items);
    QCOMPARE(list->currentText(), chosen);
    QCOMPARE(w->windowTitle(), setting == u"German.lang.txt" ? u"Sprache"_s : u"Language"_s);
}

void TestLanguageWindow::flagsFollowTheName_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("flag");
    QTest::newRow("English") << "English"
                             << "english";
    QTest::newRow("Hindi") << "Hindi"
                           << "in";
    QTest::newRow("Vietnamese") << "Vietnamese"
                                << "vi";
    QTest::newRow("Abkhazian") << "Abkhazian"
                               << "ab";
    QTest::newRow("letter case counts") << "hindi"
                                        << "xx";
    QTest::newRow("unknown") << "Klingon"
                             << "xx";
    QTest::newRow("empty name") << ""
                                << "xx";
}

void TestLanguageWindow::flagsFollowTheName() {
    QFETCH(QString, language);
    QFETCH(QString, flag);
    QCOMPARE(LanguageWindow::flagName(language), flag);
    // Every picture is there, on a 16 x 16 square with its clear margin.
    const QImage picture = LanguageWindow::flag(language).toImage();
    QCOMPARE(picture.size(), QSize(16, 16));
    QCOMPARE(qAlpha(picture.pixel(8, 0)), 0);
    QCOMPARE(qAlpha(picture.pixel(8, 8)), 255);

    // The list's items carry the same picture name.
    const QString path = folder_.filePath(u"Flags"_s);
    QDir().mkpath(path);
    TestFiles::write(path + u'/' + language + u".lang.txt"_s, "");
    QVERIFY(LanguageChoice::initLanguage({}, path, QLocale::c()));
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    auto* list = findWidget<QComboBox>(w.get(), "languageList");
    const int index = list->findText(language, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY(index >= 0);
    QCOMPARE(list->itemData(index).toString(), flag);
    QDir(path).removeRecursively();
}

void TestLanguageWindow::showsTheTranslators_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two names") << "German" << GermanFile << "Anna Schmidt\nBernd Weber";
    QTest::newRow("English is the maker's") << "English" << QByteArray() << "Brellix";
    QTest::newRow("no entry shows the key") << "French"
                                            << "{Language}Langue\n"_qba
                                            << "INFO:Translated By";
    QTest::newRow("empty entry") << "Klingon"
                                 << "{INFO:Translated By}\n{x}y\n"_qba
                                 << "";
    QTest::newRow("empty parts kept, control characters trimmed")
        << "Czech"
        << "{INFO:Translated By} A\t,,\x01"
           "B ,\xe3\x80\x80"
           "C,\r\n"_qba
        << "A\n\nB\n\u3000C\n";
    QTest::newRow("first entry wins") << "Greek"
                                      << "{INFO:Translated By}X\n{INFO:Translated By}Y\n"_qba
                                      << "X";
    QTest::newRow("file gone") << "Dutch" << QByteArray() << "";
}

void TestLanguageWindow::showsTheTranslators() {
    QFETCH(QString, language);
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    const QString path = languages({});
    const QString name = path + u'/' + language + u".lang.txt"_s;
    if (language != u"English") TestFiles::write(name, file);
    QVERIFY(LanguageChoice::initLanguage({}, path, QLocale::c()));
    if (file.isEmpty()) QFile::remove(name); // listed, then unreadable
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    if (language != u"English") choose(w.get(), language);
    auto* box = findWidget<QPlainTextEdit>(w.get(), "translatorBox");
    QCOMPARE(box->toPlainText(), shown);
    // One short line needs no scroll bars.
    if (!shown.contains(u'\n') && shown.size() < 20) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(!box->horizontalScrollBar()->isVisible());
        QVERIFY(!box->verticalScrollBar()->isVisible());
    }
    QFile::remove(name);
}

void TestLanguageWindow::unchangedChoiceClosesWithoutAsking_data() {
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QStringList>("choices");
    QTest::newRow("only English") << false << QStringList{};
    QTest::newRow("back to the first choice") << true << QStringList{"German", "English"};
}

void TestLanguageWindow::unchangedChoiceClosesWithoutAsking() {
    QFETCH(bool, withFolder);
    QFETCH(QStringList, choices);
    if (withFolder)
        languages({});
    else
        QVERIFY(LanguageChoice::initLanguage({}, folder_.filePath(u"missing"_s), QLocale::c()));
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    for (const QString& choice : choices)
        choose(w.get(), choice);
    findWidget<QPushButton>(w.get(), "okButton")->click();
    QVERIFY(dialogs_.isEmpty());
    QVERIFY(!w->isVisible());
    QCOMPARE(w->result(), int(QDialog::Accepted));
    QCOMPARE(ended_, 0);
}

void TestLanguageWindow::answeringNoKeepsTheWindow() {
    languages({});
    IniStore settings;
    const QString settingsPath = folder_.filePath(u"settings.ini"_s);
    QVERIFY(settings.open(settingsPath));
    std::unique_ptr<LanguageWindow> w(window(settings));
    choose(w.get(), u"German"_s);
    findWidget<QPushButton>(w.get(), "okButton")->click();
    QCOMPARE(dialogs_.size(), 1);
    QCOMPARE(dialogs_[0].kind, Dialogs::Kind::Message);
    QCOMPARE(dialogs_[0].text, u"Restart Application?"_s);
    QCOMPARE(dialogs_[0].title, u"Confirmation"_s);
    QCOMPARE(dialogs_[0].captions, (QStringList{"Yes", "No"}));
    QVERIFY(w->isVisible());
    QCOMPARE(findWidget<QComboBox>(w.get(), "languageList")->currentText(), u"German"_s);
    QCOMPARE(settings.read(u"Settings"_s, u"LanguageFile"_s), QString());
    QVERIFY(!QFile::exists(settingsPath));
    QVERIFY(desktop_.isEmpty());
    QCOMPARE(ended_, 0);
}

void TestLanguageWindow::answeringYesStoresTheChoiceAndRestarts_data() {
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("stored");
    QTest::newRow("German") << QString() << "German"
                            << "German.lang.txt";
    QTest::newRow("back to English") << "German.lang.txt"
                                     << "English"
                                     << "English.lang.txt";
}

void TestLanguageWindow::answeringYesStoresTheChoiceAndRestarts() {
    QFETCH(QString, loaded);
    QFETCH(QString, choice);
    QFETCH(QString, stored);
    languages(loaded);
    const QString data = folder_.filePath(u"data"_s);
    QDir().mkpath(data);
    const QString script = data + u"/start.sh"_s;
    TestFiles::write(script, "an older, longer script that must go\n");
    IniStore settings;
    QVERIFY(settings.open(data + u"/settings.ini"_s));
    answer_ = QString::number(Dialogs::Yes);

    std::unique_ptr<LanguageWindow> w(window(settings, data));
    choose(w.get(), choice);
    findWidget<QPushButton>(w.get(), "okButton")->click();

    QCOMPARE(dialogs_.size(), 1);
    IniStore reread;
    QVERIFY(reread.open(data + u"/settings.ini"_s));
    QCOMPARE(reread.read(u"Settings"_s, u"LanguageFile"_s), stored);
    QCOMPARE(TestFiles::read(script),
             RestartScript::contents(QCoreApplication::applicationFilePath(), QDir::currentPath()));
    QCOMPARE(desktop_.size(), 1);
    QCOMPARE(desktop_[0].kind, Desktop::Request::Kind::StartProgram);
    QCOMPARE(desktop_[0].program, u"/bin/sh"_s);
    QCOMPARE(desktop_[0].arguments, QStringList{script});
    QCOMPARE(desktop_[0].workingDirectory, data);
    QCOMPARE(ended_, 1);
    QDir(data).removeRecursively();
}

void TestLanguageWindow::failedScriptShowsTheErrorAndKeepsTheWindow() {
    languages({});
    IniStore settings;
    QVERIFY(settings.open(folder_.filePath(u"settings.ini"_s)));
    // A data folder that is a file: nothing can be created in it.
    const QString notAFolder = folder_.filePath(u"plain-file"_s);
    TestFiles::write(notAFolder, "x");
    answer_ = QString::number(Dialogs::Yes);

    std::unique_ptr<LanguageWindow> w(window(settings, notAFolder));
    choose(w.get(), u"German"_s);
    findWidget<QPushButton>(w.get(), "okButton")->click();

    QCOMPARE(dialogs_.size(), 2);
    QCOMPARE(dialogs_[1].kind, Dialogs::Kind::Error);
    QVERIFY2(dialogs_[1].text.contains(u"start.sh"_s), qPrintable(dialogs_[1].text));
    QVERIFY(w->isVisible());
    QVERIFY(desktop_.isEmpty());
    QCOMPARE(ended_, 0);
    QFile::remove(folder_.filePath(u"settings.ini"_s));
}

void TestLanguageWindow::failedWritesSpeakTheLoadedLanguage_data() {
    QTest::addColumn<QString>("settingsFile"); // below the test's folder
    QTest::addColumn<QString>("dataFolder");   // below the test's folder
    QTest::addColumn<QString>("failing");      // the file the message names
    QTest::newRow("settings") << "gone/settings.ini"
                              << ""
                              << "gone/settings.ini";
    // A data folder that is a file: the script cannot be created in it.
    QTest::newRow("restart script") << "settings.ini"
                                    << "plain-file"
                                    << "plain-file/start.sh";
}

void TestLanguageWindow::failedWritesSpeakTheLoadedLanguage() {
    QFETCH(QString, settingsFile);
    QFETCH(QString, dataFolder);
    QFETCH(QString, failing);
    languages({});
    QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/German.lang.txt")));
    IniStore settings;
    QVERIFY(settings.open(folder_.filePath(settingsFile)));
    if (!dataFolder.isEmpty()) TestFiles::write(folder_.filePath(dataFolder), "x");
    const auto remove = qScopeGuard([&] {
        QFile::remove(folder_.filePath(u"settings.ini"_s));
        if (!dataFolder.isEmpty()) QFile::remove(folder_.filePath(dataFolder));
    });
    answer_ = QString::number(Dialogs::Yes);

    std::unique_ptr<LanguageWindow> w(
        window(settings, dataFolder.isEmpty() ? QString() : folder_.filePath(dataFolder)));
    choose(w.get(), u"German"_s);
    findWidget<QPushButton>(w.get(), "okButton")->click();

    QCOMPARE(dialogs_.size(), 2);
    QCOMPARE(dialogs_[1].kind, Dialogs::Kind::Error);
    const QString expected =
        u"Die Datei „%1“ kann nicht erstellt werden. "_s.arg(folder_.filePath(failing));
    QVERIFY2(dialogs_[1].text.startsWith(expected), qPrintable(dialogs_[1].text));
    QVERIFY(w->isVisible());
    QCOMPARE(ended_, 0);
}

void TestLanguageWindow::scriptBytes_data() {
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<QByteArray>("changeFolder");
    QTest::newRow("folder") << u"/home/\u00fcser/it's `here`"_s
                            << "cd '/home/\xc3\xbcser/it'\\''s `here`' 2>/dev/null || cd\n"_qba;
    // The folder was gone already when the script was written.
    QTest::newRow("unknown folder") << QString() << "cd\n"_qba;
}

void TestLanguageWindow::scriptBytes() {
    QFETCH(QString, workingFolder);
    QFETCH(QByteArray, changeFolder);
    QCOMPARE(RestartScript::contents(u"/opt/my dir/it's $HOME/lexometer\u00fc"_s, workingFolder),
             "#!/bin/sh\n"
             "# This file was created automatically to restart the program.\n"
             "# It is safe to delete this file.\n"
             "sleep 1\n"_qba +
                 changeFolder + "exec '/opt/my dir/it'\\''s $HOME/lexometer\xc3\xbc'\n"_qba);
}

void TestLanguageWindow::scriptStartsTheProgramInItsFolder_data() {
    QTest::addColumn<QString>("workingFolder"); // below the test's folder; empty: unknown
    QTest::addColumn<bool>("removed");          // the folder is gone when the script runs
    QTest::addColumn<QString>("ranIn");         // below the test's folder
    QTest::newRow("started from a folder")
        << u"start 'from' $HOME"_s << false << u"start 'from' $HOME"_s;
    QTest::newRow("folder gone since") << u"start 'from' $HOME"_s << true << u"home"_s;
    QTest::newRow("folder unknown") << QString() << false << u"home"_s;
}

void TestLanguageWindow::scriptStartsTheProgramInItsFolder() {
    QFETCH(QString, workingFolder);
    QFETCH(bool, removed);
    QFETCH(QString, ranIn);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir base(root.path());
    QVERIFY(base.mkpath(u"data"_s) && base.mkpath(u"home"_s) && base.mkpath(u"it's here"_s));
    const QString start = workingFolder.isEmpty() ? QString() : base.filePath(workingFolder);
    if (!start.isEmpty()) QVERIFY(base.mkpath(workingFolder));

    // A stand-in for the program that notes where it runs.
    const QString program = base.filePath(u"it's here/lexometer"_s);
    const QString note = base.filePath(u"ran-in.txt"_s);
    TestFiles::write(program, "#!/bin/sh\npwd > \"$NOTE\"\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QString script;
    QVERIFY(RestartScript::write(base.filePath(u"data"_s), program, start, &script));
    if (removed) QVERIFY(QDir(start).removeRecursively());

    // As the language window starts it: from the data folder.
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, base.filePath(u"home"_s));
    environment.insert(u"NOTE"_s, note);
    shell.setProcessEnvironment(environment);
    shell.setWorkingDirectory(base.filePath(u"data"_s));
    shell.start(u"/bin/sh"_s, {script});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(TestFiles::read(note)).trimmed(), base.filePath(ranIn));
}

void TestLanguageWindow::escapeCloses_data() {
    QTest::addColumn<QByteArray>("widget");
    QTest::newRow("list") << "languageList"_qba;
    QTest::newRow("button") << "okButton"_qba;
    QTest::newRow("translator box") << "translatorBox"_qba;
}

void TestLanguageWindow::escapeCloses() {
    QFETCH(QByteArray, widget);
    languages({});
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    choose(w.get(), u"German"_s);
    QTest::keyClick(findWidget<QWidget>(w.get(), widget.constData()), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->result(), int(QDialog::Rejected));
    QVERIFY(dialogs_.isEmpty());
    QCOMPARE(settings.read(u"Settings"_s, u"LanguageFile"_s), QString());
}

void TestLanguageWindow::contributeOpensTheTranslationPage() {
    languages({});
    IniStore settings;
    std::unique_ptr<LanguageWindow> w(window(settings));
    auto* link = findWidget<QLabel>(w.get(), "contributeLink");
    QCOMPARE(link->toolTip(), u"http://www.brellix.com/translation/"_s);
    QVERIFY(link->text().contains(u"Contribute to Translation"_s));
    emit link->linkActivated(link->toolTip());
    QCOMPARE(desktop_.size(), 1);
    QCOMPARE(desktop_[0].kind, Desktop::Request::Kind::OpenUrl);
    QCOMPARE(desktop_[0].url, QUrl(u"http://www.brellix.com/translation/"_s));
}

void TestLanguageWindow::qtTextsFollowTheLanguage() {
    const QString shipped = QStringLiteral(LEXO_SOURCE_DIR "/Languages");
    QCOMPARE(QtTranslation::localeOf(shipped, u"hebrew.lang.txt"_s).name(), u"he_IL"_s);
    const QLocale chinese = QtTranslation::localeOf(shipped, u"ChineseSimplified.lang.txt"_s);
    QCOMPARE(chinese.language(), QLocale::Chinese);
    QCOMPARE(chinese.script(), QLocale::SimplifiedHanScript);
    QCOMPARE(chinese.territory(), QLocale::China);
    QCOMPARE(QtTranslation::localeOf(shipped, u"Klingon.lang.txt"_s), QLocale::c());

    QVERIFY(QtTranslation::install(shipped, u"German.lang.txt"_s));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Ja"_s);
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);

    QVERIFY(QtTranslation::install(shipped, u"Hebrew.lang.txt"_s));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&\u05db\u05df"_s);
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::RightToLeft);

    QtTranslation::uninstall();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Yes"_s);
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
}

QTEST_MAIN(TestLanguageWindow)
#include "tst_languagewindow.moc"
