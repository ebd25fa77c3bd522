#include "import/pdftextextractor.h"

#include "text/linesplitter.h"
#include "text/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString ToolName = QStringLiteral("pdftotext");

// While the tool runs, the windows go on painting, but the user cannot act
// on them: input and close requests are swallowed.
class InputBlocker : public QObject {
public:
    InputBlocker() {
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    }
    ~InputBlocker() override {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            // A close event that is not ignored would still close its window.
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

QString quotedForRecord(const QString& path) {
    return u'"' + path + u'"';
}

} // namespace

bool PdfTextExtractor::loadModule(QString* error) {
    return loadModule(modulePath(), error);
}

bool PdfTextExtractor::loadModule(const QString& path, QString* error) {
    if (!loadTried_) {
        loadTried_ = true;
        library_.setFileName(path);
        if (!library_.load()) {
            loadError_ = library_.errorString();
        } else {
            auto initialize = reinterpret_cast<PdfModule::Initialize>(
                library_.resolve(PdfModule::InitializeName));
            open_ = reinterpret_cast<PdfModule::Open>(library_.resolve(PdfModule::OpenName));
            lastError_ =
                reinterpret_cast<PdfModule::LastError>(library_.resolve(PdfModule::LastErrorName));
            pageCount_ =
                reinterpret_cast<PdfModule::PageCount>(library_.resolve(PdfModule::PageCountName));
            pageText_ =
                reinterpret_cast<PdfModule::PageText>(library_.resolve(PdfModule::PageTextName));
            const char* missing = !initialize   ? PdfModule::InitializeName
                                  : !open_      ? PdfModule::OpenName
                                  : !lastError_ ? PdfModule::LastErrorName
                                  : !pageCount_ ? PdfModule::PageCountName
                                  : !pageText_  ? PdfModule::PageTextName
                                                : nullptr;
            if (missing) {
                loadError_ = QStringLiteral("The function %1 is missing from the library %2")
                                 .arg(QLatin1String(missing), library_.fileName());
            } else {
                initialize();
                loaded_ = true;
            }
        }
    }
    if (!loaded_ && error) *error = loadError_;
    return loaded_;
}

bool PdfTextExtractor::extract(const QString& pdfPath, Engine engine, QString& text,
                               QString* error) {
    return engine == Engine::Tool ? extractWithTool(pdfPath, text, error)
                                  : extractInProcess(pdfPath, text, error);
}

bool PdfTextExtractor::extractInProcess(const QString& pdfPath, QString& text, QString* error) {
    if (!loadModule(error)) return false;
    const QString path = QFileInfo(pdfPath).absoluteFilePath();
    if (!open_(reinterpret_cast<const char16_t*>(path.utf16()), path.size())) {
        if (error) *error = errorText(lastError_());
        return false;
    }
    QString result;
    for (int page = 0; page < pageCount_(); ++page) {
        std::ptrdiff_t length = 0;
        const char16_t* pageText = pageText_(page, &length);
        if (!result.isEmpty()) result += QStringLiteral("\r\r");
        result += QStringView(pageText, length);
    }
    text = std::move(result);
    return true;
}

bool PdfTextExtractor::extractWithTool(const QString& pdfPath, QString& text, QString* error) {
    // A folder of its own for each run, so that two copies of the program,
    // or two runs, never share an output file.
    QTemporaryDir outputFolder;
    const QString outputPath =
        outputFolder.isValid() ? outputFolder.filePath(QStringLiteral("temp.txt")) : QString();
    const QString absolutePdf = QFileInfo(pdfPath).absoluteFilePath();
    if (outputPath.isEmpty() || !runTool(absolutePdf, outputPath))
        return extractInProcess(pdfPath, text, error);

    TextFile::Text contents;
    if (!TextFile::read(outputPath, contents, error)) return false;
    QString result;
    for (const QString& line : LineSplitter::lines(contents.utf8))
        result += line + QStringLiteral("\r\n");
    text = std::move(result);
    return true;
}

bool PdfTextExtractor::runTool(const QString& pdfPath, const QString& outputPath) {
    appendLogLine(ToolName + QStringLiteral(" -enc UTF-8 ") + quotedForRecord(pdfPath) + u' ' +
                  quotedForRecord(outputPath));
    appendLogLine(QStringLiteral("Commencing processing..."));

    const QString folder = toolFolder_.isEmpty() ? toolFolder() : toolFolder_;
    QProcess process;
    process.setProgram(folder + u'/' + ToolName);
    process.setArguments({QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, outputPath});
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);

    QStringDecoder decoder(QStringDecoder::System);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&process, &QProcess::readyRead, &loop, [&] {
        const QString output = decoder(process.readAll());
        if (log_) *log_ += output;
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });

    {
        InputBlocker blocker;
        process.start(QIODevice::ReadOnly);
        if (process.state() != QProcess::NotRunning) {
            limit.start(toolTimeLimit_);
            loop.exec();
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (log_) *log_ += decoder(process.readAll());

    appendLogLine(QStringLiteral("Processing completed successfully."));
    appendLogLine(QString(34, u'*'));
    appendLogLine(QString());

    // What a run cut short has written is no text of the whole document.
    if (timedOut) QFile::remove(outputPath);
    return QFileInfo::exists(outputPath);
}

void PdfTextExtractor::appendLogLine(const QString& line) {
    if (!log_) return;
    if (!log_->isEmpty() && !log_->endsWith(u'\n')) *log_ += u'\n';
    *log_ += line + u'\n';
}

QString PdfTextExtractor::modulePath() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QLatin1String(PdfModule::FileName));
}

QString PdfTextExtractor::toolFolder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("xpdf"));
}

QString PdfTextExtractor::toolPath() {
    return toolFolder() + u'/' + ToolName;
}

bool PdfTextExtractor::toolExists() {
    return QFileInfo::exists(toolPath());
}

QString PdfTextExtractor::errorText(int code) {
    switch (code) {
    case PdfModule::NoError:
        return QStringLiteral("No error");
    case PdfModule::FileError:
        return QStringLiteral("File not found or can't be opened");
    case PdfModule::FormatError:
        return QStringLiteral("File is not a PDF document or is corrupted");
    case PdfModule::PasswordError:
        return QStringLiteral("Password required oder invalid password");
    case PdfModule::SecurityError:
        return QStringLiteral("Security schema is not support");
    case PdfModule::PageError:
        return QStringLiteral("Page does not exist or data error");
    default:
        return QStringLiteral("Unknown error");
    }
}
