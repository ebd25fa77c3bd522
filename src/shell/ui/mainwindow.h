#pragma once

#include "import/documentreader.h"
#include "import/linebreakstyle.h"
#include "import/pdftextextractor.h"
#include "text/fileerror.h"
#include "text/inistore.h"
#include "text/programfolder.h"

#include <QCoreApplication>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class ResultsWindow;
class QCheckBox;
class QGroupBox;
class QLayout;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class QWidget;
class TextEditor;

// The main window: the editor, the word-character panel, the menus, and the
// Analyze command that opens a results window for the editor's text.
//
// Its widgets are private; each has an objectName naming its role
// ("analyzeButton", "wordCharactersEdit", "editor", ...), by which tests
// find them.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // One start-up step: it may throw; a failure skips the steps after it.
    struct Step {
        QString name;
        std::function<void()> run;
    };

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up steps in order; an error is shown with its text and
    // ends start-up there, the window still opening with what was set.
    void startUp(const std::vector<Step>& steps);
    // The start-up of the program whose executable is at `program`.
    std::vector<Step> programSteps(const QString& program = {});

    // Starts the background update check, driven by the window's one-second
    // timer; the program calls it after start-up.
    void startUpdateCheck();

    // The word characters: the word-character box's lines, joined.
    QString wordCharacters() const;
    static QString onlineHelpAddress(const QString& productName);

    // Values start-up reads from the version information.
    QString companyName() const { return companyName_; }
    QString productName() const { return productName_; }
    QString appVersion() const { return appVersion_; }
    QString appTitle() const { return appTitle_; }

    // The folder of the settings and word-character files, with a trailing
    // separator; empty until start-up has decided it.
    QString dataFolder() const { return dataFolder_; }
    // The PDF tool's place: "xpdf/pdftotext" in the program folder.
    QString pdfToolPath() const;
    IniStore& settings() { return settings_; }
    // Binds the window to a data folder and its settings file, as start-up
    // does.
    void useDataFolder(const QString& folder);

    // Puts the file's text into the editor: PDF files through the PDF
    // converter, all others read as text. On failure returns false with
    // what failed and why, and leaves the editor as it was.
    bool loadFile(const QString& path, FileError* error);
    // How the text was separated into lines and whether the file began with
    // a byte-order mark, as noted at the last load; Save As writes them back.
    LineBreakStyle::Style lineBreakStyle() const { return lineBreakStyle_; }
    bool byteOrderMark() const { return byteOrderMark_; }

    // Turns a PDF file into text (UTF-8) with the engine chosen in the menu;
    // false with the reason on failure.
    bool convertPdf(const QString& path, std::string* utf8, QString* error);
    // Replaces the engines for a test; empty (the default) uses them.
    static DocumentReader::PdfConverter& pdfConverter();
    // How long the PDF module may spend on one step of a document; a minute
    // unless a test asks for less.
    void setPdfStepTimeLimit(std::chrono::milliseconds limit) {
        pdfExtractor_.setStepTimeLimit(limit);
        batchPdf_->extractor.setStepTimeLimit(limit);
    }

public slots:
    void openFile();
    void analyze();
    void loadDroppedFiles(const QStringList& paths);
    void saveTextAs();
    void openBatchWindow();
    void openLanguageWindow();
    void openAboutWindow();
    void openFeedbackWindow();
    void newText();
    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void selectAll();
    void showWordCharacters(bool shown);
    void openOnlineHelp();
    void exit();
    void showLineNumbers(bool shown);
    void setWordWrap(bool wrap);
    void choosePdfium();
    void chooseXpdf();
    void saveWordCharacters();
    void resetToDefaults();
    void updateSizeLine();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    using EditActions = std::array<QAction*, 6>;
    // Texts from this size on are handed over through memory prepared on a
    // helper thread.
    static constexpr std::size_t PrefaultFrom = 4 << 20;
    // Lines the word-character box shows: the longest presets have five.
    static constexpr int WordCharactersLines = 5;
    void handOverText(ResultsWindow* window);
    void placeResultsWindow(ResultsWindow* window);

    QWidget* buildCommandStrip(QWidget* parent);
    QWidget* buildWordCharactersPanel(QWidget* parent);
    QLayout* buildEditorRow(QWidget* parent);
    void buildFileMenu();
    void buildEditMenus();
    void buildSettingsMenu();
    void buildHelpMenu();
    EditActions addEditCommands(QMenu* menu);
    void translateCaptions();

    void choosePreset(int preset);
    bool putText(const QString& path, std::string&& utf8, bool byteOrderMark, FileError* error);
    bool textLoaded();
    static bool tooLarge(const QString& path, FileError* error);
    void saveSetting(const QString& key, const QString& value);
    // The warning box with one OK button; the text comes translated.
    void warn(const QString& text);

    QWidget* commandStrip_ = nullptr;
    QPushButton* loadButton_ = nullptr;
    QPushButton* analyzeButton_ = nullptr;
    QCheckBox* customizeBox_ = nullptr;
    QWidget* wordCharactersPanel_ = nullptr;
    QGroupBox* wordCharactersGroup_ = nullptr;
    QPlainTextEdit* wordCharactersEdit_ = nullptr;
    QList<QPushButton*> presetButtons_;
    TextEditor* editor_ = nullptr;
    QPlainTextEdit* pdfToolLog_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLabel* wrapNoteLabel_ = nullptr; // while a long text is shown unwrapped
    QTimer* updateCheckTimer_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QAction* newAction_ = nullptr;
    QAction* loadAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* batchAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* editMenu_ = nullptr;
    EditActions editMenuActions_{};
    QMenu* editorMenu_ = nullptr;
    EditActions editorMenuActions_{};
    QMenu* settingsMenu_ = nullptr;
    QMenu* pdfEngineMenu_ = nullptr;
    QAction* pdfiumAction_ = nullptr;
    QAction* xpdfAction_ = nullptr;
    QAction* lineNumbersAction_ = nullptr;
    QAction* wordWrapAction_ = nullptr;
    QAction* resetAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* onlineHelpAction_ = nullptr;
    QAction* updateNotificationsAction_ = nullptr;
    QAction* languageAction_ = nullptr;
    QAction* feedbackAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    QString programFolder_ = ProgramFolder::path();
    QString dataFolder_;
    PdfTextExtractor pdfExtractor_;
    // The batch analyses' PDF engine, used on the analysis worker only; shared
    // with the jobs, which may outlive the window.
    struct BatchPdf {
        PdfTextExtractor extractor;
        std::atomic<bool> toolChosen{false};
    };
    std::shared_ptr<BatchPdf> batchPdf_ = std::make_shared<BatchPdf>();
    QString pdfToolLogText_;
    IniStore settings_;
    QString companyName_;
    QString productName_;
    QString appVersion_;
    QString appTitle_;

    bool starting_ = false;
    LineBreakStyle::Style lineBreakStyle_ = LineBreakStyle::CrLf;
    bool byteOrderMark_ = false;
};
