#include "shell/ui/mainwindow.h"

#include "analysis/numberformat.h"
#include "analysis/ui/dialogs.h"
#include "analysis/ui/resultswindow.h"
#include "import/textfilereader.h"
#include "import/textfilewriter.h"
#include "import/utf8piecereader.h"
#include "info/versioninfo.h"
#include "localization/languagechoice.h"
#include "localization/translation.h"
#include "shell/datafolder.h"
#include "shell/ui/texteditor.h"
#include "shell/wordcharacterpresets.h"
#include "shell/wordlettersfile.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <climits>
#include <exception>
#include <new>
#include <stdexcept>

namespace {

// Trimming as the analysis does it: characters up to U+0020 at both ends.
bool isBlank(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x20) return false;
    return true;
}

// The Edit menu and the editor's context menu hold the same commands.
struct EditCommand {
    const char* caption;
    void (MainWindow::*run)();
    bool separatorAfter;
};
const std::array<EditCommand, 6> EditCommands{{
    {"Undo", &MainWindow::Undo1Click, true},
    {"Cut", &MainWindow::Cut1Click, false},
    {"Copy", &MainWindow::Copy1Click, false},
    {"Paste", &MainWindow::Paste1Click, false},
    {"Delete", &MainWindow::Delete1Click, true},
    {"Select All", &MainWindow::SelectAll1Click, false},
}};

// The maker's web site, for the help pages.
const char* const MakerSite = "www.brellix.com";

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setAcceptDrops(true);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    Panel1 = new QWidget(central);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(40);
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(5, 5, 5, 5);
    top->setSpacing(5);
    Button1 = new QPushButton(QStringLiteral("Load Text from File..."), Panel1);
    Button1->setObjectName("Button1");
    Button1->setFixedSize(200, 30);
    Button2 = new QPushButton(QStringLiteral("Analyze"), Panel1);
    Button2->setObjectName("Button2");
    Button2->setFixedSize(200, 30);
    QFont bold = Button2->font();
    bold.setBold(true);
    Button2->setFont(bold);
    CheckBox1 = new QCheckBox(QStringLiteral("Customize Word Characters"), Panel1);
    CheckBox1->setObjectName("CheckBox1");
    top->addWidget(Button1);
    top->addWidget(Button2);
    top->addWidget(CheckBox1, 1);
    layout->addWidget(Panel1);

    Panel3 = new QWidget(central);
    Panel3->setObjectName("Panel3");
    Panel3->setFixedHeight(120);
    auto* panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(5, 0, 5, 5);
    GroupBox1 = new QGroupBox(QStringLiteral("Word Characters"), Panel3);
    GroupBox1->setObjectName("GroupBox1");
    auto* group = new QVBoxLayout(GroupBox1);
    group->setContentsMargins(5, 5, 5, 5);
    group->setSpacing(4);
    Memo2 = new QPlainTextEdit(GroupBox1);
    Memo2->setObjectName("Memo2");
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->setPlainText(WordCharacterPresets::lines(WordCharacterPresets::English).join(u'\n'));
    group->addWidget(Memo2, 1);
    auto* presets = new QHBoxLayout;
    presets->setSpacing(4);
    auto preset = [&](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromUtf8(caption), GroupBox1);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedWidth(100);
        presets->addWidget(button);
        return button;
    };
    BitBtn5 = preset("BitBtn5", "English");
    BitBtn6 = preset("BitBtn6", "French");
    BitBtn7 = preset("BitBtn7", "Turkish");
    BitBtn8 = preset("BitBtn8", "Russian");
    BitBtn10 = preset("BitBtn10", "Hebrew");
    presets->addStretch(1);
    group->addLayout(presets);
    panel3Layout->addWidget(GroupBox1);
    Panel3->hide();
    layout->addWidget(Panel3);

    auto* editorRow = new QHBoxLayout;
    editorRow->setSpacing(0);
    SynEdit1 = new TextEditor(central);
    SynEdit1->setObjectName("SynEdit1");
    editorRow->addWidget(SynEdit1, 1);
    MemoCMD = new QPlainTextEdit(central);
    MemoCMD->setObjectName("MemoCMD");
    MemoCMD->setFixedWidth(185);
    MemoCMD->setReadOnly(true);
    MemoCMD->hide(); // the log of PDF tool runs, never shown
    editorRow->addWidget(MemoCMD);
    layout->addLayout(editorRow, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    sizeLabel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(sizeLabel_, 1);
    setStatusBar(StatusBar1);

    // Menus, in English until start-up translates them.
    File1 = menuBar()->addMenu(QStringLiteral("File"));
    New1 = File1->addAction(QStringLiteral("New"));
    LoadTextFromFile1 = File1->addAction(QStringLiteral("Load Text from File..."));
    SavetoFile1 = File1->addAction(QStringLiteral("Save As..."));
    File1->addSeparator();
    BatchProcessing1 = File1->addAction(QStringLiteral("Batch Analyze Files..."));
    File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("Exit"));
    Edit1 = menuBar()->addMenu(QStringLiteral("Edit"));
    addEditCommands(Edit1, {&Undo1, &Cut1, &Copy1, &Paste1, &Delete1, &SelectAll1});
    Settings1 = menuBar()->addMenu(QStringLiteral("Settings"));
    PDFEngine1 = Settings1->addMenu(QStringLiteral("PDF Engine"));
    PDFium1 = PDFEngine1->addAction(QStringLiteral("PDFium"));
    Xpdf1 = PDFEngine1->addAction(QStringLiteral("Xpdf"));
    auto* engines = new QActionGroup(this);
    engines->setExclusive(true);
    for (QAction* engine : {PDFium1, Xpdf1}) {
        engine->setCheckable(true);
        engines->addAction(engine);
    }
    PDFium1->setChecked(true);
    LineNumbers1 = Settings1->addAction(QStringLiteral("Show Line Numbers"));
    LineNumbers1->setCheckable(true);
    LineNumbers1->setChecked(true);
    Wordwrap1 = Settings1->addAction(QStringLiteral("Word Wrap"));
    Wordwrap1->setCheckable(true);
    Settings1->addSeparator();
    ResettoDefaults1 = Settings1->addAction(QStringLiteral("Reset to Defaults..."));
    Help1 = menuBar()->addMenu(QStringLiteral("Help"));
    Help2 = Help1->addAction(QStringLiteral("Online Help"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help1->addSeparator();
    UpdateNotifications1 = Help1->addAction(QStringLiteral("Update Notifications"));
    UpdateNotifications1->setCheckable(true);
    UpdateNotifications1->setChecked(true);
    UpdateNotifications1->setEnabled(false);
    Help1->addSeparator();
    Language1 = Help1->addAction(QStringLiteral("Language..."));
    SendFeedback1 = Help1->addAction(QStringLiteral("Send Feedback..."));
    About1 = Help1->addAction(QStringLiteral("About..."));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    addEditCommands(PopupMenu1, {&Undo2, &Cut2, &Copy2, &Paste2, &Delete2, &SelectAll2});
    SynEdit1->setPopupMenu(PopupMenu1);

    connect(Button2, &QPushButton::clicked, this, &MainWindow::Button2Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &MainWindow::CheckBox1Click);
    connect(BitBtn5, &QPushButton::clicked, this, &MainWindow::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &MainWindow::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &MainWindow::BitBtn7Click);
    connect(BitBtn8, &QPushButton::clicked, this, &MainWindow::BitBtn8Click);
    connect(BitBtn10, &QPushButton::clicked, this, &MainWindow::BitBtn10Click);
    connect(Help2, &QAction::triggered, this, &MainWindow::Help2Click);
    connect(Exit1, &QAction::triggered, this, &MainWindow::Exit1Click);
    connect(Button1, &QPushButton::clicked, this, &MainWindow::Button1Click);
    connect(LoadTextFromFile1, &QAction::triggered, this, &MainWindow::Button1Click);
    connect(SavetoFile1, &QAction::triggered, this, &MainWindow::SavetoFile1Click);
    connect(New1, &QAction::triggered, this, &MainWindow::New1Click);
    connect(SynEdit1, &TextEditor::modified, this, &MainWindow::SynEdit1Change);
    connect(SynEdit1, &TextEditor::filesDropped, this, &MainWindow::WMDropFiles);
    connect(LineNumbers1, &QAction::toggled, this, &MainWindow::LineNumbers1Click);
    connect(Wordwrap1, &QAction::toggled, this, &MainWindow::Wordwrap1Click);
    connect(PDFium1, &QAction::triggered, this, &MainWindow::PdfEngineClick);
    connect(Xpdf1, &QAction::triggered, this, &MainWindow::PdfEngineClick);
    connect(Memo2, &QPlainTextEdit::textChanged, this, &MainWindow::Memo2Change);
    connect(ResettoDefaults1, &QAction::triggered, this, &MainWindow::ResettoDefaults1Click);

    // Drives the background update check once that exists.
    TimerChecker = new QTimer(this);
    TimerChecker->setObjectName("TimerChecker");
    TimerChecker->setInterval(1000);
    TimerChecker->start();

    resize(684, 417 + menuBar()->sizeHint().height() + StatusBar1->sizeHint().height());
    AppTitle = QStringLiteral("Lexometer");
    setWindowTitle(AppTitle);
}

void MainWindow::addEditCommands(QMenu* menu, const std::array<QAction**, 6>& actions) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
        QAction* action = menu->addAction(QString::fromLatin1(EditCommands[i].caption));
        connect(action, &QAction::triggered, this, EditCommands[i].run);
        if (EditCommands[i].separatorAfter) menu->addSeparator();
        *actions[i] = action;
    }
}

std::function<void(const QString&)>& MainWindow::urlOpener() {
    static std::function<void(const QString&)> opener = [](const QString& url) {
        QDesktopServices::openUrl(QUrl(url));
    };
    return opener;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placed_) return;
    placed_ = true;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWindow::startUp(const std::vector<Step>& steps) {
    starting_ = true;
    for (const Step& step : steps) {
        try {
            step.run();
        } catch (const std::exception& e) {
            starting_ = false;
            Dialogs::error(this, QString::fromUtf8(e.what()));
            return;
        }
    }
    starting_ = false;
}

void MainWindow::saveSetting(const QString& key, const QString& value) {
    if (DataFolder.isEmpty()) return;
    SettingsIni.write(QStringLiteral("Settings"), key, value);
    QString error;
    if (!SettingsIni.save(&error)) {
        // A failed save during start-up ends start-up there.
        if (starting_) throw std::runtime_error(error.toStdString());
        Dialogs::error(this, error);
    }
}

void MainWindow::PdfEngineClick() {
    saveSetting(QStringLiteral("PdfEngine"),
                Xpdf1->isChecked() ? QStringLiteral("Xpdf") : QStringLiteral("PDFium"));
}

void MainWindow::Memo2Change() {
    if (!DataFolder.isEmpty())
        WordLettersFile::store(DataFolder + QStringLiteral("wordletters.txt"),
                               Memo2->toPlainText());
}

void MainWindow::ResettoDefaults1Click() {
    const int answer = Dialogs::messageDialog(
        this, translateText(QStringLiteral("Restart Application?")),
        Dialogs::MessageKind::Confirmation, {Dialogs::Yes, Dialogs::No},
        {translateText(QStringLiteral("Yes")), translateText(QStringLiteral("No"))},
        translateText(QStringLiteral("Confirmation")));
    if (answer != Dialogs::Yes) return;
    QFile::remove(DataFolder + QStringLiteral("settings.ini"));
    QFile::remove(DataFolder + QStringLiteral("wordletters.txt"));
    QCoreApplication::processEvents();
    // The new copy starts before this one ends; nothing is written on exit.
    restarter()(QCoreApplication::applicationFilePath());
    QApplication::quit();
}

std::function<void(const QString&)>& MainWindow::restarter() {
    static std::function<void(const QString&)> start = [](const QString& program) {
        QProcess::startDetached(program, {});
    };
    return start;
}

std::vector<MainWindow::Step> MainWindow::programSteps(const QString& programPath) {
    const QString program =
        programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath;
    return {
        {QStringLiteral("version information"),
         [this, program] {
             const VersionData data = VersionInfo::readVersionData(program);
             CompanyName = data.CompanyName;
             ProductName = data.ProductName;
         }},
        {QStringLiteral("version"),
         [this, program] {
             AppVersion = VersionInfo::appVersion(VersionInfo::fileVersionNumber(program));
         }},
        {QStringLiteral("title"),
         [this] {
             AppTitle = CompanyName + QStringLiteral(" - ") + ProductName;
             setWindowTitle(AppTitle);
         }},
        {QStringLiteral("dropped files"), [this] { setAcceptDrops(true); }},
        {QStringLiteral("data folder"),
         [this, program] {
             DataFolder =
                 DataFolder::decide(QFileInfo(program).absolutePath(), CompanyName, ProductName);
         }},
        {QStringLiteral("settings"),
         [this] { SettingsIni.openOrReset(DataFolder + QStringLiteral("settings.ini")); }},
        {QStringLiteral("word characters"),
         [this] {
             QString text;
             if (WordLettersFile::load(DataFolder + QStringLiteral("wordletters.txt"), &text)) {
                 Memo2->setPlainText(text);
                 CheckBox1->setChecked(true);
             }
         }},
        {QStringLiteral("editor"),
         [this] {
             // Line numbers on, word wrap off; the saved settings follow.
             SynEdit1->setGutterVisible(LineNumbers1->isChecked());
             SynEdit1->setWrapMode(Wordwrap1->isChecked() ? QsciScintilla::WrapWord
                                                          : QsciScintilla::WrapNone);
         }},
        // The PDF view of the PDF engine takes its place here.
        {QStringLiteral("saved settings"),
         [this] {
             const QString section = QStringLiteral("Settings");
             if (SettingsIni.read(section, QStringLiteral("ShowLineNumbers")) == "OFF")
                 LineNumbers1->trigger();
             if (SettingsIni.read(section, QStringLiteral("WordWrap")) == "ON")
                 Wordwrap1->trigger();
             const bool xpdf = SettingsIni.read(section, QStringLiteral("PdfEngine")) == "Xpdf";
             (xpdf ? Xpdf1 : PDFium1)->setChecked(true);
         }},
        {QStringLiteral("language"),
         [this, program] {
             QString error;
             if (!LanguageChoice::initLanguage(
                     SettingsIni.read(QStringLiteral("Settings"), QStringLiteral("LanguageFile")),
                     QFileInfo(program).absolutePath() + QStringLiteral("/Languages"),
                     LanguageChoice::userInterfaceLocale(), &error))
                 throw std::runtime_error(error.toStdString());
         }},
        {QStringLiteral("captions"), [this] { translateCaptions(); }},
        {QStringLiteral("size line"), [this] { SynEdit1Change(); }},
    };
}

void MainWindow::translateCaptions() {
    const std::pair<QAction*, const char*> items[] = {
        {New1, "New"},
        {LoadTextFromFile1, "Load Text from File..."},
        {SavetoFile1, "Save As..."},
        {BatchProcessing1, "Batch Analyze Files..."},
        {Exit1, "Exit"},
        {LineNumbers1, "Show Line Numbers"},
        {Wordwrap1, "Word Wrap"},
        {ResettoDefaults1, "Reset to Defaults..."},
        {Help2, "Online Help"},
        {UpdateNotifications1, "Update Notifications"}};
    for (const auto& [action, english] : items)
        action->setText(translateText(QString::fromLatin1(english)));
    for (const auto& actions : {std::array{Undo1, Cut1, Copy1, Paste1, Delete1, SelectAll1},
                                std::array{Undo2, Cut2, Copy2, Paste2, Delete2, SelectAll2}})
        for (std::size_t i = 0; i < actions.size(); ++i)
            actions[i]->setText(translateText(QString::fromLatin1(EditCommands[i].caption)));
    // These three are looked up without their dots.
    Language1->setText(translateText(QStringLiteral("Language")) + QStringLiteral("..."));
    SendFeedback1->setText(translateText(QStringLiteral("Send Feedback")) + QStringLiteral("..."));
    About1->setText(translateText(QStringLiteral("About")) + QStringLiteral("..."));
    File1->setTitle(translateText(QStringLiteral("File")));
    Edit1->setTitle(translateText(QStringLiteral("Edit")));
    Settings1->setTitle(translateText(QStringLiteral("Settings")));
    PDFEngine1->setTitle(translateText(QStringLiteral("PDF Engine")));
    Help1->setTitle(translateText(QStringLiteral("Help")));
    Button1->setText(translateText(QStringLiteral("Load Text from File...")));
    Button2->setText(translateText(QStringLiteral("Analyze")));
    CheckBox1->setText(translateText(QStringLiteral("Customize Word Characters")));
    GroupBox1->setTitle(translateText(QStringLiteral("Word Characters")));
    BitBtn5->setText(translateText(QStringLiteral("English")));
    BitBtn6->setText(translateText(QStringLiteral("French")));
    BitBtn7->setText(translateText(QStringLiteral("Turkish")));
    BitBtn8->setText(translateText(QStringLiteral("Russian")));
    BitBtn10->setText(translateText(QStringLiteral("Hebrew")));
}

QString MainWindow::wordCharacters() const {
    return WordCharacterPresets::wordCharacters(Memo2->toPlainText().split(u'\n'));
}

void MainWindow::Button2Click() {
    if (SynEdit1->isBlank()) {
        SynEdit1->setFocus();
        Dialogs::messageDialog(this, translateText(QStringLiteral("No text to analyze!")),
                               Dialogs::MessageKind::Warning, {Dialogs::Ok},
                               {translateText(QStringLiteral("OK"))},
                               translateText(QStringLiteral("Warning")));
        return;
    }
    if (isBlank(Memo2->toPlainText())) {
        if (!CheckBox1->isChecked()) CheckBox1->setChecked(true);
        Memo2->setFocus();
        Dialogs::messageDialog(this, translateText(QStringLiteral("Please enter word characters!")),
                               Dialogs::MessageKind::Warning, {Dialogs::Ok},
                               {translateText(QStringLiteral("OK"))},
                               translateText(QStringLiteral("Warning")));
        return;
    }
    auto* window = new ResultsWindow(this);
    // The editor's bytes go over as they are, without a UTF-16 copy; a final
    // break leaves an empty last line, as the editor shows it.
    std::string text(SynEdit1->textBytes());
    const bool lastLineEmpty = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    window->lines().adoptUtf8Text(std::move(text));
    if (lastLineEmpty) window->lines().appendUtf8({});
    window->lines().setTrailingBreak(false);
    window->setWordCharacters(wordCharacters());
    window->show();
}

void MainWindow::CheckBox1Click() {
    Panel3->setVisible(CheckBox1->isChecked());
}

void MainWindow::applyPreset(int preset) {
    Memo2->clear();
    for (const QString& line : WordCharacterPresets::lines(WordCharacterPresets::Preset(preset)))
        Memo2->appendPlainText(line);
    QString text = Memo2->toPlainText();
    qsizetype start = 0, end = text.size();
    while (start < end && text[start].unicode() <= 0x20)
        ++start;
    while (end > start && text[end - 1].unicode() <= 0x20)
        --end;
    Memo2->setPlainText(text.mid(start, end - start));
}

void MainWindow::BitBtn5Click() {
    applyPreset(WordCharacterPresets::English);
    if (!DataFolder.isEmpty()) QFile::remove(DataFolder + QStringLiteral("wordletters.txt"));
}
void MainWindow::BitBtn6Click() {
    applyPreset(WordCharacterPresets::French);
}
void MainWindow::BitBtn7Click() {
    applyPreset(WordCharacterPresets::Turkish);
}
void MainWindow::BitBtn8Click() {
    applyPreset(WordCharacterPresets::Russian);
}
void MainWindow::BitBtn10Click() {
    applyPreset(WordCharacterPresets::Hebrew);
}

QString MainWindow::onlineHelpAddress(const QString& productName) {
    QString product = productName.toLower();
    product.replace(u' ', u'-');
    return QStringLiteral("http://%1/help/%2/").arg(QLatin1String(MakerSite), product);
}

void MainWindow::Help2Click() {
    urlOpener()(onlineHelpAddress(ProductName));
}

void MainWindow::Exit1Click() {
    QApplication::quit();
}

void MainWindow::SynEdit1Change() {
    // UTF-16 code units of the lines joined with CR LF.
    const qint64 size = SynEdit1->joinedLength();
    sizeLabel_->setText(translateText(QStringLiteral("File Size: %s bytes"))
                            .replace(QLatin1String("%s"), NumberFormat::formatCount(size)));
}

void MainWindow::LineNumbers1Click() {
    // The gutter is hidden whole with the line numbers.
    SynEdit1->setGutterVisible(LineNumbers1->isChecked());
    saveSetting(QStringLiteral("ShowLineNumbers"),
                LineNumbers1->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void MainWindow::Wordwrap1Click() {
    const bool wrap = Wordwrap1->isChecked();
    SynEdit1->setWrapMode(wrap ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    // Wrapped lines need no horizontal scroll bar.
    SynEdit1->SendScintilla(QsciScintilla::SCI_SETHSCROLLBAR, long(!wrap));
    saveSetting(QStringLiteral("WordWrap"),
                Wordwrap1->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, chart windows and all.
    QApplication::quit();
}

MainWindow::PdfConverter& MainWindow::pdfConverter() {
    static PdfConverter convert = [](const QString& path, std::string*, QString* error) {
        *error =
            QStringLiteral("Cannot convert PDF file \"%1\". No PDF engine is available").arg(path);
        return false;
    };
    return convert;
}

bool MainWindow::loadFile(const QString& path, QString* error) {
    try {
        const QFileInfo file(path);
        if (file.fileName().toLower().endsWith(QLatin1String(".pdf"))) {
            std::string utf8;
            if (!pdfConverter()(path, &utf8, error)) return false;
            return putText(path, std::move(utf8), byteOrderMark_, error);
        }
        if (file.size() >= qint64(INT_MAX)) return tooLarge(path, error);
        // UTF-8, the usual case, is read and checked on a second thread while
        // the editor takes it in; the editor's text comes back if it is not.
        SynEdit1->beginReplace(file.size());
        const Utf8PieceReader::Result read = Utf8PieceReader::read(
            path, [this](std::string_view piece) { SynEdit1->appendPiece(piece); }, error);
        if (read.outcome == Utf8PieceReader::Outcome::Read && !SynEdit1->replaceFailed()) {
            SynEdit1->endReplace(qint64(read.utf16Length), qint64(read.lineFeeds));
            lineBreakStyle_ = read.style;
            byteOrderMark_ = read.byteOrderMark;
            return textLoaded();
        }
        SynEdit1->abandonReplace();
        if (read.outcome == Utf8PieceReader::Outcome::Failed) return false;
        if (read.outcome == Utf8PieceReader::Outcome::Read) throw std::bad_alloc();
        // Not UTF-8: the file is read whole and decoded by its byte-order
        // mark or in the ANSI code page.
        TextFileReader::Text text;
        if (!TextFileReader::readText(path, text, error)) return false;
        return putText(path, std::move(text.utf8), text.byteOrderMark, error);
    } catch (const std::bad_alloc&) {
        *error = QStringLiteral("Cannot open file \"%1\". Not enough memory").arg(path);
        return false;
    }
}

bool MainWindow::tooLarge(const QString& path, QString* error) {
    *error =
        QStringLiteral("Cannot open file \"%1\". The text is too large for the editor").arg(path);
    return false;
}

bool MainWindow::putText(const QString& path, std::string&& utf8, bool byteOrderMark,
                         QString* error) {
    if (utf8.size() >= std::size_t(INT_MAX)) return tooLarge(path, error);
    const LineBreakStyle::Style style = LineBreakStyle::detect(utf8);
    LineBreakStyle::toLf(utf8);
    if (!SynEdit1->setTextUtf8(utf8)) throw std::bad_alloc();
    lineBreakStyle_ = style;
    byteOrderMark_ = byteOrderMark;
    return textLoaded();
}

bool MainWindow::textLoaded() {
    SynEdit1->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
    SynEdit1Change();
    return true;
}

void MainWindow::Button1Click() {
    const QString filter = Dialogs::nameFilters(
        translateText(QStringLiteral("Supported Files")) +
        QStringLiteral(" (*.pdf;*.txt)|*.pdf;*.txt|") +
        translateText(QStringLiteral("PDF File (*.pdf)")) + QStringLiteral("|*.pdf|") +
        translateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        translateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
    const QString path = Dialogs::openFileName(this, filter);
    if (path.isEmpty()) return;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = loadFile(path, &error);
    QApplication::restoreOverrideCursor();
    if (!loaded) Dialogs::error(this, error);
}

void MainWindow::WMDropFiles(const QStringList& paths) {
    // Each file replaces the one before; an error ends the drop there.
    for (const QString& path : paths) {
        QString error;
        if (!loadFile(path, &error)) {
            Dialogs::error(this, error);
            return;
        }
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
    WMDropFiles(paths);
}

void MainWindow::SavetoFile1Click() {
    const QString filter = Dialogs::nameFilters(
        translateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        translateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
    const QString path = Dialogs::saveFileName(this, filter, QString(), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    QString error;
    if (!TextFileWriter::write(path, SynEdit1->textBytes(),
                               LineBreakStyle::separator(lineBreakStyle_), byteOrderMark_, &error))
        Dialogs::error(this, error);
}

void MainWindow::New1Click() {
    SynEdit1->setTextUtf8({});
    SynEdit1Change();
}

void MainWindow::Undo1Click() {
    SynEdit1->undo();
}
void MainWindow::Cut1Click() {
    SynEdit1->cut();
}
void MainWindow::Copy1Click() {
    SynEdit1->copy();
}
void MainWindow::Paste1Click() {
    SynEdit1->paste();
}
void MainWindow::Delete1Click() {
    SynEdit1->removeSelectedText();
}
void MainWindow::SelectAll1Click() {
    SynEdit1->selectAll(true);
}
