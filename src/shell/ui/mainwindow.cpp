#include "shell/ui/mainwindow.h"

#include "analysis/engine/wordcharacterpresets.h"
#include "analysis/report/numberformat.h"
#include "analysis/ui/batch/batchwindow.h"
#include "analysis/ui/results/resultswindow.h"
#include "import/ui/loadfilter.h"
#include "info/ui/aboutwindow.h"
#include "localization/fileerrortranslation.h"
#include "localization/translation.h"
#include "localization/ui/languagewindow.h"
#include "online/ui/feedbackwindow.h"
#include "online/ui/updatecontroller.h"
#include "online/updatecheck.h"
#include "shell/ui/texteditor.h"
#include "text/textrules.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"
#include "widgets/sharedsettings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

namespace {

// The Edit menu and the editor's context menu hold the same commands.
struct EditCommand {
    const char* caption;
    const char* objectName; // in the Edit menu; the editor's menu uses the same
    void (MainWindow::*run)();
    bool separatorAfter;
};
const std::array<EditCommand, 6> EditCommands{{
    {"Undo", "undoAction", &MainWindow::undo, true},
    {"Cut", "cutAction", &MainWindow::cut, false},
    {"Copy", "copyAction", &MainWindow::copy, false},
    {"Paste", "pasteAction", &MainWindow::paste, false},
    {"Delete", "deleteAction", &MainWindow::deleteSelection, true},
    {"Select All", "selectAllAction", &MainWindow::selectAll, false},
}};

// The word-character presets, in the order of their buttons.
struct Preset {
    WordCharacterPresets::Preset id;
    const char* caption;
    const char* objectName;
};
const std::array<Preset, 5> Presets{{
    {WordCharacterPresets::English, "English", "englishPresetButton"},
    {WordCharacterPresets::French, "French", "frenchPresetButton"},
    {WordCharacterPresets::Turkish, "Turkish", "turkishPresetButton"},
    {WordCharacterPresets::Russian, "Russian", "russianPresetButton"},
    {WordCharacterPresets::Hebrew, "Hebrew", "hebrewPresetButton"},
}};

// The maker's web site, for the help pages.
const char* const MakerSite = "www.brellix.com";

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    Placement::centreWhenFirstShown(this);
    // Typing right after start goes into the text.
    Placement::whenFirstShown(this, [this] { editor_->setFocus(); });
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    layout->addWidget(buildCommandStrip(central));
    layout->addWidget(buildWordCharactersPanel(central));
    layout->addLayout(buildEditorRow(central), 1);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("statusBar");
    sizeLabel_ = new QLabel(statusBar_);
    sizeLabel_->setObjectName("sizeLabel");
    statusBar_->addWidget(sizeLabel_, 1);
    wrapNoteLabel_ = new QLabel(statusBar_);
    wrapNoteLabel_->setObjectName("wrapNoteLabel");
    wrapNoteLabel_->setText(QStringLiteral("Word Wrap is suspended: the text is too long"));
    wrapNoteLabel_->hide();
    statusBar_->addWidget(wrapNoteLabel_);
    connect(editor_, &TextEditor::wordWrapSuspendedChanged, wrapNoteLabel_, &QLabel::setVisible);
    setStatusBar(statusBar_);

    // Menus, in English until start-up translates them.
    buildFileMenu();
    buildEditMenus();
    buildSettingsMenu();
    buildHelpMenu();

    // Drives the background update check once that exists.
    updateCheckTimer_ = new QTimer(this);
    updateCheckTimer_->setObjectName("updateCheckTimer");
    updateCheckTimer_->setInterval(1000);
    updateCheckTimer_->start();

    resize(684, 417 + menuBar()->sizeHint().height() + statusBar_->sizeHint().height());
    setWindowTitle(appTitle());
}

QWidget* MainWindow::buildCommandStrip(QWidget* parent) {
    commandStrip_ = new QWidget(parent);
    commandStrip_->setObjectName("commandStrip");
    commandStrip_->setFixedHeight(40);
    auto* strip = new QHBoxLayout(commandStrip_);
    strip->setContentsMargins(5, 5, 5, 5);
    strip->setSpacing(5);
    loadButton_ = new QPushButton(QStringLiteral("Load Text from File..."), commandStrip_);
    loadButton_->setObjectName("loadButton");
    loadButton_->setFixedSize(200, 30);
    // A click leaves the keyboard where the user typed last.
    loadButton_->setFocusPolicy(Qt::TabFocus);
    analyzeButton_ = new QPushButton(QStringLiteral("Analyze"), commandStrip_);
    analyzeButton_->setObjectName("analyzeButton");
    analyzeButton_->setFixedSize(200, 30);
    analyzeButton_->setFocusPolicy(Qt::TabFocus);
    QFont bold = analyzeButton_->font();
    bold.setBold(true);
    analyzeButton_->setFont(bold);
    customizeBox_ = new QCheckBox(QStringLiteral("Customize Word Characters"), commandStrip_);
    customizeBox_->setObjectName("customizeBox");
    strip->addWidget(loadButton_);
    strip->addWidget(analyzeButton_);
    strip->addWidget(customizeBox_, 1);
    connect(loadButton_, &QPushButton::clicked, this, &MainWindow::openFile);
    connect(analyzeButton_, &QPushButton::clicked, this, &MainWindow::analyze);
    connect(customizeBox_, &QCheckBox::toggled, this, &MainWindow::showWordCharacters);
    return commandStrip_;
}

QWidget* MainWindow::buildWordCharactersPanel(QWidget* parent) {
    wordCharactersPanel_ = new QWidget(parent);
    wordCharactersPanel_->setObjectName("wordCharactersPanel");
    auto* panelLayout = new QVBoxLayout(wordCharactersPanel_);
    panelLayout->setContentsMargins(5, 0, 5, 5);
    wordCharactersGroup_ = new QGroupBox(QStringLiteral("Word Characters"), wordCharactersPanel_);
    wordCharactersGroup_->setObjectName("wordCharactersGroup");
    auto* group = new QVBoxLayout(wordCharactersGroup_);
    group->setContentsMargins(5, 5, 5, 5);
    group->setSpacing(4);
    wordCharactersEdit_ = new QPlainTextEdit(wordCharactersGroup_);
    wordCharactersEdit_->setObjectName("wordCharactersEdit");
    wordCharactersEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    wordCharactersEdit_->setPlainText(
        WordCharacterPresets::lines(WordCharacterPresets::English).join(u'\n'));
    // Five lines, the longest preset's, whatever the font.
    const int margins = int(2 * wordCharactersEdit_->document()->documentMargin()) +
                        2 * wordCharactersEdit_->frameWidth();
    wordCharactersEdit_->setFixedHeight(
        WordCharactersLines * QFontMetrics(wordCharactersEdit_->font()).lineSpacing() + margins);
    group->addWidget(wordCharactersEdit_, 1);
    auto* presets = new QHBoxLayout;
    presets->setSpacing(4);
    for (const Preset& preset : Presets) {
        auto* button = new QPushButton(QString::fromLatin1(preset.caption), wordCharactersGroup_);
        button->setObjectName(QString::fromLatin1(preset.objectName));
        button->setFixedWidth(100);
        presets->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, id = preset.id] { choosePreset(id); });
        presetButtons_.append(button);
    }
    presets->addStretch(1);
    group->addLayout(presets);
    panelLayout->addWidget(wordCharactersGroup_);
    wordCharactersPanel_->hide();
    connect(wordCharactersEdit_, &QPlainTextEdit::textChanged, this,
            &MainWindow::saveWordCharacters);
    wordCharactersPanel_->setFixedHeight(wordCharactersPanel_->sizeHint().height());
    return wordCharactersPanel_;
}

QLayout* MainWindow::buildEditorRow(QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    editor_ = new TextEditor(parent);
    editor_->setObjectName("editor");
    row->addWidget(editor_, 1);
    pdfToolLog_ = new QPlainTextEdit(parent);
    pdfToolLog_->setObjectName("pdfToolLog");
    pdfToolLog_->setFixedWidth(185);
    pdfToolLog_->setReadOnly(true);
    pdfToolLog_->hide(); // the log of PDF tool runs, never shown
    row->addWidget(pdfToolLog_);
    connect(editor_, &TextEditor::modified, this, &MainWindow::updateSizeLine);
    connect(editor_, &TextEditor::filesDropped, this, &MainWindow::loadDroppedFiles);
    return row;
}

void MainWindow::buildFileMenu() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu_->setObjectName("fileMenu");
    newAction_ = fileMenu_->addAction(QStringLiteral("New"), this, &MainWindow::newText);
    loadAction_ =
        fileMenu_->addAction(QStringLiteral("Load Text from File..."), this, &MainWindow::openFile);
    saveAsAction_ =
        fileMenu_->addAction(QStringLiteral("Save As..."), this, &MainWindow::saveTextAs);
    fileMenu_->addSeparator();
    batchAction_ = fileMenu_->addAction(QStringLiteral("Batch Analyze Files..."), this,
                                        &MainWindow::openBatchWindow);
    fileMenu_->addSeparator();
    exitAction_ = fileMenu_->addAction(QStringLiteral("Exit"), this, &MainWindow::exit);
    newAction_->setObjectName("newAction");
    loadAction_->setObjectName("loadAction");
    saveAsAction_->setObjectName("saveAsAction");
    batchAction_->setObjectName("batchAction");
    exitAction_->setObjectName("exitAction");
}

void MainWindow::buildEditMenus() {
    editMenu_ = menuBar()->addMenu(QStringLiteral("Edit"));
    editMenu_->setObjectName("editMenu");
    editMenuActions_ = addEditCommands(editMenu_);
    editorMenu_ = new QMenu(this);
    editorMenu_->setObjectName("editorMenu");
    editorMenuActions_ = addEditCommands(editorMenu_);
    editor_->setPopupMenu(editorMenu_);
}

MainWindow::EditActions MainWindow::addEditCommands(QMenu* menu) {
    EditActions actions{};
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const EditCommand& command = EditCommands[i];
        QAction* action = menu->addAction(QString::fromLatin1(command.caption));
        action->setObjectName(QString::fromLatin1(command.objectName));
        connect(action, &QAction::triggered, this, command.run);
        if (command.separatorAfter) menu->addSeparator();
        actions[i] = action;
    }
    return actions;
}

void MainWindow::buildSettingsMenu() {
    settingsMenu_ = menuBar()->addMenu(QStringLiteral("Settings"));
    settingsMenu_->setObjectName("settingsMenu");
    pdfEngineMenu_ = settingsMenu_->addMenu(QStringLiteral("PDF Engine"));
    pdfEngineMenu_->setObjectName("pdfEngineMenu");
    pdfiumAction_ = pdfEngineMenu_->addAction(QStringLiteral("PDFium"));
    pdfiumAction_->setObjectName("pdfiumAction");
    xpdfAction_ = pdfEngineMenu_->addAction(QStringLiteral("Xpdf"));
    xpdfAction_->setObjectName("xpdfAction");
    auto* engines = new QActionGroup(this);
    engines->setExclusive(true);
    for (QAction* engine : {pdfiumAction_, xpdfAction_}) {
        engine->setCheckable(true);
        engines->addAction(engine);
    }
    connect(pdfiumAction_, &QAction::triggered, this, &MainWindow::choosePdfium);
    connect(xpdfAction_, &QAction::triggered, this, &MainWindow::chooseXpdf);
    // The editor and the batch analyses read the choice as they convert.
    connect(xpdfAction_, &QAction::toggled, this, [this](bool on) { pdf_.chooseTool(on); });
    pdfiumAction_->setChecked(true);
    lineNumbersAction_ = settingsMenu_->addAction(QStringLiteral("Show Line Numbers"));
    lineNumbersAction_->setObjectName("lineNumbersAction");
    lineNumbersAction_->setCheckable(true);
    lineNumbersAction_->setChecked(true);
    connect(lineNumbersAction_, &QAction::toggled, this, &MainWindow::showLineNumbers);
    wordWrapAction_ = settingsMenu_->addAction(QStringLiteral("Word Wrap"));
    wordWrapAction_->setObjectName("wordWrapAction");
    wordWrapAction_->setCheckable(true);
    connect(wordWrapAction_, &QAction::toggled, this, &MainWindow::setWordWrap);
    settingsMenu_->addSeparator();
    resetAction_ = settingsMenu_->addAction(QStringLiteral("Reset to Defaults..."), this,
                                            &MainWindow::resetToDefaults);
    resetAction_->setObjectName("resetAction");
}

void MainWindow::buildHelpMenu() {
    helpMenu_ = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu_->setObjectName("helpMenu");
    onlineHelpAction_ =
        helpMenu_->addAction(QStringLiteral("Online Help"), this, &MainWindow::openOnlineHelp);
    onlineHelpAction_->setObjectName("onlineHelpAction");
    onlineHelpAction_->setShortcut(QKeySequence(Qt::Key_F1));
    helpMenu_->addSeparator();
    updateNotificationsAction_ = helpMenu_->addAction(QStringLiteral("Update Notifications"));
    updateNotificationsAction_->setObjectName("updateNotificationsAction");
    updateNotificationsAction_->setCheckable(true);
    updateNotificationsAction_->setChecked(true);
    updateNotificationsAction_->setEnabled(false);
    helpMenu_->addSeparator();
    languageAction_ =
        helpMenu_->addAction(QStringLiteral("Language..."), this, &MainWindow::openLanguageWindow);
    languageAction_->setObjectName("languageAction");
    feedbackAction_ = helpMenu_->addAction(QStringLiteral("Send Feedback..."), this,
                                           &MainWindow::openFeedbackWindow);
    feedbackAction_->setObjectName("feedbackAction");
    aboutAction_ =
        helpMenu_->addAction(QStringLiteral("About..."), this, &MainWindow::openAboutWindow);
    aboutAction_->setObjectName("aboutAction");
}

void MainWindow::startUp(const std::vector<Step>& steps) {
    starting_ = true;
    const QString error = Startup::run(steps);
    starting_ = false;
    if (!error.isEmpty()) Dialogs::error(this, error);
}

std::vector<MainWindow::Step> MainWindow::programSteps(const QString& program) {
    return startup_.steps(program.isEmpty() ? QCoreApplication::applicationFilePath() : program,
                          *this);
}

void MainWindow::saveSetting(const QString& key, const QString& value) {
    FileError error;
    if (settings_.save(key, value, &error)) return;
    const QString message = FileErrorTranslation::text(error);
    // A failed save during start-up ends start-up there.
    if (starting_) throw std::runtime_error(message.toStdString());
    Dialogs::error(this, message);
}

void MainWindow::useDataFolder(const QString& folder) {
    settings_.useDataFolder(folder);
    settingsOpened();
}

void MainWindow::settingsOpened() {
    // Windows that keep a setting of their own write into this store.
    SharedSettings::setStore(&settings_.store());
}

MainWindow::~MainWindow() {
    if (SharedSettings::store() == &settings_.store()) SharedSettings::setStore(nullptr);
}

void MainWindow::choosePdfium() {
    pdfiumAction_->setChecked(true);
    saveSetting(QStringLiteral("PdfEngine"), QStringLiteral("PDFium"));
}

void MainWindow::chooseXpdf() {
    if (!pdf_.toolAvailable()) {
        // The menu has already moved the check mark; the choice stays.
        pdfiumAction_->setChecked(true);
        warn(translateText(QStringLiteral("File not found!")) + QStringLiteral("\n\n") +
             QDir::toNativeSeparators(pdf_.toolPath()));
        return;
    }
    xpdfAction_->setChecked(true);
    saveSetting(QStringLiteral("PdfEngine"), QStringLiteral("Xpdf"));
}

void MainWindow::saveWordCharacters() {
    settings_.storeWordCharacters(wordCharactersEdit_->toPlainText());
}

void MainWindow::resetToDefaults() {
    if (!settings_.hasDataFolder()) {
        Dialogs::error(this, translateText(QStringLiteral(
                                 "Nothing was reset: the folder of the settings is not known")));
        return;
    }
    const int answer = Dialogs::messageDialog(
        this, translateText(QStringLiteral("Restart Application?")),
        Dialogs::MessageKind::Confirmation, {Dialogs::Yes, Dialogs::No},
        {translateText(QStringLiteral("Yes")), translateText(QStringLiteral("No"))},
        translateText(QStringLiteral("Confirmation")));
    if (answer != Dialogs::Yes) return;
    FileError error;
    if (!settings_.reset(&error)) {
        Dialogs::error(this, FileErrorTranslation::text(error));
        return;
    }
    // The new copy starts before this one ends; nothing is written on exit.
    Desktop::startProgram(QCoreApplication::applicationFilePath());
    QApplication::quit();
}

void MainWindow::showTitle(const QString& title) {
    setWindowTitle(title);
}

void MainWindow::acceptDroppedFiles() {
    setAcceptDrops(true);
}

void MainWindow::useWordCharacters(const QString& text) {
    wordCharactersEdit_->setPlainText(text);
    customizeBox_->setChecked(true);
}

void MainWindow::setUpEditor() {
    // Line numbers on, word wrap off; the saved settings follow.
    editor_->setGutterVisible(lineNumbersAction_->isChecked());
    editor_->setWordWrap(wordWrapAction_->isChecked());
}

void MainWindow::applySavedSettings(const SavedSettings& saved) {
    // Through the toggles, as the user would.
    if (!saved.lineNumbers) lineNumbersAction_->trigger();
    if (saved.wordWrap) wordWrapAction_->trigger();
    (saved.xpdf ? xpdfAction_ : pdfiumAction_)->setChecked(true);
}

void MainWindow::useLayoutDirection(Qt::LayoutDirection direction) {
    QApplication::setLayoutDirection(direction);
}

void MainWindow::showTextSize() {
    updateSizeLine();
}

void MainWindow::translateCaptions() {
    const std::pair<QAction*, const char*> items[] = {
        {newAction_, "New"},
        {loadAction_, "Load Text from File..."},
        {saveAsAction_, "Save As..."},
        {batchAction_, "Batch Analyze Files..."},
        {exitAction_, "Exit"},
        {lineNumbersAction_, "Show Line Numbers"},
        {wordWrapAction_, "Word Wrap"},
        {resetAction_, "Reset to Defaults..."},
        {onlineHelpAction_, "Online Help"},
        {updateNotificationsAction_, "Update Notifications"}};
    for (const auto& [action, english] : items)
        action->setText(translateText(QString::fromLatin1(english)));
    for (const EditActions& actions : {editMenuActions_, editorMenuActions_})
        for (std::size_t i = 0; i < actions.size(); ++i)
            actions[i]->setText(translateText(QString::fromLatin1(EditCommands[i].caption)));
    // These three are looked up without their dots.
    languageAction_->setText(translateText(QStringLiteral("Language")) + QStringLiteral("..."));
    feedbackAction_->setText(translateText(QStringLiteral("Send Feedback")) +
                             QStringLiteral("..."));
    aboutAction_->setText(translateText(QStringLiteral("About")) + QStringLiteral("..."));
    fileMenu_->setTitle(translateText(QStringLiteral("File")));
    editMenu_->setTitle(translateText(QStringLiteral("Edit")));
    settingsMenu_->setTitle(translateText(QStringLiteral("Settings")));
    pdfEngineMenu_->setTitle(translateText(QStringLiteral("PDF Engine")));
    helpMenu_->setTitle(translateText(QStringLiteral("Help")));
    loadButton_->setText(translateText(QStringLiteral("Load Text from File...")));
    analyzeButton_->setText(translateText(QStringLiteral("Analyze")));
    wrapNoteLabel_->setText(
        translateText(QStringLiteral("Word Wrap is suspended: the text is too long")));
    customizeBox_->setText(translateText(QStringLiteral("Customize Word Characters")));
    wordCharactersGroup_->setTitle(translateText(QStringLiteral("Word Characters")));
    for (std::size_t i = 0; i < Presets.size(); ++i)
        presetButtons_[qsizetype(i)]->setText(
            translateText(QString::fromLatin1(Presets[i].caption)));
}

QString MainWindow::wordCharacters() const {
    return WordCharacterPresets::wordCharacters(wordCharactersEdit_->toPlainText().split(u'\n'));
}

void MainWindow::warn(const QString& text) {
    Dialogs::messageDialog(this, text, Dialogs::MessageKind::Warning, {Dialogs::Ok},
                           {translateText(QStringLiteral("OK"))},
                           translateText(QStringLiteral("Warning")));
}

void MainWindow::analyze() {
    if (editor_->isBlank()) {
        editor_->setFocus();
        warn(translateText(QStringLiteral("No text to analyze!")));
        return;
    }
    if (TextRules::isBlank(wordCharactersEdit_->toPlainText())) {
        if (!customizeBox_->isChecked()) customizeBox_->setChecked(true);
        wordCharactersEdit_->setFocus();
        warn(translateText(QStringLiteral("Please enter word characters!")));
        return;
    }
    auto* window = new ResultsWindow(this);
    window->setWordCharacters(wordCharacters());
    // Before any batch analysis still waiting.
    window->setFirstInLine(true);
    window->setStartedByCreator(true);
    window->placeAfterOpenOnes();
    window->show();
    handOverText(window);
}

// Only the editor's bytes are copied on this thread, and into memory that a
// helper thread has already allocated and touched: fresh pages cost far more
// than the copy. The editor takes no edits meanwhile, so that the copy is the
// text as it was when Analyze was pressed.
void MainWindow::handOverText(ResultsWindow* window) {
    const auto [before, after] = editor_->textPieces();
    const std::size_t size = before.size() + after.size();
    if (size < PrefaultFrom) {
        window->setEditorText(editor_->copyText());
        window->startAnalysis();
        return;
    }
    editor_->setReadOnly(true);
    const QPointer<ResultsWindow> target(window);
    handOverQueue_.submit(
        [this, target, size](WorkQueue::Task& task) {
            auto buffer = std::make_shared<std::string>();
            try {
                buffer->assign(size, '\0');
            } catch (const std::bad_alloc&) {
                buffer.reset();
            }
            handOverQueue_.post(task, [this, target, buffer] { finishHandOver(target, buffer); });
        },
        [this, target](WorkQueue::Task& task, const JobFailure&) {
            handOverQueue_.post(task, [this, target] { finishHandOver(target, nullptr); });
        });
}

void MainWindow::finishHandOver(ResultsWindow* target, const std::shared_ptr<std::string>& buffer) {
    editor_->setReadOnly(false);
    if (!target) return;
    const auto [before, after] = editor_->textPieces();
    std::string text;
    if (buffer && buffer->size() == before.size() + after.size()) {
        text = std::move(*buffer);
        std::memcpy(text.data(), before.data(), before.size());
        std::memcpy(text.data() + before.size(), after.data(), after.size());
    } else {
        text = editor_->copyText();
    }
    target->setEditorText(std::move(text));
    target->startAnalysis();
}

void MainWindow::showWordCharacters(bool shown) {
    wordCharactersPanel_->setVisible(shown);
}

void MainWindow::choosePreset(int preset) {
    wordCharactersEdit_->clear();
    for (const QString& line : WordCharacterPresets::lines(WordCharacterPresets::Preset(preset)))
        wordCharactersEdit_->appendPlainText(line);
    const QString text = wordCharactersEdit_->toPlainText();
    wordCharactersEdit_->setPlainText(TextRules::trimmed(text).toString());
    // English is the built-in set: nothing needs to be kept for it.
    if (preset == WordCharacterPresets::English) settings_.forgetWordCharacters();
}

QString MainWindow::onlineHelpAddress(const QString& productName) {
    QString product = productName.toLower();
    product.replace(u' ', u'-');
    return QStringLiteral("http://%1/help/%2/").arg(QLatin1String(MakerSite), product);
}

void MainWindow::openOnlineHelp() {
    Desktop::openUrl(QUrl(onlineHelpAddress(productName())));
}

void MainWindow::exit() {
    QApplication::quit();
}

void MainWindow::updateSizeLine() {
    // UTF-16 code units of the lines joined with CR LF.
    const qint64 size = editor_->joinedLength();
    sizeLabel_->setText(translateText(QStringLiteral("File Size: %s bytes"))
                            .replace(QLatin1String("%s"), NumberFormat::formatCount(size)));
}

void MainWindow::showLineNumbers(bool shown) {
    // The gutter is hidden whole with the line numbers.
    editor_->setGutterVisible(shown);
    saveSetting(QStringLiteral("ShowLineNumbers"),
                shown ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void MainWindow::setWordWrap(bool wrap) {
    editor_->setWordWrap(wrap);
    saveSetting(QStringLiteral("WordWrap"), wrap ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, chart windows and all.
    QApplication::quit();
}

bool MainWindow::convertPdf(const QString& path, std::string* utf8, QString* error) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool converted = pdf_.convert(path, utf8, error);
    QApplication::restoreOverrideCursor();
    pdfToolLog_->setPlainText(pdf_.log());
    return converted;
}

void MainWindow::startUpdateCheck() {
    // Owned by the window: closing it stops a check still waiting.
    new UpdateController(updateCheckTimer_, updateNotificationsAction_,
                         UpdateCheck::programInputs(companyName(), productName(), appVersion()),
                         productName(), this);
}

void MainWindow::openFeedbackWindow() {
    FeedbackWindow window(this, productName(), appTitle(), appVersion());
    window.exec();
}

void MainWindow::openAboutWindow() {
    AboutWindow window(this, productName(), appVersion());
    window.exec();
}

void MainWindow::openLanguageWindow() {
    LanguageWindow window(settings_.store(), settings_.dataFolder(), this);
    window.exec();
}

void MainWindow::openBatchWindow() {
    // A new list each time; the window lives on, hidden, with its results.
    // Called on the analysis worker: its own extractor and converter process,
    // the engine chosen in the menu when the file's turn comes.
    auto* batch =
        new BatchWindow(this, pdf_.workerConverter(), [this] { return wordCharacters(); });
    batch->show();
}

LineBreakStyle::Style MainWindow::lineBreakStyle() const {
    return editor_->lineBreakStyle();
}

bool MainWindow::byteOrderMark() const {
    return editor_->byteOrderMark();
}

bool MainWindow::loadFile(const QString& path, FileError* error) {
    const bool loaded = editor_->loadFile(
        path,
        [this](const QString& pdf, std::string* utf8, QString* reason) {
            return convertPdf(pdf, utf8, reason);
        },
        error);
    if (loaded) updateSizeLine();
    return loaded;
}

void MainWindow::openFile() {
    const QString filter = LoadFilter::filter();
    const QString path = Dialogs::openFileName(this, filter);
    if (path.isEmpty()) return;
    FileError error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = loadFile(path, &error);
    QApplication::restoreOverrideCursor();
    if (!loaded)
        Dialogs::error(this, FileErrorTranslation::text(error));
    else
        Dialogs::noteFileUsed(path);
}

void MainWindow::loadDroppedFiles(const QStringList& paths) {
    // Each file replaces the one before; an error ends the drop there.
    for (const QString& path : paths) {
        FileError error;
        if (!loadFile(path, &error)) {
            Dialogs::error(this, FileErrorTranslation::text(error));
            return;
        }
        Dialogs::noteFileUsed(path);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!TextEditor::localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!TextEditor::localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QStringList paths = TextEditor::localFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    loadDroppedFiles(paths);
}

void MainWindow::saveTextAs() {
    const QString filter = Dialogs::nameFilters(
        translateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        translateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
    const QString path = Dialogs::saveFileName(this, filter, QString(), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    FileError error;
    if (!editor_->saveFile(path, &error))
        Dialogs::error(this, FileErrorTranslation::text(error));
    else
        Dialogs::noteFileUsed(path);
}

void MainWindow::newText() {
    editor_->setTextUtf8({});
    updateSizeLine();
}

void MainWindow::undo() {
    editor_->undo();
}
void MainWindow::cut() {
    editor_->cut();
}
void MainWindow::copy() {
    editor_->copy();
}
void MainWindow::paste() {
    editor_->paste();
}
void MainWindow::deleteSelection() {
    editor_->removeSelectedText();
}
void MainWindow::selectAll() {
    editor_->selectAll(true);
}
