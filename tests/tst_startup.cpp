#include "import/pdfengines.h"
#include "shell/programsettings.h"
#include "shell/startup.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

// The window's side, written down call by call.
class RecordingTarget : public StartupTarget {
public:
    QStringList calls;
    SavedSettings saved;

    void showTitle(const QString& title) override { calls << "title " + title; }
    void acceptDroppedFiles() override { calls << "drops"; }
    void settingsOpened() override { calls << "settings"; }
    void useWordCharacters(const QString& text) override { calls << "word characters " + text; }
    void setUpEditor() override { calls << "editor"; }
    void applySavedSettings(const SavedSettings& settings) override {
        saved = settings;
        calls << "saved settings";
    }
    void useLayoutDirection(Qt::LayoutDirection) override { calls << "direction"; }
    void translateCaptions() override { calls << "captions"; }
    void showTextSize() override { calls << "size"; }
};

const QStringList StepNames{"version information", "version",       "title",
                            "dropped files",       "data folder",   "settings",
                            "word characters",     "editor",        "PDF module",
                            "saved settings",      "language",      "captions",
                            "size line"};

// What the window sees of each step, in order; empty for steps of the
// start-up object alone.
const QStringList CallOfStep{"",
                             "",
                             "title BRELLIX - Lexometer",
                             "drops",
                             "",
                             "settings",
                             "word characters abc",
                             "editor",
                             "",
                             "saved settings",
                             "direction",
                             "captions",
                             "size"};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void failingStepEndsStartUp_data();
    void failingStepEndsStartUp();
};

void TestStartup::failingStepEndsStartUp_data() {
    QTest::addColumn<int>("failing"); // the step that throws; past the last: none
    for (int i = 0; i < int(StepNames.size()); ++i)
        QTest::addRow("%s fails", qPrintable(StepNames[i])) << i;
    QTest::newRow("none fails") << int(StepNames.size());
}

void TestStartup::failingStepEndsStartUp() {
    // No window: the steps' own work, in their fixed order, and a failure
    // at any place skips what comes after it.
    QFETCH(int, failing);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("lexometer"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    TestFiles::write(dir.filePath("settings.ini"),
                     "[Settings]\nShowLineNumbers=OFF\nPdfEngine=Xpdf\n");
    TestFiles::write(dir.filePath("wordletters.txt"), "abc");

    ProgramSettings settings;
    PdfEngines pdf;
    Startup startup(settings, pdf);
    RecordingTarget target;
    std::vector<Startup::Step> steps = startup.steps(program, target);
    QStringList names;
    for (const Startup::Step& step : steps)
        names << step.name;
    QCOMPARE(names, StepNames);
    if (failing < int(steps.size()))
        steps[std::size_t(failing)].run = [] { throw std::runtime_error("The step failed"); };

    const QString error = Startup::run(steps);
    QCOMPARE(error, failing < int(steps.size()) ? QStringLiteral("The step failed") : QString());
    QStringList expected;
    for (int i = 0; i < failing && i < int(steps.size()); ++i)
        if (!CallOfStep[i].isEmpty()) expected << CallOfStep[i];
    QCOMPARE(target.calls, expected);
    // What the steps before the failing one set stays.
    const int settingsStep = int(StepNames.indexOf("settings"));
    QCOMPARE(settings.dataFolder(), failing > settingsStep ? dir.path() + u'/' : QString());
    QCOMPARE(startup.info().productName, failing > 0 ? QStringLiteral("Lexometer") : QString());
    if (failing > int(StepNames.indexOf("saved settings"))) {
        QVERIFY(!target.saved.lineNumbers);
        QVERIFY(!target.saved.wordWrap);
        QVERIFY(target.saved.xpdf);
    }
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
