#include "shell/startup.h"

#include "import/pdfengines.h"
#include "info/versioninfo.h"
#include "localization/languagechoice.h"
#include "localization/qttranslation.h"
#include "shell/datafolder.h"
#include "shell/programsettings.h"

#include <QFileInfo>

#include <exception>
#include <stdexcept>

std::vector<Startup::Step> Startup::steps(const QString& program, StartupTarget& target) {
    const QString folder = QFileInfo(program).absolutePath();
    pdf_.setProgramFolder(folder);
    return {
        {QStringLiteral("version information"),
         [this, program] {
             const VersionData data = VersionInfo::readVersionData(program);
             info_.companyName = data.companyName;
             info_.productName = data.productName;
         }},
        {QStringLiteral("version"),
         [this, program] {
             info_.appVersion = VersionInfo::appVersion(VersionInfo::fileVersionNumber(program));
         }},
        {QStringLiteral("title"),
         [this, &target] {
             info_.appTitle = info_.companyName + QStringLiteral(" - ") + info_.productName;
             target.showTitle(info_.appTitle);
         }},
        {QStringLiteral("dropped files"), [&target] { target.acceptDroppedFiles(); }},
        {QStringLiteral("data folder"),
         [this, folder] {
             dataFolder_ = DataFolder::decide(folder, info_.companyName, info_.productName);
         }},
        {QStringLiteral("settings"),
         [this, &target] {
             settings_.useDataFolder(dataFolder_);
             target.settingsOpened();
         }},
        {QStringLiteral("word characters"),
         [this, &target] {
             QString text;
             if (settings_.loadWordCharacters(&text)) target.useWordCharacters(text);
         }},
        {QStringLiteral("editor"), [&target] { target.setUpEditor(); }},
        {QStringLiteral("PDF module"),
         [this] {
             QString error;
             if (!pdf_.loadModule(&error)) throw std::runtime_error(error.toStdString());
         }},
        {QStringLiteral("saved settings"),
         [this, &target] {
             SavedSettings saved;
             saved.lineNumbers = settings_.value(QStringLiteral("ShowLineNumbers")) != "OFF";
             saved.wordWrap = settings_.value(QStringLiteral("WordWrap")) == "ON";
             saved.xpdf = settings_.value(QStringLiteral("PdfEngine")) == "Xpdf";
             target.applySavedSettings(saved);
         }},
        {QStringLiteral("language"),
         [this, folder, &target] {
             QString error;
             if (!LanguageChoice::initLanguage(settings_.value(QStringLiteral("LanguageFile")),
                                               folder + QStringLiteral("/Languages"),
                                               LanguageChoice::userInterfaceLocale(), &error))
                 throw std::runtime_error(error.toStdString());
             // Qt's own texts (file dialogs, standard buttons) and the
             // direction of the layout follow the chosen language.
             QtTranslation::installForLoadedLanguage();
             target.useLayoutDirection(QtTranslation::directionOfLoadedLanguage());
         }},
        {QStringLiteral("captions"), [&target] { target.translateCaptions(); }},
        {QStringLiteral("size line"), [&target] { target.showTextSize(); }},
    };
}

QString Startup::run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        try {
            step.run();
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
    }
    return {};
}
