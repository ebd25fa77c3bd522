#pragma once

#include <QString>
#include <Qt>

#include <functional>
#include <vector>

class PdfEngines;
class ProgramSettings;

// What start-up reads from the version information, for the windows and
// the service requests.
struct ProgramInfo {
    QString companyName;
    QString productName;
    QString appVersion; // "major.minor"
    QString appTitle = QStringLiteral("Lexometer"); // company - product, once read
};

// The saved settings that the window applies through its toggles.
struct SavedSettings {
    bool lineNumbers = true;
    bool wordWrap = false;
    bool xpdf = false;
};

// The window's side of start-up: each call shows or applies what a step
// decided. A call may throw, which ends start-up as a failing step does.
class StartupTarget {
public:
    virtual ~StartupTarget() = default;
    virtual void showTitle(const QString& title) = 0;
    virtual void acceptDroppedFiles() = 0;
    // The settings file is open: windows that keep a setting of their own
    // may write into it.
    virtual void settingsOpened() = 0;
    virtual void useWordCharacters(const QString& text) = 0;
    virtual void setUpEditor() = 0;
    virtual void applySavedSettings(const SavedSettings& saved) = 0;
    // The language is loaded and Qt's translation installed; the windows
    // lay out in this direction from now on.
    virtual void useLayoutDirection(Qt::LayoutDirection direction) = 0;
    virtual void translateCaptions() = 0;
    virtual void showTextSize() = 0;
};

// The program's start-up, in its fixed order: version information, title,
// dropped files, data folder, settings, word characters, editor, PDF module,
// saved settings, language, captions, size line. A step that fails ends
// start-up there; what the steps before it did stays.
class Startup {
public:
    struct Step {
        QString name;
        std::function<void()> run;
    };

    Startup(ProgramSettings& settings, PdfEngines& pdf) : settings_(settings), pdf_(pdf) {}

    // The steps for the program whose executable is at `program`.
    std::vector<Step> steps(const QString& program, StartupTarget& target);
    // Runs the steps in order; the failing step's message, or nothing when
    // every step ran.
    static QString run(const std::vector<Step>& steps);

    const ProgramInfo& info() const { return info_; }

private:
    ProgramSettings& settings_;
    PdfEngines& pdf_;
    ProgramInfo info_;
    QString dataFolder_;
};
