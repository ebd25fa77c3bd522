#include "localization/ui/languagewindow.h"

#include "localization/fileerrortranslation.h"
#include "localization/languagechoice.h"
#include "localization/restartscript.h"
#include "localization/translation.h"
#include "localization/translators.h"
#include "text/inistore.h"
#include "widgets/desktop.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

// The pictures live in a static library, whose resources are not registered
// on their own.
static void initLanguageResources() {
    Q_INIT_RESOURCE(languageicons);
}

namespace {

const char* const MakerSite = "www.brellix.com";
const int PictureSize = 16;

struct FlagOf {
    const char16_t* language;
    const char* picture;
};

const FlagOf Flags[] = {
    {u"English", "english"},
    {u"German", "de"},
    {u"French", "fr"},
    {u"Turkish", "tr"},
    {u"Albanian", "al"},
    {u"Arabic", "sa"},
    {u"Bulgarian", "bg"},
    {u"ChineseSimplified", "cn"},
    {u"ChineseTraditional", "tw"},
    {u"Czech", "cz"},
    {u"Dutch", "nl"},
    {u"Finnish", "fi"},
    {u"Greek", "gr"},
    {u"Hebrew", "il"},
    {u"Hungarian", "hu"},
    {u"Abkhazian", "ab"},
    {u"Catalan", "ca"},
    {u"Italian", "it"},
    {u"Japanese", "jp"},
    {u"Korean", "kr"},
    {u"Persian", "ir"},
    {u"Polish", "pl"},
    {u"PortugueseBrazil", "br"},
    {u"PortuguesePortugal", "pt"},
    {u"Romanian", "ro"},
    {u"Russian", "ru"},
    {u"Slovenian", "si"},
    {u"Spanish", "es"},
    {u"Swedish", "se"},
    {u"Ukrainian", "ua"},
    {u"Vietnamese", "vi"},
    {u"Slovak", "sk"},
    {u"Norwegian", "no"},
    {u"Hindi", "in"},
};

// Fonts in pixels, as the window was designed.
QFont pixelFont(int pixels) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
}

} // namespace

LanguageWindow::LanguageWindow(IniStore& settings, const QString& dataFolder, QWidget* parent)
    : QDialog(parent), settings_(settings), dataFolder_(dataFolder),
      endProgram_([] { QApplication::quit(); }) {
    initLanguageResources();
    setWindowTitle(translateText("Language"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    buildLanguageList();
    layout->addWidget(languageLabel_);
    layout->addWidget(languageList_);
    layout->addSpacing(6);
    buildTranslatorBox();
    layout->addWidget(translatorLabel_);
    layout->addWidget(translatorBox_, 1);
    buildBottomStrip();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(contributeLink_);
    bottom->addStretch(1);
    bottom->addWidget(okButton_);
    layout->addLayout(bottom);
    setFixedSize(622, 227);

    showTranslators();
    initialLanguage_ = languageList_->currentText();
}

LanguageWindow::~LanguageWindow() = default;

void LanguageWindow::buildLanguageList() {
    languageLabel_ = new QLabel(translateText("User Interface Language:"), this);
    languageLabel_->setObjectName("languageLabel");
    languageLabel_->setFont(pixelFont(16));

    languageList_ = new QComboBox(this);
    languageList_->setObjectName("languageList");
    languageList_->setFont(pixelFont(13));
    languageList_->setIconSize(QSize(PictureSize, PictureSize));
    languageLabel_->setBuddy(languageList_);

    QStringList names{QStringLiteral("English")};
    for (const QString& file : LanguageChoice::languageFileList())
        names << LanguageChoice::languageName(file);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    for (const QString& name : std::as_const(names)) {
        languageList_->addItem(QIcon(flag(name)), name, flagName(name));
        languageList_->setItemData(languageList_->count() - 1, QSize(PictureSize, 18),
                                   Qt::SizeHintRole);
    }
    // No language loaded: English, the first of that name.
    int selected = names.indexOf(LanguageChoice::languageName());
    if (selected < 0) selected = names.indexOf(QStringLiteral("English"));
    languageList_->setCurrentIndex(selected);
    connect(languageList_, &QComboBox::currentIndexChanged, this, &LanguageWindow::showTranslators);
}

void LanguageWindow::buildTranslatorBox() {
    translatorLabel_ = new QLabel(translateText("Translated by:"), this);
    translatorLabel_->setObjectName("translatorLabel");
    translatorLabel_->setFont(pixelFont(16));

    translatorBox_ = new QPlainTextEdit(this);
    translatorBox_->setObjectName("translatorBox");
    translatorBox_->setFont(pixelFont(16));
    translatorBox_->setReadOnly(true);
    translatorBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Scroll bars only when the names need them: most languages have one.
    translatorBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    translatorBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    translatorLabel_->setBuddy(translatorBox_);

    translatorMenu_ = new QMenu(this);
    translatorMenu_->setObjectName("translatorMenu");
    copyAction_ = translatorMenu_->addAction(QIcon(QStringLiteral(":/language/icons/copy.svg")),
                                             translateText("Copy"));
    copyAction_->setObjectName("copyAction");
    connect(copyAction_, &QAction::triggered, translatorBox_, &QPlainTextEdit::copy);
    selectAllAction_ = translatorMenu_->addAction(translateText("Select All"));
    selectAllAction_->setObjectName("selectAllAction");
    connect(selectAllAction_, &QAction::triggered, translatorBox_, &QPlainTextEdit::selectAll);
    translatorBox_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(translatorBox_, &QWidget::customContextMenuRequested, this,
            &LanguageWindow::showTranslatorMenu);
}

void LanguageWindow::buildBottomStrip() {
    const QString page = QStringLiteral("http://%1/translation/").arg(QLatin1String(MakerSite));
    contributeLink_ = new QLabel(this);
    contributeLink_->setObjectName("contributeLink");
    contributeLink_->setFont(pixelFont(16));
    contributeLink_->setText(
        QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline\">%2</a>")
            .arg(page.toHtmlEscaped(), translateText("Contribute to Translation").toHtmlEscaped()));
    contributeLink_->setTextFormat(Qt::RichText);
    contributeLink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    contributeLink_->setCursor(Qt::PointingHandCursor);
    contributeLink_->setToolTip(page);
    connect(contributeLink_, &QLabel::linkActivated, this, &LanguageWindow::openTranslationPage);

    okButton_ = new QPushButton(QIcon(QStringLiteral(":/language/icons/tick_button.svg")),
                                translateText("OK"), this);
    okButton_->setObjectName("okButton");
    okButton_->setFont(pixelFont(16));
    okButton_->setIconSize(QSize(PictureSize, PictureSize));
    okButton_->setMinimumSize(100, 32);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &LanguageWindow::apply);
}

void LanguageWindow::setProgramEnd(std::function<void()> endProgram) {
    endProgram_ = std::move(endProgram);
}

QString LanguageWindow::flagName(const QString& languageName) {
    for (const FlagOf& entry : Flags)
        if (languageName == QStringView(entry.language)) return QLatin1String(entry.picture);
    return QStringLiteral("xx");
}

QPixmap LanguageWindow::flag(const QString& languageName) {
    initLanguageResources();
    const QString name = flagName(languageName);
    QImage picture(QStringLiteral(":/language/flags/%1.png").arg(name));
    if (picture.isNull()) picture = QImage(QStringLiteral(":/language/flags/%1.svg").arg(name));
    // The flags are lower than they are wide: centred on a clear square.
    QPixmap square(PictureSize, PictureSize);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((PictureSize - picture.width()) / 2, (PictureSize - picture.height()) / 2,
                      picture);
    return square;
}

void LanguageWindow::showTranslators() {
    translatorBox_->setPlainText(
        Translators::ofLanguage(LanguageChoice::languagesFolder(), languageList_->currentText())
            .join(u'\n'));
}

void LanguageWindow::openTranslationPage() {
    Desktop::openUrl(QUrl(contributeLink_->toolTip()));
}

void LanguageWindow::showTranslatorMenu(const QPoint& position) {
    copyAction_->setEnabled(translatorBox_->textCursor().hasSelection());
    translatorMenu_->popup(translatorBox_->viewport()->mapToGlobal(position));
}

void LanguageWindow::apply() {
    const QString language = languageList_->currentText();
    if (language == initialLanguage_) {
        accept();
        return;
    }
    const int answer = Dialogs::messageDialog(
        this, translateText("Restart Application?"), Dialogs::MessageKind::Confirmation,
        {Dialogs::Yes, Dialogs::No}, {translateText("Yes"), translateText("No")},
        translateText("Confirmation"));
    if (answer != Dialogs::Yes) return;

    settings_.write(QStringLiteral("Settings"), QStringLiteral("LanguageFile"),
                    language + QStringLiteral(".lang.txt"));
    FileError error;
    // Restarting without the new choice saved would only show the old language again.
    if (!settings_.save(&error)) {
        Dialogs::error(this, FileErrorTranslation::text(error));
        return;
    }
    QCoreApplication::processEvents();

    QString script;
    // The program never changes its working folder: it is still the one the
    // user started it from.
    if (!RestartScript::write(dataFolder_, QCoreApplication::applicationFilePath(),
                              QDir::currentPath(), &script, &error)) {
        Dialogs::error(this, FileErrorTranslation::text(error));
        return;
    }
    QCoreApplication::processEvents();
    Desktop::startProgram(QStringLiteral("/bin/sh"), {script}, dataFolder_);
    QCoreApplication::processEvents();
    endProgram_();
}
