#include "tappform.h"

#include "datafolder.h"
#include "dialogs.h"
#include "languagechoice.h"
#include "numberformat.h"
#include "tanalyzetext.h"
#include "textfilereader.h"
#include "textfilewriter.h"
#include "translation.h"
#include "tsynedit.h"
#include "utf8piecereader.h"
#include "versioninfo.h"
#include "wordcharacterpresets.h"
#include "wordlettersfile.h"

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
    void (TAppForm::*run)();
    bool separatorAfter;
};
const std::array<EditCommand, 6> EditCommands{{
    {"Undo", &TAppForm::Undo1Click, true},
    {"Cut", &TAppForm::Cut1Click, false},
    {"Copy", &TAppForm::Copy1Click, false},
    {"Paste", &TAppForm::Paste1Click, false},
    {"Delete", &TAppForm::Delete1Click, true},
    {"Select All", &TAppForm::SelectAll1Click, false},
}};

// The maker's web site, for the help pages.
const char* const MakerSite = "www.brellix.com";

} // namespace

TAppForm::TAppForm(QWidget* parent) : QMainWindow(parent) {
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
    SynEdit1 = new TSynEdit(central);
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

    connect(Button2, &QPushButton::clicked, this, &TAppForm::Button2Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &TAppForm::CheckBox1Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TAppForm::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TAppForm::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TAppForm::BitBtn7Click);
    connect(BitBtn8, &QPushButton::clicked, this, &TAppForm::BitBtn8Click);
    connect(BitBtn10, &QPushButton::clicked, this, &TAppForm::BitBtn10Click);
    connect(Help2, &QAction::triggered, this, &TAppForm::Help2Click);
    connect(Exit1, &QAction::triggered, this, &TAppForm::Exit1Click);
    connect(Button1, &QPushButton::clicked, this, &TAppForm::Button1Click);
    connect(LoadTextFromFile1, &QAction::triggered, this, &TAppForm::Button1Click);
    connect(SavetoFile1, &QAction::triggered, this, &TAppForm::SavetoFile1Click);
    connect(New1, &QAction::triggered, this, &TAppForm::New1Click);
    connect(SynEdit1, &TSynEdit::modified, this, &TAppForm::SynEdit1Change);
    connect(SynEdit1, &TSynEdit::filesDropped, this, &TAppForm::WMDropFiles);
    connect(LineNumbers1, &QAction::toggled, this, &TAppForm::LineNumbers1Click);
    connect(Wordwrap1, &QAction::toggled, this, &TAppForm::Wordwrap1Click);
    connect(PDFium1, &QAction::triggered, this, &TAppForm::PdfEngineClick);
    connect(Xpdf1, &QAction::triggered, this, &TAppForm::PdfEngineClick);
    connect(Memo2, &QPlainTextEdit::textChanged, this, &TAppForm::Memo2Change);
    connect(ResettoDefaults1, &QAction::triggered, this, &TAppForm::ResettoDefaults1Click);

    // Drives the background update check once that exists.
    TimerChecker = new QTimer(this);
    TimerChecker->setObjectName("TimerChecker");
    TimerChecker->setInterval(1000);
    TimerChecker->start();

    resize(684, 417 + menuBar()->sizeHint().height() + StatusBar1->sizeHint().height());
    AppTitle = QStringLiteral("Lexometer");
    setWindowTitle(AppTitle);
}

void TAppForm::addEditCommands(QMenu* menu, const std::array<QAction**, 6>& actions) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
        QAction* action = menu->addAction(QString::fromLatin1(EditCommands[i].caption));
        connect(action, &QAction::triggered, this, EditCommands[i].run);
        if (EditCommands[i].separatorAfter) menu->addSeparator();
        *actions[i] = action;
    }
}

std::function<void(const QString&)>& TAppForm::urlOpener() {
    static std::function<void(const QString&)> opener = [](const QString& url) {
        QDesktopServices::openUrl(QUrl(url));
    };
    return opener;
}

void TAppForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (placed_) return;
    placed_ = true;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TAppForm::startUp(const std::vector<Step>& steps) {
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

void TAppForm::saveSetting(const QString& key, const QString& value) {
    if (DataFolder.isEmpty()) return;
    SettingsIni.write(QStringLiteral("Settings"), key, value);
    QString error;
    if (!SettingsIni.save(&error)) {
        // A failed save during start-up ends start-up there.
        if (starting_) throw std::runtime_error(error.toStdString());
        Dialogs::error(this, error);
    }
}

void TAppForm::PdfEngineClick() {
    saveSetting(QStringLiteral("PdfEngine"),
                Xpdf1->isChecked() ? QStringLiteral("Xpdf") : QStringLiteral("PDFium"));
}

void TAppForm::Memo2Change() {
    if (!DataFolder.isEmpty())
        WordLettersFile::store(DataFolder + QStringLiteral("wordletters.txt"),
                               Memo2->toPlainText());
}

void TAppForm::ResettoDefaults1Click() {
    const int answer = Dialogs::MessageDialog(
        this, TranslateText(QStringLiteral("Restart Application?")),
        Dialogs::MessageKind::Confirmation, {Dialogs::Yes, Dialogs::No},
        {TranslateText(QStringLiteral("Yes")), TranslateText(QStringLiteral("No"))},
        TranslateText(QStringLiteral("Confirmation")));
    if (answer != Dialogs::Yes) return;
    QFile::remove(DataFolder + QStringLiteral("settings.ini"));
    QFile::remove(DataFolder + QStringLiteral("wordletters.txt"));
    QCoreApplication::processEvents();
    // The new copy starts before this one ends; nothing is written on exit.
    restarter()(QCoreApplication::applicationFilePath());
    QApplication::quit();
}

std::function<void(const QString&)>& TAppForm::restarter() {
    static std::function<void(const QString&)> start = [](const QString& program) {
        QProcess::startDetached(program, {});
    };
    return start;
}

std::vector<TAppForm::Step> TAppForm::programSteps(const QString& programPath) {
    const QString program =
        programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath;
    return {
        {QStringLiteral("version information"),
         [this, program] {
             const TEXEVersionData data = VersionInfo::ReadVersionData(program);
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
             if (!LanguageChoice::InitLanguage(
                     SettingsIni.read(QStringLiteral("Settings"), QStringLiteral("LanguageFile")),
                     QFileInfo(program).absolutePath() + QStringLiteral("/Languages"),
                     LanguageChoice::userInterfaceLocale(), &error))
                 throw std::runtime_error(error.toStdString());
         }},
        {QStringLiteral("captions"), [this] { translateCaptions(); }},
        {QStringLiteral("size line"), [this] { SynEdit1Change(); }},
    };
}

void TAppForm::translateCaptions() {
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
        action->setText(TranslateText(QString::fromLatin1(english)));
    for (const auto& actions : {std::array{Undo1, Cut1, Copy1, Paste1, Delete1, SelectAll1},
                                std::array{Undo2, Cut2, Copy2, Paste2, Delete2, SelectAll2}})
        for (std::size_t i = 0; i < actions.size(); ++i)
            actions[i]->setText(TranslateText(QString::fromLatin1(EditCommands[i].caption)));
    // These three are looked up without their dots.
    Language1->setText(TranslateText(QStringLiteral("Language")) + QStringLiteral("..."));
    SendFeedback1->setText(TranslateText(QStringLiteral("Send Feedback")) + QStringLiteral("..."));
    About1->setText(TranslateText(QStringLiteral("About")) + QStringLiteral("..."));
    File1->setTitle(TranslateText(QStringLiteral("File")));
    Edit1->setTitle(TranslateText(QStringLiteral("Edit")));
    Settings1->setTitle(TranslateText(QStringLiteral("Settings")));
    PDFEngine1->setTitle(TranslateText(QStringLiteral("PDF Engine")));
    Help1->setTitle(TranslateText(QStringLiteral("Help")));
    Button1->setText(TranslateText(QStringLiteral("Load Text from File...")));
    Button2->setText(TranslateText(QStringLiteral("Analyze")));
    CheckBox1->setText(TranslateText(QStringLiteral("Customize Word Characters")));
    GroupBox1->setTitle(TranslateText(QStringLiteral("Word Characters")));
    BitBtn5->setText(TranslateText(QStringLiteral("English")));
    BitBtn6->setText(TranslateText(QStringLiteral("French")));
    BitBtn7->setText(TranslateText(QStringLiteral("Turkish")));
    BitBtn8->setText(TranslateText(QStringLiteral("Russian")));
    BitBtn10->setText(TranslateText(QStringLiteral("Hebrew")));
}

QString TAppForm::wordCharacters() const {
    return WordCharacterPresets::WordCharacters(Memo2->toPlainText().split(u'\n'));
}

void TAppForm::Button2Click() {
    if (SynEdit1->isBlank()) {
        SynEdit1->setFocus();
        Dialogs::MessageDialog(this, TranslateText(QStringLiteral("No text to analyze!")),
                               Dialogs::MessageKind::Warning, {Dialogs::Ok},
                               {TranslateText(QStringLiteral("OK"))},
                               TranslateText(QStringLiteral("Warning")));
        return;
    }
    if (isBlank(Memo2->toPlainText())) {
        if (!CheckBox1->isChecked()) CheckBox1->setChecked(true);
        Memo2->setFocus();
        Dialogs::MessageDialog(this, TranslateText(QStringLiteral("Please enter word characters!")),
                               Dialogs::MessageKind::Warning, {Dialogs::Ok},
                               {TranslateText(QStringLiteral("OK"))},
                               TranslateText(QStringLiteral("Warning")));
        return;
    }
    auto* window = new TAnalyzetext(this);
    // The editor's bytes go over as they are, without a UTF-16 copy; a final
    // break leaves an empty last line, as the editor shows it.
    std::string text(SynEdit1->textBytes());
    const bool lastLineEmpty = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    window->AnalyzeLines().adoptUtf8Text(std::move(text));
    if (lastLineEmpty) window->AnalyzeLines().appendUtf8({});
    window->AnalyzeLines().setTrailingBreak(false);
    window->setWordCharacters(wordCharacters());
    window->show();
}

void TAppForm::CheckBox1Click() {
    Panel3->setVisible(CheckBox1->isChecked());
}

void TAppForm::applyPreset(int preset) {
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

void TAppForm::BitBtn5Click() {
    applyPreset(WordCharacterPresets::English);
    if (!DataFolder.isEmpty()) QFile::remove(DataFolder + QStringLiteral("wordletters.txt"));
}
void TAppForm::BitBtn6Click() {
    applyPreset(WordCharacterPresets::French);
}
void TAppForm::BitBtn7Click() {
    applyPreset(WordCharacterPresets::Turkish);
}
void TAppForm::BitBtn8Click() {
    applyPreset(WordCharacterPresets::Russian);
}
void TAppForm::BitBtn10Click() {
    applyPreset(WordCharacterPresets::Hebrew);
}

QString TAppForm::onlineHelpAddress(const QString& productName) {
    QString product = productName.toLower();
    product.replace(u' ', u'-');
    return QStringLiteral("http://%1/help/%2/").arg(QLatin1String(MakerSite), product);
}

void TAppForm::Help2Click() {
    urlOpener()(onlineHelpAddress(ProductName));
}

void TAppForm::Exit1Click() {
    QApplication::quit();
}

void TAppForm::SynEdit1Change() {
    // UTF-16 code units of the lines joined with CR LF.
    const qint64 size = SynEdit1->joinedLength();
    sizeLabel_->setText(TranslateText(QStringLiteral("File Size: %s bytes"))
                            .replace(QLatin1String("%s"), NumberFormat::FormatCount(size)));
}

void TAppForm::LineNumbers1Click() {
    // The gutter is hidden whole with the line numbers.
    SynEdit1->setGutterVisible(LineNumbers1->isChecked());
    saveSetting(QStringLiteral("ShowLineNumbers"),
                LineNumbers1->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void TAppForm::Wordwrap1Click() {
    const bool wrap = Wordwrap1->isChecked();
    SynEdit1->setWrapMode(wrap ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    // Wrapped lines need no horizontal scroll bar.
    SynEdit1->SendScintilla(QsciScintilla::SCI_SETHSCROLLBAR, long(!wrap));
    saveSetting(QStringLiteral("WordWrap"),
                Wordwrap1->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void TAppForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, chart windows and all.
    QApplication::quit();
}

TAppForm::PdfConverter& TAppForm::pdfConverter() {
    static PdfConverter convert = [](const QString& path, std::string*, QString* error) {
        *error =
            QStringLiteral("Cannot convert PDF file \"%1\". No PDF engine is available").arg(path);
        return false;
    };
    return convert;
}

bool TAppForm::DosyaAc(const QString& dosyaadi, QString* error) {
    try {
        const QFileInfo file(dosyaadi);
        if (file.fileName().toLower().endsWith(QLatin1String(".pdf"))) {
            std::string utf8;
            if (!pdfConverter()(dosyaadi, &utf8, error)) return false;
            return putText(dosyaadi, std::move(utf8), byteOrderMark_, error);
        }
        if (file.size() >= qint64(INT_MAX)) return tooLarge(dosyaadi, error);
        // UTF-8, the usual case, is read and checked on a second thread while
        // the editor takes it in; the editor's text comes back if it is not.
        SynEdit1->beginReplace(file.size());
        const Utf8PieceReader::Result read = Utf8PieceReader::read(
            dosyaadi, [this](std::string_view piece) { SynEdit1->appendPiece(piece); }, error);
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
        if (!TextFileReader::readText(dosyaadi, text, error)) return false;
        return putText(dosyaadi, std::move(text.utf8), text.byteOrderMark, error);
    } catch (const std::bad_alloc&) {
        *error = QStringLiteral("Cannot open file \"%1\". Not enough memory").arg(dosyaadi);
        return false;
    }
}

bool TAppForm::tooLarge(const QString& path, QString* error) {
    *error =
        QStringLiteral("Cannot open file \"%1\". The text is too large for the editor").arg(path);
    return false;
}

bool TAppForm::putText(const QString& path, std::string&& utf8, bool byteOrderMark,
                       QString* error) {
    if (utf8.size() >= std::size_t(INT_MAX)) return tooLarge(path, error);
    const LineBreakStyle::Style style = LineBreakStyle::detect(utf8);
    LineBreakStyle::toLf(utf8);
    if (!SynEdit1->setTextUtf8(utf8)) throw std::bad_alloc();
    lineBreakStyle_ = style;
    byteOrderMark_ = byteOrderMark;
    return textLoaded();
}

bool TAppForm::textLoaded() {
    SynEdit1->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
    SynEdit1Change();
    return true;
}

void TAppForm::Button1Click() {
    const QString filter = Dialogs::nameFilters(
        TranslateText(QStringLiteral("Supported Files")) +
        QStringLiteral(" (*.pdf;*.txt)|*.pdf;*.txt|") +
        TranslateText(QStringLiteral("PDF File (*.pdf)")) + QStringLiteral("|*.pdf|") +
        TranslateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        TranslateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
    const QString path = Dialogs::openFileName(this, filter);
    if (path.isEmpty()) return;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = DosyaAc(path, &error);
    QApplication::restoreOverrideCursor();
    if (!loaded) Dialogs::error(this, error);
}

void TAppForm::WMDropFiles(const QStringList& paths) {
    // Each file replaces the one before; an error ends the drop there.
    for (const QString& path : paths) {
        QString error;
        if (!DosyaAc(path, &error)) {
            Dialogs::error(this, error);
            return;
        }
    }
}

void TAppForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!TSynEdit::localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TAppForm::dragMoveEvent(QDragMoveEvent* event) {
    if (!TSynEdit::localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TAppForm::dropEvent(QDropEvent* event) {
    const QStringList paths = TSynEdit::localFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    WMDropFiles(paths);
}

void TAppForm::SavetoFile1Click() {
    const QString filter = Dialogs::nameFilters(
        TranslateText(QStringLiteral("Text File (*.txt)")) + QStringLiteral("|*.txt|") +
        TranslateText(QStringLiteral("All Files (*.*)")) + QStringLiteral("|*.*"));
    const QString path = Dialogs::saveFileName(this, filter, QString(), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    QString error;
    if (!TextFileWriter::write(path, SynEdit1->textBytes(),
                               LineBreakStyle::separator(lineBreakStyle_), byteOrderMark_, &error))
        Dialogs::error(this, error);
}

void TAppForm::New1Click() {
    SynEdit1->setTextUtf8({});
    SynEdit1Change();
}

void TAppForm::Undo1Click() {
    SynEdit1->undo();
}
void TAppForm::Cut1Click() {
    SynEdit1->cut();
}
void TAppForm::Copy1Click() {
    SynEdit1->copy();
}
void TAppForm::Paste1Click() {
    SynEdit1->paste();
}
void TAppForm::Delete1Click() {
    SynEdit1->removeSelectedText();
}
void TAppForm::SelectAll1Click() {
    SynEdit1->selectAll(true);
}
