#include "analysis/engine/wordcharacterpresets.h"
#include "analysis/ui/batch/batchwindow.h"
#include "analysis/ui/results/resultswindow.h"
#include "envguard.h"
#include "localization/qttranslation.h"
#include "localization/translation.h"
#include "shell/programarguments.h"
#include "shell/ui/mainwindow.h"
#include "testfiles.h"
#include "testpdf.h"
#include "testservice.h"
#include "text/inistore.h"
#include "widgetlookup.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

#include "shell/ui/texteditor.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace {

TextEditor* editorOf(const MainWindow* form) {
    return findWidget<TextEditor>(form, "editor");
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        requests.clear();
        Dialogs::setHandler([this](const Dialogs::Request& r) {
            requests << r;
            return QString();
        });
    }
    void cleanup() { Dialogs::setHandler({}); }

    void analyzeRefusesBlankText_data();
    void analyzeRefusesBlankText();
    void analyzeOpensAResultsWindow();
    void largeTextIsHandedOverWhole();
    void keyboardStartsInTheEditor();
    void secondResultsWindowMovesOn();
    void openDialogStartsInTheLastFolder();
    void wordCharacterBoxShowsFiveLines();
    void presetsFillTheWordCharacterBox_data();
    void presetsFillTheWordCharacterBox();
    void startUpStopsAtTheFailingStep();
    void sizeLine_data();
    void sizeLine();
    void onlineHelpAddress();
    void titleFromTheVersionInformation();
    void savedSettingsApplied_data();
    void savedSettingsApplied();
    void resetToDefaults_data();
    void resetToDefaults();
    void resetWithoutDataFolderDeletesNothing();
    void pdfEngineChoice_data();
    void pdfEngineChoice();
    void wordCharacterFileFollowsTheBox();
    void languageFromTheSettings();
    void qtTextsFollowTheLanguage();
    void rightToLeftLanguageMirrorsTheWindows();
    void languageWindowOpens();
    void aboutWindowOpens();
    void feedbackWindowOpens();
    void updateCheckEnablesItsMenuItem();
    void closingDuringACheckEndsAtOnce();
    void commandLineFilesLoad_data();
    void commandLineFilesLoad();
    void fileErrorsSpeakTheLoadedLanguage_data();
    void fileErrorsSpeakTheLoadedLanguage();

private:
    QList<Dialogs::Request> requests;
};

void TestMainWindow::analyzeRefusesBlankText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("wordCharacters");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty editor") << ""
                                  << "abc"
                                  << "No text to analyze!";
    QTest::newRow("blank editor") << " \t\r\n "
                                  << "abc"
                                  << "No text to analyze!";
    QTest::newRow("blank word characters") << "some text"
                                           << " \n\t"
                                           << "Please enter word characters!";
}

void TestMainWindow::analyzeRefusesBlankText() {
    QFETCH(QString, text);
    QFETCH(QString, wordCharacters);
    QFETCH(QString, message);
    MainWindow form;
    form.show();
    editorOf(&form)->setText(text);
    findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->setPlainText(wordCharacters);
    form.analyze();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Message);
    QCOMPARE(requests[0].text, message);
    QCOMPARE(requests[0].title, QStringLiteral("Warning"));
    QCOMPARE(requests[0].captions, QStringList{QStringLiteral("OK")});
    QVERIFY(form.findChildren<ResultsWindow*>().isEmpty());
    if (message.startsWith(QLatin1String("Please"))) {
        QVERIFY(findWidget<QCheckBox>(&form, "customizeBox")->isChecked());
        QVERIFY(findWidget<QWidget>(&form, "wordCharactersPanel")->isVisible());
    }
}

void TestMainWindow::largeTextIsHandedOverWhole() {
    // Large texts go over through memory prepared on a helper thread; the
    // editor takes no edits until the copy is made.
    MainWindow form;
    QString text;
    for (int i = 0; text.size() < 5 << 20; ++i)
        text += QStringLiteral("line %1 of a long text\n").arg(i);
    const qsizetype lineCount = text.count(u'\n');
    editorOf(&form)->setText(text);
    form.analyze();
    QVERIFY(editorOf(&form)->isReadOnly());
    ResultsWindow* window = form.findChild<ResultsWindow*>();
    QVERIFY(window);
    QSignalSpy finished(window, &ResultsWindow::analysisFinished);
    QVERIFY(finished.wait(30000));
    QVERIFY(!editorOf(&form)->isReadOnly());
    // The lines and an empty last one after the final break.
    QCOMPARE(window->results()->text.count(), lineCount + 1);
    QCOMPARE(window->results()->overview.totalLines, std::uint64_t(lineCount));
}

void TestMainWindow::analyzeOpensAResultsWindow() {
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("a\nb\n"));
    findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")
        ->setPlainText(QStringLiteral("ab\n\ncd"));
    form.analyze();
    form.analyze(); // every press opens one more window
    const QList<ResultsWindow*> windows = form.findChildren<ResultsWindow*>();
    QCOMPARE(windows.size(), 2);
    ResultsWindow* window = windows.first();
    QVERIFY(window->isVisible());
    QCOMPARE(form.wordCharacters(), QStringLiteral("abcd"));
    QSignalSpy finished(window, &ResultsWindow::analysisFinished);
    QVERIFY(finished.wait(5000));
    // The editor's lines: 'a', 'b' and an empty last line, no final break.
    const TextLines& lines = window->results()->text;
    QCOMPARE(lines.count(), 3);
    QVERIFY(!lines.trailingBreak());
    QCOMPARE(lines.textLength(), 6);
    QCOMPARE(window->results()->overview.totalLines, 2u);
    QVERIFY(requests.isEmpty());
}

// The Open dialog starts where the last file was loaded or saved in this
// run, not in the working folder.
void TestMainWindow::openDialogStartsInTheLastFolder() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("texts")));
    const QString text = dir.filePath(QStringLiteral("texts/one.txt"));
    TestFiles::write(text, "first");
    MainWindow form;
    QStringList folders;
    QString answer = text;
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        if (r.kind == Dialogs::Kind::OpenFile) folders << r.folder;
        return std::exchange(answer, QString());
    });
    const auto restore = qScopeGuard([] { Dialogs::setHandler({}); });
    form.openFile();
    form.openFile();
    QCOMPARE(folders.size(), 2);
    QCOMPARE(folders[1], dir.filePath(QStringLiteral("texts")));
    QCOMPARE(editorOf(&form)->text(), QStringLiteral("first"));
}

// A second results window moves on from the first by the cascade's step
// instead of hiding exactly behind it.
void TestMainWindow::secondResultsWindowMovesOn() {
    MainWindow form;
    form.resize(300, 200);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    editorOf(&form)->setText(QStringLiteral("a b"));
    form.analyze();
    form.analyze();
    const QList<ResultsWindow*> windows = form.findChildren<ResultsWindow*>();
    QCOMPARE(windows.size(), 2);
    const int step = Placement::scaledDimension(20, form.screen()->logicalDotsPerInch());
    QCOMPARE(windows[1]->pos(), windows[0]->pos() + QPoint(step, step));
}

// Typing right after start goes into the editor, and a click on a button
// leaves the keyboard where it was.
void TestMainWindow::keyboardStartsInTheEditor() {
    MainWindow form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form) || form.isVisible());
    QCOMPARE(form.focusWidget(), static_cast<QWidget*>(editorOf(&form)));
    for (const char* name : {"loadButton", "analyzeButton"})
        QCOMPARE(findWidget<QPushButton>(&form, name)->focusPolicy(), Qt::TabFocus);
    QTest::keyClicks(editorOf(&form), QStringLiteral("hello world"));
    QCOMPARE(editorOf(&form)->text(), QStringLiteral("hello world"));
}

// The word-character box shows the five lines of the longest presets.
void TestMainWindow::wordCharacterBoxShowsFiveLines() {
    MainWindow form;
    form.showWordCharacters(true);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* box = findWidget<QPlainTextEdit>(&form, "wordCharactersEdit");
    const int lineSpacing = QFontMetrics(box->font()).lineSpacing();
    QVERIFY2(
        box->viewport()->height() >= 5 * lineSpacing,
        qPrintable(QStringLiteral("%1 < %2").arg(box->viewport()->height()).arg(5 * lineSpacing)));
}

void TestMainWindow::presetsFillTheWordCharacterBox_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("preset");
    QTest::newRow("English") << "englishPresetButton" << int(WordCharacterPresets::English);
    QTest::newRow("French") << "frenchPresetButton" << int(WordCharacterPresets::French);
    QTest::newRow("Turkish") << "turkishPresetButton" << int(WordCharacterPresets::Turkish);
    QTest::newRow("Russian") << "russianPresetButton" << int(WordCharacterPresets::Russian);
    QTest::newRow("Hebrew") << "hebrewPresetButton" << int(WordCharacterPresets::Hebrew);
}

void TestMainWindow::presetsFillTheWordCharacterBox() {
    QFETCH(QString, button);
    QFETCH(int, preset);
    MainWindow form;
    findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->setPlainText(QStringLiteral("xyz"));
    const bool panelShown = findWidget<QCheckBox>(&form, "customizeBox")->isChecked();
    QTest::mouseClick(findWidget<QPushButton>(&form, qPrintable(button)), Qt::LeftButton);
    const QStringList lines = WordCharacterPresets::lines(WordCharacterPresets::Preset(preset));
    QCOMPARE(findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->toPlainText(),
             lines.join(u'\n'));
    QCOMPARE(form.wordCharacters(), lines.join(QString()));
    QCOMPARE(findWidget<QCheckBox>(&form, "customizeBox")->isChecked(), panelShown);
}

void TestMainWindow::startUpStopsAtTheFailingStep() {
    MainWindow form;
    QStringList ran;
    form.startUp({{"one", [&] { ran << "one"; }},
                  {"two", [&] { throw std::runtime_error("Cannot open the settings"); }},
                  {"three", [&] { ran << "three"; }}});
    QCOMPARE(ran, QStringList{QStringLiteral("one")});
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Error);
    QCOMPARE(requests[0].text, QStringLiteral("Cannot open the settings."));
    QCOMPARE(requests[0].title, QStringLiteral("Lexometer"));
    // The window works all the same.
    editorOf(&form)->setText(QStringLiteral("one two"));
    form.analyze();
    QCOMPARE(form.findChildren<ResultsWindow*>().size(), 1);
}

void TestMainWindow::sizeLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << ""
                           << "File Size: 0 bytes";
    QTest::newRow("two lines") << "a\nb"
                               << "File Size: 4 bytes";
    QTest::newRow("final break") << "a\nb\n"
                                 << "File Size: 6 bytes";
    QTest::newRow("thousands") << QString(1234, u'x') << "File Size: 1,234 bytes";
}

void TestMainWindow::sizeLine() {
    QFETCH(QString, text);
    QFETCH(QString, line);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    MainWindow form;
    form.startUp(form.programSteps());
    editorOf(&form)->setText(text);
    // Edits are counted once control is back in the event loop.
    QTRY_COMPARE(findWidget<QStatusBar>(&form, "statusBar")->findChild<QLabel*>()->text(), line);
}

void TestMainWindow::onlineHelpAddress() {
    QCOMPARE(MainWindow::onlineHelpAddress(QStringLiteral("Lexometer")),
             QStringLiteral("http://www.brellix.com/help/lexometer/"));
    QCOMPARE(MainWindow::onlineHelpAddress(QStringLiteral("Text Lexometer Pro")),
             QStringLiteral("http://www.brellix.com/help/text-lexometer-pro/"));
    MainWindow form;
    form.startUp(form.programSteps());
    QList<Desktop::Request> opened;
    Desktop::setHandler([&](const Desktop::Request& r) {
        opened << r;
        return true;
    });
    auto restore = qScopeGuard([] { Desktop::setHandler({}); });
    findWidget<QAction>(&form, "onlineHelpAction")->trigger();
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened[0].url, QUrl("http://www.brellix.com/help/lexometer/"));
    QCOMPARE(findWidget<QAction>(&form, "onlineHelpAction")->shortcut(), QKeySequence(Qt::Key_F1));
}

void TestMainWindow::titleFromTheVersionInformation() {
    MainWindow form;
    form.startUp(form.programSteps());
    QVERIFY(requests.isEmpty());
    QCOMPARE(form.companyName(), QStringLiteral("BRELLIX"));
    QCOMPARE(form.productName(), QStringLiteral("Lexometer"));
    QCOMPARE(form.appVersion(), QStringLiteral("4.0"));
    QCOMPARE(form.windowTitle(), QStringLiteral("BRELLIX - Lexometer"));
}

namespace {

// A copy of this test program in a folder of its own, which becomes the
// data folder.
QString programCopy(const QTemporaryDir& dir) {
    const QString copy = dir.filePath(QStringLiteral("lexometer"));
    QFile::copy(QCoreApplication::applicationFilePath(), copy);
    return copy;
}

} // namespace

void TestMainWindow::savedSettingsApplied_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("lineNumbers");
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<bool>("xpdf");
    QTest::newRow("none") << QByteArray() << true << false << false;
    QTest::newRow("all set")
        << QByteArray("[Settings]\nShowLineNumbers=OFF\nWordWrap=ON\nPdfEngine=Xpdf\n") << false
        << true << true;
    QTest::newRow("values are exact")
        << QByteArray("[Settings]\nShowLineNumbers=off\nWordWrap=on\nPdfEngine=xpdf\n") << true
        << false << false;
}

void TestMainWindow::savedSettingsApplied() {
    QFETCH(QByteArray, settings);
    QFETCH(bool, lineNumbers);
    QFETCH(bool, wordWrap);
    QFETCH(bool, xpdf);
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    if (!settings.isEmpty()) TestFiles::write(dir.filePath("settings.ini"), settings);
    MainWindow form;
    form.startUp(form.programSteps(program));
    QVERIFY(requests.isEmpty());
    QCOMPARE(form.dataFolder(), dir.path() + "/");
    QCOMPARE(findWidget<QAction>(&form, "lineNumbersAction")->isChecked(), lineNumbers);
    QCOMPARE(editorOf(&form)->marginWidth(0) > 0, lineNumbers);
    QCOMPARE(findWidget<QAction>(&form, "wordWrapAction")->isChecked(), wordWrap);
    QCOMPARE(findWidget<QAction>(&form, "xpdfAction")->isChecked(), xpdf);
    QCOMPARE(findWidget<QAction>(&form, "pdfiumAction")->isChecked(), !xpdf);
    QVERIFY(!findWidget<QCheckBox>(&form, "customizeBox")->isChecked());
    // A change is saved at once.
    findWidget<QAction>(&form, "wordWrapAction")->trigger();
    IniStore saved;
    QVERIFY(saved.open(dir.filePath("settings.ini")));
    QCOMPARE(saved.read("Settings", "WordWrap"), wordWrap ? QString("OFF") : QString("ON"));
}

void TestMainWindow::resetToDefaults_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("restarted");
    QTest::newRow("yes") << "6" << true;
    QTest::newRow("no") << "7" << false;
}

void TestMainWindow::resetToDefaults() {
    QFETCH(QString, answer);
    QFETCH(bool, restarted);
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    TestFiles::write(dir.filePath("wordletters.txt"), "xyz");
    TestFiles::write(dir.filePath("settings.ini"), "[Settings]\nWordWrap=ON\n");
    MainWindow form;
    form.startUp(form.programSteps(program));
    // The word characters came from the file, which shows the panel.
    QCOMPARE(findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->toPlainText(),
             QStringLiteral("xyz"));
    QVERIFY(findWidget<QCheckBox>(&form, "customizeBox")->isChecked());
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return answer;
    });
    QString started;
    Desktop::setHandler([&](const Desktop::Request& r) {
        started = r.program;
        return true;
    });
    auto restore = qScopeGuard([] { Desktop::setHandler({}); });
    findWidget<QAction>(&form, "resetAction")->trigger();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].text, QStringLiteral("Restart Application?"));
    QCOMPARE(requests[0].captions, (QStringList{"Yes", "No"}));
    QCOMPARE(requests[0].title, QStringLiteral("Confirmation"));
    QCOMPARE(!started.isEmpty(), restarted);
    QCOMPARE(QFile::exists(dir.filePath("settings.ini")), !restarted);
    QCOMPARE(QFile::exists(dir.filePath("wordletters.txt")), !restarted);
}

void TestMainWindow::resetWithoutDataFolderDeletesNothing() {
    // Start-up failed before the data folder was decided: the working
    // folder's files of the same names are not ours to delete.
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("settings.ini"), "[Settings]\nWordWrap=ON\n");
    TestFiles::write(dir.filePath("wordletters.txt"), "xyz");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
    MainWindow form;
    form.startUp({{"version information", [] { throw std::runtime_error("no version block"); }}});
    QCOMPARE(form.dataFolder(), QString());
    requests.clear();
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        return QStringLiteral("6"); // Yes, should it be asked
    });
    bool started = false;
    Desktop::setHandler([&](const Desktop::Request&) { return started = true; });
    auto restore = qScopeGuard([] { Desktop::setHandler({}); });
    findWidget<QAction>(&form, "resetAction")->trigger();
    QVERIFY(QFile::exists(dir.filePath("settings.ini")));
    QVERIFY(QFile::exists(dir.filePath("wordletters.txt")));
    QVERIFY(!started);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::Error);
    QVERIFY2(requests[0].text.contains(QStringLiteral("Nothing was reset")),
             qPrintable(requests[0].text));
}

void TestMainWindow::pdfEngineChoice_data() {
    QTest::addColumn<bool>("toolPresent");
    QTest::newRow("tool present") << true;
    QTest::newRow("tool missing") << false;
}

void TestMainWindow::pdfEngineChoice() {
    QFETCH(bool, toolPresent);
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    const QString tool = dir.filePath(QStringLiteral("xpdf/pdftotext"));
    if (toolPresent) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("xpdf")));
        TestFiles::write(tool, "#!/bin/sh\n");
    }
    MainWindow form;
    form.startUp(form.programSteps(program));
    QCOMPARE(form.pdfToolPath(), tool);
    auto* pdfium = findWidget<QAction>(&form, "pdfiumAction");
    auto* xpdf = findWidget<QAction>(&form, "xpdfAction");
    xpdf->trigger();
    QCOMPARE(xpdf->isChecked(), toolPresent);
    QCOMPARE(pdfium->isChecked(), !toolPresent);
    IniStore ini;
    ini.open(dir.filePath("settings.ini"));
    QCOMPARE(ini.read("Settings", "PdfEngine"), toolPresent ? QStringLiteral("Xpdf") : QString());
    if (toolPresent) {
        QVERIFY(requests.isEmpty());
        pdfium->trigger();
        QVERIFY(pdfium->isChecked());
        ini.open(dir.filePath("settings.ini"));
        QCOMPARE(ini.read("Settings", "PdfEngine"), QStringLiteral("PDFium"));
    } else {
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].kind, Dialogs::Kind::Message);
        QCOMPARE(requests[0].title, QStringLiteral("Warning"));
        QCOMPARE(requests[0].text, QStringLiteral("File not found!\n\n") + tool);
        QCOMPARE(requests[0].captions, QStringList{"OK"});
    }
}

void TestMainWindow::wordCharacterFileFollowsTheBox() {
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    const QString file = dir.filePath(QStringLiteral("wordletters.txt"));
    // Written by another editor as UTF-16: loaded, then rewritten as UTF-8.
    TestFiles::write(file, QByteArray("\xFF\xFE"
                                      "a\0b\0\r\0\n\0c\0",
                                      12));
    MainWindow form;
    form.startUp(form.programSteps(program));
    QCOMPARE(findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->toPlainText(),
             QStringLiteral("ab\nc"));
    QVERIFY(findWidget<QCheckBox>(&form, "customizeBox")->isChecked());
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                     "ab\r\nc"));
    f.close();

    findWidget<QPushButton>(&form, "frenchPresetButton")
        ->click(); // French: the file holds the preset
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(
        QString::fromUtf8(f.readAll().mid(3)),
        WordCharacterPresets::lines(WordCharacterPresets::French).join(QStringLiteral("\r\n")));
    f.close();
    findWidget<QPushButton>(&form, "englishPresetButton")->click(); // English: no file
    QVERIFY(!QFile::exists(file));
    findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->setPlainText(QStringLiteral("xy"));
    QVERIFY(QFile::exists(file));
    findWidget<QPlainTextEdit>(&form, "wordCharactersEdit")->clear(); // emptied: no file
    QVERIFY(!QFile::exists(file));
}

void TestMainWindow::languageFromTheSettings() {
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    QDir(dir.path()).mkdir(QStringLiteral("Languages"));
    TestFiles::write(dir.filePath(QStringLiteral("Languages/Test.lang.txt")),
                     "{Analyze}Analysieren\n{Language}Sprache\n{PDFium}Nein\n{File}Datei\n");
    TestFiles::write(dir.filePath(QStringLiteral("settings.ini")),
                     "[Settings]\nLanguageFile=Test.lang.txt\n");
    MainWindow form;
    form.startUp(form.programSteps(program));
    const auto reset = qScopeGuard([] { Translation::reset(); });
    QVERIFY(requests.isEmpty());
    QCOMPARE(findWidget<QPushButton>(&form, "analyzeButton")->text(),
             QStringLiteral("Analysieren"));
    QCOMPARE(findWidget<QMenu>(&form, "fileMenu")->title(), QStringLiteral("Datei"));
    // Looked up without the dots, which are added afterwards.
    QCOMPARE(findWidget<QAction>(&form, "languageAction")->text(), QStringLiteral("Sprache..."));
    QCOMPARE(findWidget<QAction>(&form, "aboutAction")->text(), QStringLiteral("About..."));
    // Never translated.
    QCOMPARE(findWidget<QAction>(&form, "pdfiumAction")->text(), QStringLiteral("PDFium"));
}

void TestMainWindow::qtTextsFollowTheLanguage() {
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    QDir(dir.path()).mkdir(QStringLiteral("Languages"));
    TestFiles::write(dir.filePath(QStringLiteral("Languages/German.lang.txt")),
                     "{Analyze}Analysieren\n");
    TestFiles::write(dir.filePath(QStringLiteral("Languages/LanguageCodes.csv")),
                     "1031,German.lang.txt\n");
    TestFiles::write(dir.filePath(QStringLiteral("settings.ini")),
                     "[Settings]\nLanguageFile=German.lang.txt\n");
    MainWindow form;
    form.startUp(form.programSteps(program));
    const auto reset = qScopeGuard([] {
        QtTranslation::uninstall();
        Translation::reset();
    });
    QVERIFY(requests.isEmpty());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
}

// The windows are laid out from the right for a right-to-left language by
// its locale, also one that Qt has no translation of (Urdu); the editor's
// frame stays as QScintilla lays it out, its gutter on the left.
void TestMainWindow::rightToLeftLanguageMirrorsTheWindows() {
    QTemporaryDir dir;
    const QString program = programCopy(dir);
    QDir(dir.path()).mkdir(QStringLiteral("Languages"));
    TestFiles::write(dir.filePath(QStringLiteral("Languages/Urdu.lang.txt")),
                     "{Analyze}\xd8\xaa\xd8\xac\xd8\xb2\xdb\x8c\xdb\x81\n");
    TestFiles::write(dir.filePath(QStringLiteral("Languages/LanguageCodes.csv")),
                     "1056,Urdu.lang.txt\n");
    TestFiles::write(dir.filePath(QStringLiteral("settings.ini")),
                     "[Settings]\nLanguageFile=Urdu.lang.txt\n");
    const auto reset = qScopeGuard([] {
        QtTranslation::uninstall();
        Translation::reset();
        QApplication::setLayoutDirection(Qt::LeftToRight);
    });
    MainWindow form;
    form.startUp(form.programSteps(program));
    QVERIFY(requests.isEmpty());
    QCOMPARE(QApplication::layoutDirection(), Qt::RightToLeft);
    QCOMPARE(form.layoutDirection(), Qt::RightToLeft);
    QCOMPARE(findWidget<QWidget>(&form, "editor")->layoutDirection(), Qt::LeftToRight);
}

void TestMainWindow::languageWindowOpens() {
    MainWindow form;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    findWidget<QAction>(&form, "languageAction")->trigger();
    QCOMPARE(shown, QStringLiteral("LanguageWindow"));
}

void TestMainWindow::aboutWindowOpens() {
    MainWindow form;
    form.startUp(form.programSteps());
    QString caption;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            caption = modal->windowTitle();
            modal->close();
        }
    });
    findWidget<QAction>(&form, "aboutAction")->trigger();
    // The product name comes from the version information.
    QCOMPARE(caption, QStringLiteral("About Lexometer"));
}

void TestMainWindow::feedbackWindowOpens() {
    MainWindow form;
    form.startUp(form.programSteps());
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    findWidget<QAction>(&form, "feedbackAction")->trigger();
    QCOMPARE(shown, QStringLiteral("FeedbackWindow"));
}

void TestMainWindow::updateCheckEnablesItsMenuItem() {
    // A service that is not there: both attempts fail at once, and nothing
    // leaves the machine.
    QTemporaryDir config;
    const EnvGuard configGuard("XDG_CONFIG_HOME"), hostGuard("LEXOMETER_SERVICE_HOST");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("LEXOMETER_SERVICE_HOST", "127.0.0.1:1");
    {
        MainWindow form;
        form.startUp(form.programSteps());
        auto* item = findWidget<QAction>(&form, "updateNotificationsAction");
        QVERIFY(!item->isEnabled());
        form.startUpdateCheck();
        QTRY_VERIFY_WITH_TIMEOUT(item->isEnabled(), 10000);
        QVERIFY(item->isChecked());
        QVERIFY(QFile::exists(config.filePath("BRELLIX/Lexometer/update.ini")));
    }
    QVERIFY(requests.isEmpty()); // nothing of the check is ever shown
}

void TestMainWindow::closingDuringACheckEndsAtOnce() {
    TestService service;
    QVERIFY2(service.isListening(), qPrintable(service.errorString()));
    TestService::Reply silent;
    silent.kind = TestService::Reply::Kind::Silent;
    service.setDefaultReply(silent);
    QTemporaryDir config;
    const EnvGuard configGuard("XDG_CONFIG_HOME"), hostGuard("LEXOMETER_SERVICE_HOST"),
        caGuard("LEXOMETER_CA_FILE");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("LEXOMETER_SERVICE_HOST", service.hostAndPort().toLatin1());
    qputenv("LEXOMETER_CA_FILE", TestService::caFile().toLocal8Bit());
    auto form = std::make_unique<MainWindow>();
    form->startUp(form->programSteps());
    form->startUpdateCheck();
    // The service has the request and keeps the check waiting for its answer.
    QTRY_COMPARE_WITH_TIMEOUT(service.requests().size(), 1, 10000);
    QElapsedTimer clock;
    clock.start();
    form->close();
    form.reset();
    // Well within the check's own ten-second wait for an answer.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestMainWindow::commandLineFilesLoad_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failed"); // what the error box says, %1 the folder; if any
    QTest::newRow("one file") << QStringList{"one.txt"} << "first"
                              << "";
    QTest::newRow("two files") << QStringList{"one.txt", "two.txt"} << "second"
                               << "";
    QTest::newRow("a PDF") << QStringList{"one.txt", "page.pdf"} << "PDF page"
                           << "";
    QTest::newRow("a missing file") << QStringList{"one.txt", "missing.txt", "two.txt"} << "first"
                                    << "\"%1/missing.txt\"";
    // A page tree that holds itself spins the engine for ever.
    QTest::newRow("a PDF that hangs the engine")
        << QStringList{"one.txt", "loop.pdf"} << "first"
        << "Converting the PDF took too long and was abandoned.";
}

void TestMainWindow::commandLineFilesLoad() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QFETCH(QString, failed);
    QTemporaryDir dir;
    TestFiles::write(dir.filePath("one.txt"), "first");
    TestFiles::write(dir.filePath("two.txt"), "second");
    TestFiles::write(dir.filePath("page.pdf"), TestPdf::makePdf({"PDF page"}));
    TestFiles::write(dir.filePath("loop.pdf"), TestPdf::makeLoopingPdf());
    // Names as a shell passes them, relative to its folder.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    arguments.prepend(QStringLiteral("lexometer"));
    const ProgramArguments::Parsed parsed = ProgramArguments::parse(arguments);
    QVERIFY(QDir::setCurrent(before));

    MainWindow form;
    std::vector<MainWindow::Step> moduleOnly;
    for (const MainWindow::Step& step : form.programSteps())
        if (step.name == QLatin1String("PDF module")) moduleOnly.push_back(step);
    QCOMPARE(moduleOnly.size(), std::size_t(1));
    form.startUp(moduleOnly);
    form.pdfEngines().setStepTimeLimit(std::chrono::seconds(2));
    QVERIFY2(requests.isEmpty(), requests.isEmpty() ? "" : qPrintable(requests[0].text));
    form.loadDroppedFiles(parsed.files);
    QCOMPARE(editorOf(&form)->text(), text);
    if (failed.isEmpty()) {
        QVERIFY2(requests.isEmpty(), requests.isEmpty() ? "" : qPrintable(requests[0].text));
    } else {
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].kind, Dialogs::Kind::Error);
        if (failed.contains(QStringLiteral("%1"))) failed = failed.arg(dir.path());
        QVERIFY2(requests[0].text.contains(failed), qPrintable(requests[0].text));
    }
}

void TestMainWindow::fileErrorsSpeakTheLoadedLanguage_data() {
    QTest::addColumn<QString>("language"); // a file of Languages/, or none: English
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");    // the file the command fails on
    QTest::addColumn<QString>("message"); // the box's text up to the system's reason, %1 the file
    QTest::addColumn<bool>("whole");      // no reason of the system's follows

    QTest::newRow("English: load a missing file") << ""
                                                  << "load"
                                                  << "missing.txt"
                                                  << "Cannot open file \"%1\". " << false;
    QTest::newRow("German: load a missing file")
        << "German"
        << "load"
        << "missing.txt"
        << "Die Datei „%1“ kann nicht geöffnet werden. " << false;
    QTest::newRow("Hebrew: load a missing file")
        << "Hebrew"
        << "load"
        << "missing.txt"
        << "\u05dc\u05d0 \u05e0\u05d9\u05ea\u05df \u05dc\u05e4\u05ea\u05d5\u05d7 \u05d0\u05ea "
           "\u05d4\u05e7\u05d5\u05d1\u05e5 \"%1\". "
        << false;
    QTest::newRow("German: drop a missing file")
        << "German"
        << "drop"
        << "missing.txt"
        << "Die Datei „%1“ kann nicht geöffnet werden. " << false;
    QTest::newRow("German: too large for the editor")
        << "German"
        << "load"
        << "huge.txt"
        << "Die Datei „%1“ kann nicht geöffnet werden. Der Text ist zu groß für den Editor."
        << true;
    QTest::newRow("German: save into a missing folder")
        << "German"
        << "save"
        << "no/such/folder/x.txt"
        << "Die Datei „%1“ kann nicht erstellt werden. " << false;
    QTest::newRow("Turkish: save into a missing folder")
        << "Turkish"
        << "save"
        << "no/such/folder/x.txt"
        << "\"%1\" dosyası oluşturulamıyor. " << false;
    QTest::newRow("German: a setting in a missing folder")
        << "German"
        << "setting"
        << "gone/settings.ini"
        << "Die Datei „%1“ kann nicht erstellt werden. " << false;
    QTest::newRow("German: reset cannot delete the settings")
        << "German"
        << "reset"
        << "settings.ini"
        << "Die Datei „%1“ kann nicht gelöscht werden. " << false;
}

void TestMainWindow::fileErrorsSpeakTheLoadedLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, command);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(bool, whole);
    if (!language.isEmpty())
        QVERIFY(Translation::load(QStringLiteral(LEXO_SOURCE_DIR "/Languages/") + language +
                                  QStringLiteral(".lang.txt")));
    const auto forget = qScopeGuard([] { Translation::reset(); });

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile huge(dir.filePath(QStringLiteral("huge.txt")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(1) << 31)); // sparse: takes no room
    huge.close();
    Dialogs::setHandler([&](const Dialogs::Request& r) {
        requests << r;
        if (r.kind == Dialogs::Kind::Message) return QString::number(Dialogs::Yes);
        return r.kind == Dialogs::Kind::OpenFile || r.kind == Dialogs::Kind::SaveFile ? path
                                                                                      : QString();
    });

    MainWindow form;
    if (command == u"load") {
        form.openFile();
    } else if (command == u"drop") {
        form.loadDroppedFiles({path});
    } else if (command == u"save") {
        form.saveTextAs();
    } else if (command == u"setting") {
        form.useDataFolder(QFileInfo(path).path() + u'/');
        findWidget<QAction>(&form, "wordWrapAction")->trigger();
    } else {
        form.useDataFolder(dir.path() + u'/');
        // A folder in the file's place cannot be deleted as a file.
        QVERIFY(QDir().mkdir(path));
        findWidget<QAction>(&form, "resetAction")->trigger();
    }

    QVERIFY(!requests.isEmpty());
    const Dialogs::Request& shown = requests.last();
    QCOMPARE(shown.kind, Dialogs::Kind::Error);
    const QString expected = QString(message).replace(QStringLiteral("%1"), path);
    if (whole) {
        QCOMPARE(shown.text, expected);
    } else {
        QVERIFY2(shown.text.startsWith(expected), qPrintable(shown.text));
        QVERIFY2(shown.text.size() > expected.size() + 1, qPrintable(shown.text));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
