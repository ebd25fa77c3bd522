#pragma once

#include "analysis/jobs/workqueue.h"
#include "import/documentreader.h"
#include "import/linebreakstyle.h"
#include "import/pdfengines.h"
#include "shell/programsettings.h"
#include "shell/startup.h"
#include "text/fileerror.h"
#include "text/inistore.h"

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
class MainWindow : public QMainWindow, private StartupTarget {
    Q_OBJECT

public:
    // One start-up step: it may throw; a failure skips the steps after it.
    using Step = Startup::Step;

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
    QString companyName() const { return startup_.info().companyName; }
    QString productName() const { return startup_.info().productName; }
    QString appVersion() const { return startup_.info().appVersion; }
    QString appTitle() const { return startup_.info().appTitle; }

    // The folder of the settings and word-character files, with a trailing
    // separator; empty until start-up has decided it.
    QString dataFolder() const { return settings_.dataFolder(); }
    // The PDF tool's place: "xpdf/pdftotext" in the program folder.
    QString pdfToolPath() const { return pdf_.toolPath(); }
    IniStore& settings() { return settings_.store(); }
    // Binds the window to a data folder and its settings file, as start-up
    // does.
    void useDataFolder(const QString& folder);

    // Puts the file's text into the editor: PDF files through the PDF
    // converter, all others read as text. On failure returns false with
    // what failed and why, and leaves the editor as it was.
    bool loadFile(const QString& path, FileError* error);
    // How the text was separated into lines and whether the file began with
    // a byte-order mark, as noted at the last load; Save As writes them back.
    LineBreakStyle::Style lineBreakStyle() const;
    bool byteOrderMark() const;

    // Turns a PDF file into text (UTF-8) with the engine chosen in the menu;
    // false with the reason on failure.
    bool convertPdf(const QString& path, std::string* utf8, QString* error);
    // The engines the editor and the batch convert PDF files with; a test
    // replaces them or shortens their time limit.
    PdfEngines& pdfEngines() { return pdf_; }

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
    // Back on this thread: the text goes into the buffer prepared, or a
    // fresh copy when there is none.
    void finishHandOver(ResultsWindow* target, const std::shared_ptr<std::string>& buffer);

    QWidget* buildCommandStrip(QWidget* parent);
    QWidget* buildWordCharactersPanel(QWidget* parent);
    QLayout* buildEditorRow(QWidget* parent);
    void buildFileMenu();
    void buildEditMenus();
    void buildSettingsMenu();
    void buildHelpMenu();
    EditActions addEditCommands(QMenu* menu);

    void choosePreset(int preset);
    void saveSetting(const QString& key, const QString& value);

    // Start-up's steps, applied to the window.
    void showTitle(const QString& title) override;
    void acceptDroppedFiles() override;
    void settingsOpened() override;
    void useWordCharacters(const QString& text) override;
    void setUpEditor() override;
    void applySavedSettings(const SavedSettings& saved) override;
    void useLayoutDirection(Qt::LayoutDirection direction) override;
    void translateCaptions() override;
    void showTextSize() override;
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

    ProgramSettings settings_;
    PdfEngines pdf_;
    Startup startup_{settings_, pdf_};

    bool starting_ = false;
    // Prepares the memory a large text is handed over in. Last, so that it
    // goes first: its worker is joined while the window still stands.
    WorkQueue handOverQueue_;
};
