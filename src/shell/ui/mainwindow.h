#pragma once

#include "import/linebreakstyle.h"
#include "shell/inistore.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <string>

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
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
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // One start-up step: it may throw; a failure skips the steps after it.
    struct Step {
        QString name;
        std::function<void()> run;
    };

    explicit MainWindow(QWidget* parent = nullptr);

    // Runs the start-up steps in order; an error is shown with its text and
    // ends start-up there, the window still opening with what was set.
    void startUp(const std::vector<Step>& steps);
    // The start-up of the program whose executable is at `program`.
    std::vector<Step> programSteps(const QString& program = {});

    // WordCharacters formed from Memo2: its non-empty lines, joined.
    QString wordCharacters() const;
    static QString onlineHelpAddress(const QString& productName);

    QWidget* Panel1;
    QPushButton* Button1;
    QPushButton* Button2;
    QCheckBox* CheckBox1;
    QWidget* Panel3;
    QGroupBox* GroupBox1;
    QPlainTextEdit* Memo2;
    QPushButton* BitBtn5;
    QPushButton* BitBtn6;
    QPushButton* BitBtn7;
    QPushButton* BitBtn8;
    QPushButton* BitBtn10;
    TextEditor* SynEdit1;
    QPlainTextEdit* MemoCMD;
    QStatusBar* StatusBar1;
    QTimer* TimerChecker;

    QMenu* File1;
    QAction* New1;
    QAction* LoadTextFromFile1;
    QAction* SavetoFile1;
    QAction* BatchProcessing1;
    QAction* Exit1;
    QMenu* Edit1;
    QAction* Undo1;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Delete1;
    QAction* SelectAll1;
    QMenu* Settings1;
    QMenu* PDFEngine1;
    QAction* PDFium1;
    QAction* Xpdf1;
    QAction* LineNumbers1;
    QAction* Wordwrap1;
    QAction* ResettoDefaults1;
    QMenu* Help1;
    QAction* Help2;
    QAction* UpdateNotifications1;
    QAction* Language1;
    QAction* SendFeedback1;
    QAction* About1;
    QMenu* PopupMenu1;
    QAction* Undo2;
    QAction* Cut2;
    QAction* Copy2;
    QAction* Paste2;
    QAction* Delete2;
    QAction* SelectAll2;

    QString DataFolder;
    IniStore SettingsIni;

    QString CompanyName;
    QString ProductName;
    QString AppVersion;
    QString AppTitle;

    // Puts the file's text into the editor: PDF files through the PDF
    // converter, all others read as text. On failure returns false with the
    // error's text and leaves the editor as it was.
    bool loadFile(const QString& path, QString* error);
    // How the text was separated into lines and whether the file began with
    // a byte-order mark, as noted at the last load; Save As writes them back.
    LineBreakStyle::Style lineBreakStyle() const { return lineBreakStyle_; }
    bool byteOrderMark() const { return byteOrderMark_; }

    // Turns a PDF file into text (UTF-8); false with the reason on failure.
    using PdfConverter =
        std::function<bool(const QString& path, std::string* utf8, QString* error)>;
    static PdfConverter& pdfConverter();
    // Where web addresses go; the desktop's browser unless replaced.
    static std::function<void(const QString&)>& urlOpener();
    // How Reset to Defaults starts the new copy of the program.
    static std::function<void(const QString&)>& restarter();

public slots:
    void Button1Click();
    void Button2Click();
    void WMDropFiles(const QStringList& paths);
    void SavetoFile1Click();
    void New1Click();
    // The context menu's twins (Undo2 ...) run these too.
    void Undo1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Delete1Click();
    void SelectAll1Click();
    void CheckBox1Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn10Click();
    void Help2Click();
    void Exit1Click();
    void LineNumbers1Click();
    void Wordwrap1Click();
    void PdfEngineClick();
    void Memo2Change();
    void ResettoDefaults1Click();
    void SynEdit1Change();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void applyPreset(int preset);
    void addEditCommands(QMenu* menu, const std::array<QAction**, 6>& actions);
    bool putText(const QString& path, std::string&& utf8, bool byteOrderMark, QString* error);
    bool textLoaded();
    static bool tooLarge(const QString& path, QString* error);
    void saveSetting(const QString& key, const QString& value);
    bool starting_ = false;
    void translateCaptions();
    bool placed_ = false;
    QLabel* sizeLabel_ = nullptr;
    LineBreakStyle::Style lineBreakStyle_ = LineBreakStyle::CrLf;
    bool byteOrderMark_ = false;
};
