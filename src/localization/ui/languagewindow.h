#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <functional>

class IniStore;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

// The language window: the language files found at start-up with their
// flags, who translated the chosen one, and OK, which stores a new choice
// and restarts the program through a script in the data folder.
//
// Its widgets are private; each has an objectName naming its role
// ("languageLabel", "languageList", "translatorLabel", "translatorBox",
// "contributeLink", "okButton", "translatorMenu", "copyAction",
// "selectAllAction"), by which tests find them. Each list item carries the
// name of its flag picture in Qt::UserRole.
class LanguageWindow : public QDialog {
    Q_OBJECT

public:
    // `settings` receives the new "LanguageFile"; the restart script is
    // written into `dataFolder`.
    LanguageWindow(IniStore& settings, const QString& dataFolder, QWidget* parent = nullptr);
    ~LanguageWindow() override;

    // Ends the program once the restart script runs; QApplication::quit
    // unless set.
    void setProgramEnd(std::function<void()> endProgram);

    // The name of the flag picture of a language, "xx" for one without.
    static QString flagName(const QString& languageName);
    // That picture, 16 x 16.
    static QPixmap flag(const QString& languageName);

public slots:
    // Stores a new choice and restarts the program, after asking; closes
    // when the choice is the one the window opened with.
    void apply();
    void showTranslators();
    void openTranslationPage();

private:
    void buildLanguageList();
    void buildTranslatorBox();
    void buildBottomStrip();
    void showTranslatorMenu(const QPoint& position);

    IniStore& settings_;
    QString dataFolder_;
    QString initialLanguage_;
    std::function<void()> endProgram_;

    QLabel* languageLabel_ = nullptr;
    QComboBox* languageList_ = nullptr;
    QLabel* translatorLabel_ = nullptr;
    QPlainTextEdit* translatorBox_ = nullptr;
    QMenu* translatorMenu_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* selectAllAction_ = nullptr;
    QLabel* contributeLink_ = nullptr;
    QPushButton* okButton_ = nullptr;
};
